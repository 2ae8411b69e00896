// Soak: downloads and uploads back to back in one session on the real serial layer. Run
// under the address sanitizer with leak checking (the sanitized CI run) it finds leaks; in
// every build it checks that the heap in use does not grow from one round to the next once
// the first rounds have filled the caches that are meant to stay.

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "device/cell_transfer.h"
#include "recording_host.h"
#include "tests/e2e/session_on_line.h"
#include "tests/support/sim_process.h"
#include "tests/support/temp_dir.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define NORVANE_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NORVANE_SANITIZED_HEAP 1
#endif
#endif

#ifdef NORVANE_SANITIZED_HEAP
// The sanitizer runtimes' allocator statistics; GCC installs no header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace norvane::test {
namespace {

using device::testing::TRecordingHost;

constexpr int kRounds = 20;
constexpr int kSettledRound = 5;
// Far below what a leak of a few bytes per command would add over 15 rounds of about
// 2,100 commands each, and far above the noise of the allocator and Qt's event queues.
constexpr std::ptrdiff_t kGrowthTolerance = 64 * 1024;

// Bytes the program has allocated and not freed. The sanitizers' allocators keep freed
// blocks in quarantine, which the resident size would count; their own count does not.
#ifdef NORVANE_SANITIZED_HEAP
std::ptrdiff_t HeapInUse() {
    return static_cast<std::ptrdiff_t>(__sanitizer_get_current_allocated_bytes());
}
#else
std::ptrdiff_t HeapInUse() {
    return static_cast<std::ptrdiff_t>(mallinfo2().uordblks);
}
#endif

std::string Table(int firstCell, int lastCell, const std::string& text) {
    std::string table;
    for (int cell = firstCell; cell <= lastCell; ++cell) {
        table += std::to_string(cell) + "," + text + " " + std::to_string(cell) + "\r\n";
    }
    return table;
}

TEST(Soak, TwentyDownloadsAndUploadsBackToBackLeaveTheHeapAsTheFifthLeftIt) {
    TTempDir dir;
    WriteFile(dir / "table.nvf", Table(1, 1899, "gauge"));
    WriteFile(dir / "upload.nvf", Table(1, 300, "uploaded"));
    const std::string expected = Table(1, 300, "uploaded") + Table(301, 1899, "gauge");
    TSimProcess sim({"--cells", dir / "table.nvf"});
    TSessionOnLine line(sim.LinePath());
    line.Open();

    std::ptrdiff_t settled = 0;
    for (int round = 1; round <= kRounds; ++round) {
        TRecordingHost up(dir / "upload.nvf");
        line.Session.Transfer().UploadCells(up);
        ASSERT_EQ(up.Log.back(), "Upload of " + (dir / "upload.nvf") + " complete.") << round;
        TRecordingHost down(dir / "copy.nvf");
        line.Session.Transfer().DownloadCells(down);
        ASSERT_EQ(down.Log.back(), "Download to " + (dir / "copy.nvf") + " complete.") << round;
        ASSERT_EQ(ReadFile(dir / "copy.nvf"), expected) << round;
        if (round == kSettledRound) {
            settled = HeapInUse();
        }
    }
    const std::ptrdiff_t growth = HeapInUse() - settled;
    EXPECT_LT(growth, kGrowthTolerance) << "heap in use grew by " << growth << " bytes from round "
                                        << kSettledRound << " to " << kRounds;
}

}  // namespace
}  // namespace norvane::test
