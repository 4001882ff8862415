// Every performance target of the program as a Google Benchmark: each one
// times an operation against its reference inside the same run, on the same
// generated data, and reports the ratio. After the run one line per target
// says whether it met its limit.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures.h"
#include "harness.h"
#include "image/image_file.h"

namespace marlin::bench {

namespace fs = std::filesystem;

namespace {

struct Target {
    std::string name;
    double limit;
    // Returns the ratio of the program's cost to the reference's.
    std::function<double(benchmark::State&)> measure;
};

void Report(benchmark::State& state, const Timing& t, double ratio)
{
    state.SetIterationTime(t.op);
    state.counters["op_ms"] = t.op * 1e3;
    state.counters["ref_ms"] = t.ref * 1e3;
    state.counters["ratio"] = ratio;
}

// --- open_save: OpenImage + SaveImage against plain stream read and write.

double OpenSave(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path mine = WorkFolder() / "open-save-out.dat";
    const fs::path theirs = WorkFolder() / "open-save-ref.dat";
    image::SilentSink sink;
    const Timing t = MinOfPairs(
        Rounds(9), [&] { fs::remove(mine); },
        [&] {
            auto disc = image::OpenImage(f.imagePath, sink);
            if (!disc || !image::SaveImage(*disc, mine, sink))
                throw std::runtime_error("open_save: the image did not open or save");
        },
        [&] { fs::remove(theirs); },
        [&] {
            std::ifstream in(f.imagePath, std::ios::binary);
            std::vector<char> bytes(fs::file_size(f.imagePath));
            in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            std::ofstream out(theirs, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        });
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

// --- memory: peak resident set of `marlin exall` against image + text size.

double Memory(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path text = WorkFolder() / "exall.txt";
    long best = -1;
    for (int i = 0; i < Rounds(2); ++i) {
        long peak = 0;
        if (RunProcess({MARLIN_BINARY, "exall", f.imagePath.string()}, text.string(), &peak) != 0)
            throw std::runtime_error("memory: marlin exall failed");
        if (best < 0 || peak < best)
            best = peak;
    }
    const double budget = static_cast<double>(f.disc.size() + fs::file_size(text));
    const double ratio = static_cast<double>(best) * 1024.0 / budget;
    state.SetIterationTime(0);
    state.counters["peak_MiB"] = static_cast<double>(best) / 1024.0;
    state.counters["budget_MiB"] = budget / (1024.0 * 1024.0);
    state.counters["ratio"] = ratio;
    return ratio;
}

std::vector<Target>& Targets()
{
    static std::vector<Target> targets = {
        {"open_save", 1.3, OpenSave},
        {"memory", 1.5, Memory},
    };
    return targets;
}

// Remembers each target's ratio as the runs are reported.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            const auto ratio = run.counters.find("ratio");
            if (!run.error_occurred && ratio != run.counters.end())
                ratios[name] = ratio->second.value;
            else
                errors[name] = run.error_occurred ? run.error_message : "no ratio";
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> ratios;
    std::map<std::string, std::string> errors;
};

} // namespace

} // namespace marlin::bench

int main(int argc, char** argv)
{
    using namespace marlin::bench;
    for (const Target& target : Targets()) {
        benchmark::RegisterBenchmark(target.name.c_str(),
                                     [&target](benchmark::State& state) {
                                         for (auto _ : state) {
                                             try {
                                                 target.measure(state);
                                             } catch (const std::exception& e) {
                                                 state.SkipWithError(e.what());
                                             }
                                         }
                                     })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    int passed = 0;
    int failed = 0;
    std::printf("\n");
    for (const Target& target : Targets()) {
        const auto ratio = reporter.ratios.find(target.name);
        const auto error = reporter.errors.find(target.name);
        if (ratio == reporter.ratios.end() && error == reporter.errors.end())
            continue; // filtered out
        if (ratio != reporter.ratios.end()) {
            const bool ok = ratio->second <= target.limit;
            std::printf("%s: %.2f (target <= %.1f)\n", target.name.c_str(), ratio->second, target.limit);
            (ok ? passed : failed)++;
        } else {
            std::printf("%s: error: %s (target <= %.1f)\n", target.name.c_str(), error->second.c_str(), target.limit);
            ++failed;
        }
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
