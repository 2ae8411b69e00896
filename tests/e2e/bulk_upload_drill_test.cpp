// A cell file of 100,000 lines uploaded through norvane-cli: it completes, and the
// program's memory does not grow with the file. Its own test program, because on a busy
// machine it needs more time than the other drills are given.

#include <chrono>

#include "tests/e2e/cli_drill.h"

namespace norvane::test {
namespace {

using namespace std::chrono_literals;

bool UnderSanitizer() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

class BulkUploadDrill : public TCliDrill {};

TEST_F(BulkUploadDrill, UploadOfAHundredThousandLinesCompletesInBoundedMemory) {
    // The sanitized builds run every drill again within the same CI budget; a tenth of the
    // lines takes the same paths through the serial layer in a tenth of the time.
    const int count = UnderSanitizer() ? 10'000 : 100'000;
    std::string lines;
    for (int i = 0; i < count; ++i) {
        lines += std::to_string(i % 1899 + 1) + ",line " + std::to_string(i) + "\r\n";
    }
    WriteFile(Dir / "big.nvf", lines);
    WriteFile(Dir / "small.nvf", lines.substr(0, lines.find("100,")));
    TSimProcess sim(SimArgs({"--save", Dir / "stored.nvf"}));
    const TProgramExit small = Run(CliArgs("upload", Dir / "small.nvf", sim));
    ASSERT_EQ(small.ExitCode, 0) << small.ErrorText;
    // About half a minute on an idle machine; the guard stays inside the test's own limit.
    const TProgramExit big =
        RunProgramToExit(NORVANE_CLI_EXECUTABLE, CliArgs("upload", Dir / "big.nvf", sim), 280s);
    EXPECT_EQ(big.ExitCode, 0) << big.ErrorText;
    EXPECT_EQ(big.OutputText, "Upload of " + (Dir / "big.nvf") + " complete.\n");
    EXPECT_EQ(JournalLines(), 2 + 99 + 2 + static_cast<std::size_t>(count));
    EXPECT_EQ(sim.Stop().ExitCode, 0);
    // Cell 1899 holds the last line that named it.
    const int last1899 = (count - 1899) / 1899 * 1899 + 1898;
    EXPECT_NE(ReadFile(Dir / "stored.nvf").find("1899,line " + std::to_string(last1899) + "\r\n"),
              std::string::npos);
    if (!UnderSanitizer()) {
        // The file is read a line at a time: a thousand times the lines must not cost
        // memory in proportion (the file alone is 1.5 MB).
        EXPECT_LT(big.PeakResidentKiB - small.PeakResidentKiB, 1024)
            << small.PeakResidentKiB << " KiB for 99 lines, " << big.PeakResidentKiB << " KiB for "
            << count;
    }
}

}  // namespace
}  // namespace norvane::test
