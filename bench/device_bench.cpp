// What the conversation costs on our side, with the instrument answering at once: the
// classification of a reply line, and a whole 1899-cell download through the scripted
// port. The instrument's own answer time dominates in practice; these keep our share small.

#include <benchmark/benchmark.h>

#include <filesystem>

#include "device/cell_transfer.h"
#include "device/instrument_link.h"
#include "fake_event_loop.h"
#include "recording_host.h"
#include "scripted_port.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace norvane::device;
using namespace norvane::device::testing;
using norvane::test::TTempDir;

void BM_ClassifyReplyLine(benchmark::State& state) {
    const std::string lines[] = {"*5,TC-K,0,100", "@ERROR cell not available", "@ERROR=19",
                                 "@ERROR something else"};
    for (auto _ : state) {
        for (const auto& line : lines) {
            benchmark::DoNotOptimize(StatusOfReplyLine(line));
        }
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_ClassifyReplyLine);

void BM_FullDownload(benchmark::State& state) {
    TTempDir dir;
    for (auto _ : state) {
        TFakeEventLoop loop;
        TScriptedPort port(loop);
        TInstrumentLink link(port, loop);
        TCellTransfer transfer(link);
        TRecordingHost host(dir / "cells.nvf");
        port.Connect(link);
        loop.SetTimerHandler([&] { link.TimeOutTimerTimer(); });
        port.SetResponder([](const std::string& command) {
            return TScriptedReply{"*" + command.substr(4, command.size() - 6) + ",TC-K\r\n"};
        });
        link.AddLineTrigger();
        transfer.DownloadCells(host);
    }
    state.SetItemsProcessed(state.iterations() * TCellTransfer::CellCount);
}
BENCHMARK(BM_FullDownload)->Unit(benchmark::kMillisecond);

}  // namespace
