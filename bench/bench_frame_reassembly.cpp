// Throughput of the frame driver's receive path (reassembly, record check and
// storing into the image) on a whole clone read: 768 records of 16 bytes, fed
// in chunks of different sizes the way the heartbeat drains the port.
// Besides the usual table, one figure line per chunk size (Figure.h).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "Figure.h"

#include "link/Xfr3Frame.h"
#include "link/clsCmcXfr3Drv.h"
#include "link/frmCom.h"
#include "platform/Timer.h"
#include "platform/mem/ManualClock.h"
#include "platform/mem/MemSerialPort.h"
#include "radio/clsCmcEeprom.h"

namespace {

ByteStr CloneStream() {
    ByteStr all;
    for (std::int32_t a = 0; a < 0x3000; a += 16) {
        ByteStr data(16);
        for (int k = 0; k < 16; ++k) data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(a * 7 + k);
        const ByteStr rec = xfr3::CloneRecordData(a, data);
        all.insert(all.end(), {0xFE, 0xFE, 0xEF, 0xEE});
        all.insert(all.end(), rec.begin(), rec.end());
        all.push_back(0xFD);
    }
    return all;
}

void BM_CloneRecordReassembly(benchmark::State& state) {
    platform::ManualClock clock{0};
    platform::ScopedTickSource tickSource{clock};
    platform::MemSerialPort port;
    port.setEcho(false);
    platform::ManualTimer timer;
    frmCom com{port, timer};
    clsCmcEeprom eep;
    clsCmcXfr3Drv& drv = com.xfr3D();
    const ByteStr stream = CloneStream();
    const auto chunk = static_cast<std::size_t>(state.range(0));
    std::vector<ByteStr> pieces;
    for (std::size_t at = 0; at < stream.size(); at += chunk)
        pieces.emplace_back(stream.begin() + static_cast<long>(at),
                            stream.begin() + static_cast<long>(std::min(stream.size(), at + chunk)));

    for (auto _ : state) {
        com.comOpen(true);
        drv.workMode(clsCmcXfr3Drv::kModeCloneRead);
        drv.myEep(&eep);
        drv.Send({0xE2, 0x25, 0x26, 0x01, 0x00});
        for (const auto& p : pieces) drv.read(p);
        if (drv.nowError() != 0 || drv.lastEeAdr() != 0x2FFF) state.SkipWithError("records not stored");
        benchmark::DoNotOptimize(eep.bytes().data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(stream.size()));
    state.counters["records/s"] = benchmark::Counter(768.0 * static_cast<double>(state.iterations()),
                                                     benchmark::Counter::kIsRate);
}
BENCHMARK(BM_CloneRecordReassembly)->Arg(1)->Arg(46)->Arg(1024)->Arg(40000);

// The console table as usual, and the bytes per second of every run kept
// for the figure lines.
class FigureReporter final : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, so a log file stays plain text.
    FigureReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}
    std::vector<std::pair<std::string, double>> rates;
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& r : runs) {
            const auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end() && !r.error_occurred) rates.emplace_back(r.benchmark_name(), it->second.value);
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    // The short mode: each size measured as briefly as the library allows.
    std::vector<char*> args(argv, argv + argc);
    std::string briefly = "--benchmark_min_time=0.001";
    if (benchfig::Smoke()) args.push_back(briefly.data());
    argc = static_cast<int>(args.size());
    args.push_back(nullptr);
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    for (const auto& [name, rate] : reporter.rates) {
        // "BM_CloneRecordReassembly/46" -> chunks of 46 bytes
        const std::string chunk = name.substr(name.rfind('/') + 1);
        benchfig::Figure("frame reassembly throughput, " + chunk + "-byte chunks", rate / 1048576.0, "MiB/s", 0.0, 1);
    }
    return reporter.rates.empty() ? 1 : 0;
}
