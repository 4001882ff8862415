// Every performance target of the program as a Google Benchmark: each one
// times an operation against its reference inside the same run, on the same
// generated data, and reports the ratio. After the run one line per target
// says whether it met its limit.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures.h"
#include "harness.h"
#include "image/image_file.h"
#include "views/directory_tree.h"
#include "views/listings.h"

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
        const long peak = PeakResidentKiB({MARLIN_BINARY, "exall", f.imagePath.string()}, text.string());
        if (peak < 0)
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

// --- scaling: cost per entry on the full disc against a sixteenth of it.

// Ratio of the cost per entry at 16x to the cost per entry at 1x; op is the
// large disc, ref the small one.
double PerEntryRatio(benchmark::State& state, const Timing& t, int bigEntries, int smallEntries)
{
    const double ratio = (t.op / bigEntries) / (t.ref / smallEntries);
    Report(state, t, ratio);
    state.counters["entries_16x"] = bigEntries;
    state.counters["entries_1x"] = smallEntries;
    return ratio;
}

double ScalingListings(benchmark::State& state)
{
    const Fixture& big = GetFixture(Shape::Full);
    const Fixture& small = GetFixture(Shape::Sixteenth);
    std::size_t sink = 0;
    const Timing t = MinOfPairs(
        Rounds(15), EvictCaches, [&] { sink += views::ShowExAll(big.disc, image::kRoot).text.size(); }, EvictCaches,
        [&] { sink += views::ShowExAll(small.disc, image::kRoot).text.size(); });
    benchmark::DoNotOptimize(sink);
    return PerEntryRatio(state, t, big.counts.entries(), small.counts.entries());
}

double ScalingTree(benchmark::State& state)
{
    const Fixture& big = GetFixture(Shape::Full);
    const Fixture& small = GetFixture(Shape::Sixteenth);
    std::size_t sink = 0;
    const Timing t = MinOfPairs(
        Rounds(15), EvictCaches, [&] { sink += views::BuildDirectoryTree(big.disc).children.size(); }, EvictCaches,
        [&] { sink += views::BuildDirectoryTree(small.disc).children.size(); });
    benchmark::DoNotOptimize(sink);
    return PerEntryRatio(state, t, big.counts.entries(), small.counts.entries());
}

std::vector<Target>& Targets()
{
    static std::vector<Target> targets = {
        {"open_save", 1.3, OpenSave},
        {"memory", 1.5, Memory},
        {"scaling_listings", 1.3, ScalingListings},
        {"scaling_tree", 1.3, ScalingTree},
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
    if (const int status = PeakResidentHelper(argc, argv); status >= 0)
        return status;
    // Freed memory stays in the process. Otherwise a large text is built in
    // freshly mapped pages on every run (each page a fault, costly on a busy
    // virtual machine) while a small one reuses warm memory, and the scaling
    // targets would compare the allocator instead of the code.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
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
