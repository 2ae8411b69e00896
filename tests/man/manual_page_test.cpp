// Each manual page lists the options its program's --help lists, no more and no fewer, and
// each program reports the project's version.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "norvane_version.h"
#include "tests/support/child_process.h"

namespace norvane::test {
namespace {

struct TDocumentedProgram {
    std::string Name;
    std::string Executable;
};

std::vector<TDocumentedProgram> DocumentedPrograms() {
    std::vector<TDocumentedProgram> programs{{"norvane-cli", NORVANE_CLI_EXECUTABLE},
                                             {"norvane-instrument", NORVANE_SIM_EXECUTABLE}};
    if (!std::string(NORVANE_EXECUTABLE).empty()) {
        programs.push_back({"norvane", NORVANE_EXECUTABLE});
    }
    return programs;
}

// Every option word in text: "--name" and single-dash words such as "-h" or "-platform"
// (Qt's), standing on their own rather than inside a word like "data-logging".
std::set<std::string> OptionWords(const std::string& text) {
    static const std::regex option(R"((^|[\s,|(\[])(--?[a-z][a-z0-9-]*))");
    std::set<std::string> words;
    for (auto match = std::sregex_iterator(text.begin(), text.end(), option);
         match != std::sregex_iterator(); ++match) {
        std::string word = (*match)[2];
        while (word.ends_with("-")) {
            word.pop_back();
        }
        words.insert(word);
    }
    return words;
}

// The OPTIONS section of a man(7) page as plain text: roff's "\-" is a dash, font changes
// and requests go.
std::string OptionsSection(const std::string& page) {
    std::istringstream lines(page);
    std::string line;
    std::string text;
    bool inOptions = false;
    while (std::getline(lines, line)) {
        if (line.starts_with(".SH ")) {
            inOptions = line == ".SH OPTIONS";
            continue;
        }
        if (!inOptions) {
            continue;
        }
        line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
        line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
        line = std::regex_replace(line, std::regex(R"(^\.[A-Z]+ ?)"), "");
        text += " " + line + "\n";
    }
    return text;
}

std::string ReadSource(const std::string& relativePath) {
    std::ifstream in(std::string(NORVANE_SOURCE_DIR) + "/" + relativePath);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ManualPages, ListExactlyTheOptionsOfHelp) {
    for (const TDocumentedProgram& program : DocumentedPrograms()) {
        const TProgramExit help = RunProgramToExit(program.Executable, {"--help"});
        ASSERT_EQ(help.ExitCode, 0) << program.Name << ": " << help.ErrorText;
        const std::string page = ReadSource("man/" + program.Name + ".1.in");
        ASSERT_FALSE(page.empty()) << "no manual page for " << program.Name;
        const std::set<std::string> helpOptions = OptionWords(help.OutputText);
        EXPECT_TRUE(helpOptions.contains("--version")) << program.Name;
        EXPECT_EQ(OptionWords(OptionsSection(page)), helpOptions)
            << program.Name << "(1) and " << program.Name << " --help disagree";
    }
}

TEST(ManualPages, ProgramsReportTheProjectVersion) {
    for (const TDocumentedProgram& program : DocumentedPrograms()) {
        const TProgramExit version = RunProgramToExit(program.Executable, {"--version"});
        EXPECT_EQ(version.ExitCode, 0) << program.Name << ": " << version.ErrorText;
        EXPECT_EQ(version.OutputText, program.Name + " " + kVersion + "\n");
    }
}

}  // namespace
}  // namespace norvane::test
