#pragma once
// What the failure drills share: norvane-cli run against the instrument simulator over a
// pseudo-terminal, in a fresh directory, with the simulator's table and journal in it.

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

namespace norvane::test {

using Args = std::vector<std::string>;
using Names = std::vector<std::string>;

// A full table: every cell defined, each line naming its cell.
inline std::string TableOf(int cells) {
    std::string table;
    for (int cell = 1; cell <= cells; ++cell) {
        table += std::to_string(cell) + ",gauge " + std::to_string(cell * 7) + "\r\n";
    }
    return table;
}

// Cell 7 with a value byte 255, which travels doubled over RFC 2217, as an upload file
// stores it; and a table as the instrument holds it after that upload.
inline const std::string kCellSevenWith255 =
    "7,\xff"
    "bytes\r\n";
inline std::string WithCellSevenWith255(std::string table) {
    return table.replace(table.find("7,gauge 49\r\n"), 12, kCellSevenWith255);
}

class TCliDrill : public ::testing::Test {
  protected:
    TCliDrill() {
        WriteFile(Dir / "table.nvf", TableOf(1899));
        WriteFile(Dir / "empty.ini", "");
    }

    Args SimArgs(Args extra) {
        Args args{"--cells", Dir / "table.nvf", "--journal", Dir / "journal"};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    // A transfer on the simulator's line, with a settings file that sets nothing.
    Args CliArgs(const std::string& command, const std::string& file, const TSimProcess& sim) {
        return {command, file, "--device", sim.LinePath(), "--settings", Dir / "empty.ini"};
    }
    TProgramExit Run(const Args& args) { return RunProgramToExit(NORVANE_CLI_EXECUTABLE, args); }

    std::size_t JournalLines() {
        std::istringstream journal(ReadFile(Dir / "journal"));
        std::size_t lines = 0;
        for (std::string line; std::getline(journal, line);) {
            ++lines;
        }
        return lines;
    }
    // Waits for the simulator to have received `count` commands; a hang guard, not a timer.
    void AwaitJournalLines(std::size_t count) {
        using namespace std::chrono_literals;
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (JournalLines() < count && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(5ms);
        }
        ASSERT_GE(JournalLines(), count) << "the transfer never got that far";
    }

    TTempDir Dir;
};

// The last line of a program's output, without its line end.
inline std::string LastLine(const std::string& text) {
    const std::string trimmed = text.ends_with('\n') ? text.substr(0, text.size() - 1) : text;
    const auto newline = trimmed.rfind('\n');
    return newline == std::string::npos ? trimmed : trimmed.substr(newline + 1);
}

}  // namespace norvane::test
