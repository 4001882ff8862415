// Every performance target of the program as a Google Benchmark: each one
// times an operation against its reference inside the same run, on the same
// generated data, and reports the ratio. After the run one line per target
// says whether it met its limit.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <malloc.h>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "fixtures.h"
#include "harness.h"
#include "host/export.h"
#include "host/host_files.h"
#include "host/import.h"
#include "image/change.h"
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
// The window's target needs the window; a build without it reports so and
// counts that target as failed.
#ifdef MARLIN_BENCH_GUI
#include <QApplication>

#include "explorer/frm_main.h"
#include "explorer/prompts.h"
#include "explorer/view_window.h"
#define MARLIN_BENCH_WINDOW 1
#endif
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
            if (disc.Refused() || host::SaveImage(*disc, mine, sink) == image::Status::Refused)
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

// The least peak resident set (KiB) of the tool over the rounds, as the
// ratio to budget() bytes (asked once the tool has run), reported under the
// budget's name.
template <class Budget>
double PeakRatio(benchmark::State& state, const std::vector<std::string>& args, const std::string& output,
                 const char* budgetName, Budget budget)
{
    long best = -1;
    for (int i = 0; i < Rounds(2); ++i) {
        const long peak = PeakResidentKiB(args, output);
        if (peak < 0)
            throw std::runtime_error("marlin " + args[1] + " failed");
        if (best < 0 || peak < best)
            best = peak;
    }
    const double bytes = budget();
    const double ratio = static_cast<double>(best) * 1024.0 / bytes;
    state.SetIterationTime(0);
    state.counters["peak_MiB"] = static_cast<double>(best) / 1024.0;
    state.counters[budgetName] = bytes / (1024.0 * 1024.0);
    state.counters["ratio"] = ratio;
    return ratio;
}

double Memory(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path text = WorkFolder() / "exall.txt";
    return PeakRatio(state, {MARLIN_BINARY, "exall", f.imagePath.string()}, text.string(), "budget_MiB",
                     [&] { return static_cast<double>(f.disc.Size() + fs::file_size(text)); });
}

// --- large files: a 64 MB disc whose one file fills it, and a 1 KB file.

struct LargeFile {
    image::Disc disc;
    image::DirEntry big, small;
    fs::path imagePath;
};

const LargeFile& GetLargeFile()
{
    static const LargeFile file = [] {
        LargeFile f{image::NewDisc(1024), {}, {}, WorkFolder() / "large-file.dat"};
        image::SilentSink sink;
        // Code-like bytes: every opcode, all instruction lengths.
        std::uint32_t seed = 1;
        auto bytes = [&](std::size_t n) {
            std::vector<std::uint8_t> data(n);
            for (auto& b : data)
                b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
            return data;
        };
        const auto store = [&](const char* name, const std::vector<std::uint8_t>& data) {
            image::DirEntry entry;
            entry.name = name;
            entry.W = entry.R = true;
            entry.load = 0x1900;
            entry.length = static_cast<std::uint32_t>(data.size());
            if (image::CreateFile(f.disc, image::kRoot, entry, data, sink).Refused())
                throw std::runtime_error("large file: the disc refused it");
            return image::ReadEntry(f.disc, image::kRoot, image::FindEntry(f.disc, image::kRoot, name));
        };
        f.small = store("SMALL", bytes(1024));
        f.big = store("BIG", bytes(f.disc.map.runs.front().Length * std::size_t{image::kSectorSize}));
        if (host::SaveImage(f.disc, f.imagePath, sink) == image::Status::Refused)
            throw std::runtime_error("large file: the image was not saved");
        return f;
    }();
    return file;
}

// --- dis_memory: peak resident set of `marlin dis` of the file that fills a
// 64 MB disc against the image's size (its text is some 1.6 GB).

double DisMemory(benchmark::State& state)
{
    const LargeFile& f = GetLargeFile();
    return PeakRatio(state, {MARLIN_BINARY, "dis", f.imagePath.string(), "BIG"}, "/dev/null", "image_MiB",
                     [&] { return static_cast<double>(f.disc.Size()); });
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

// The whole *EXALL listing of the root, as the tool writes it.
std::size_t ExAllSize(const image::Disc& disc)
{
    views::StringSink sink;
    views::WriteExAll(disc, image::kRoot, "$", sink);
    return sink.text.size();
}

double ScalingListings(benchmark::State& state)
{
    const Fixture& big = GetFixture(Shape::Full);
    const Fixture& small = GetFixture(Shape::Sixteenth);
    std::size_t sink = 0;
    const Timing t = MinOfPairs(
        Rounds(15), EvictCaches, [&] { sink += ExAllSize(big.disc); }, EvictCaches,
        [&] { sink += ExAllSize(small.disc); });
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

// --- compaction

void Compact(image::Disc& disc)
{
    image::SilentSink sink;
    if (image::CompactDisc(disc, sink) == image::Status::Refused)
        throw std::runtime_error("compaction refused the generated disc");
}

// A disc with bytes of its own: a plain copy shares them until its first
// write, which would put the copying inside the timed operation.
image::Disc OwnCopy(const image::Disc& disc)
{
    image::Disc copy(disc.Image());
    copy.map = disc.map;
    return copy;
}

double CompactTarget(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    image::Disc work;
    std::uint64_t free = 0;
    for (const image::MapRun& run : f.fragmented.map.runs)
        free += run.Length;
    const std::size_t used = f.fragmented.Size() - free * image::kSectorSize;
    std::vector<std::uint8_t> scratch;
    const Timing t = MinOfPairs(
        Rounds(9), [&] { work = OwnCopy(f.fragmented); }, [&] { Compact(work); },
        [&] { scratch = f.fragmented.Image(); },
        [&] {
            // Every used byte moved down by one sector, in one call.
            std::memmove(scratch.data(), scratch.data() + image::kSectorSize, used);
            benchmark::ClobberMemory();
        });
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    state.counters["used_MiB"] = static_cast<double>(used) / (1024.0 * 1024.0);
    return ratio;
}

double ScalingCompact(benchmark::State& state)
{
    const Fixture& big = GetFixture(Shape::Full);
    const Fixture& small = GetFixture(Shape::Sixteenth);
    image::Disc work;
    // Both start from memory the cache does not hold: the small disc's
    // objects would otherwise move within the cache, the large one's cannot,
    // and the ratio would measure the cache rather than the cost per entry.
    std::vector<std::uint8_t> evict(std::size_t{128} << 20);
    auto coldCopy = [&](const image::Disc& disc) {
        work = OwnCopy(disc);
        std::fill(evict.begin(), evict.end(), static_cast<std::uint8_t>(evict[0] + 1));
        benchmark::ClobberMemory();
    };
    const Timing t = MinOfPairs(
        Rounds(9), [&] { coldCopy(big.fragmented); }, [&] { Compact(work); }, [&] { coldCopy(small.fragmented); },
        [&] { Compact(work); });
    return PerEntryRatio(state, t, big.fragmentedCounts.entries(), small.fragmentedCounts.entries());
}

// --- undo: a step recorded as the window records it, taken back and done again.

// Work on a disc of its own, recorded as one step.
image::Change Recorded(image::Disc& disc, const std::function<void(image::Disc&)>& work)
{
    image::ChangeRecorder recorder(disc);
    work(disc);
    return recorder.Finish();
}

// Undo then redo of the compaction against the compaction.
double UndoCompact(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    image::Disc work;
    image::Change step;
    const Timing t = MinOfPairs(
        Rounds(7), [&] { step = Recorded(work = OwnCopy(f.fragmented), Compact); },
        [&] {
            step.Swap(work);
            step.Swap(work);
        },
        [&] { work = OwnCopy(f.fragmented); }, [&] { step = Recorded(work, Compact); });
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

// The bytes the compaction's step holds against the bytes it changed.
double UndoCompactMemory(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    image::Disc work = OwnCopy(f.fragmented);
    const image::Change step = Recorded(work, Compact);
    const auto& before = f.fragmented.Image();
    const auto& after = work.Image();
    std::size_t changed = 0;
    for (std::size_t i = 0; i < before.size(); ++i)
        changed += before[i] != after[i];
    const double ratio = static_cast<double>(step.HeldBytes()) / static_cast<double>(changed);
    state.SetIterationTime(0);
    state.counters["held_MiB"] = static_cast<double>(step.HeldBytes()) / (1024.0 * 1024.0);
    state.counters["changed_MiB"] = static_cast<double>(changed) / (1024.0 * 1024.0);
    state.counters["ratio"] = ratio;
    return ratio;
}

// Undo of a delete (the first directory in the root, with everything in it) against the delete.
double UndoDelete(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    image::DirEntry target;
    for (const image::ListedEntry& listed : image::ListEntries(f.disc, image::kRoot)) {
        if (listed.entry.D) {
            target = listed.entry;
            break;
        }
    }
    auto remove = [&](image::Disc& disc) {
        image::SilentSink sink;
        if (image::DeleteDirectory(disc, image::kRoot, target.start, target.name, true, true, sink) !=
            image::Status::Done)
            throw std::runtime_error("the generated disc refused the delete");
    };
    image::Disc work;
    image::Change step;
    const Timing t = MinOfPairs(
        Rounds(9), [&] { step = Recorded(work = OwnCopy(f.disc), remove); }, [&] { step.Swap(work); },
        [&] { work = OwnCopy(f.disc); }, [&] { step = Recorded(work, remove); });
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

// --- host exchange: the exported tree of a disc, made once per run.

const fs::path& ExportedTree(Shape shape)
{
    static std::map<Shape, fs::path> trees;
    auto& path = trees[shape];
    if (path.empty()) {
        const Fixture& f = GetFixture(shape);
        const fs::path target = WorkFolder() / ("tree-" + std::to_string(static_cast<int>(shape)));
        RemoveTree(target);
        image::SilentSink sink;
        if (host::ExportFiles(f.disc, target, image::kRoot, sink) != image::Status::Done)
            throw std::runtime_error("the generated disc did not export");
        path = target;
    }
    return path;
}

// Imports every item of an exported tree into the root of a blank 64 MB disc,
// as a drop of all of them would.
void ImportTree(image::Disc& blank, const fs::path& tree)
{
    std::vector<fs::path> items;
    for (const auto& item : fs::directory_iterator(tree))
        items.push_back(item.path());
    std::sort(items.begin(), items.end());
    image::SilentSink sink;
    for (const fs::path& item : items)
        if (host::ImportHostFile(blank, image::kRoot, item, sink) != image::Status::Done)
            throw std::runtime_error("import: the exported tree did not import");
}

double ExAll(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path& tree = ExportedTree(Shape::Full);
    std::size_t sink = 0;
    const Timing t = MinOfPairs(
        Rounds(3), {}, [&] { sink += ExAllSize(f.disc); }, {},
        [&] {
            if (RunProcess({"ls", "-lR", tree.string()}) != 0)
                throw std::runtime_error("exall: ls failed");
        });
    benchmark::DoNotOptimize(sink);
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

double Export(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path& tree = ExportedTree(Shape::Full);
    const fs::path mine = WorkFolder() / "export-out";
    const fs::path theirs = WorkFolder() / "export-ref";
    image::SilentSink sink;
    const Timing t = MinOfPairs(
        Rounds(2), [&] { RemoveTree(mine); },
        [&] {
            if (host::ExportFiles(f.disc, mine, image::kRoot, sink) != image::Status::Done)
                throw std::runtime_error("export failed");
        },
        [&] { RemoveTree(theirs); },
        [&] {
            if (RunProcess({"cp", "-r", tree.string(), theirs.string()}) != 0)
                throw std::runtime_error("export: cp failed");
        });
    RemoveTree(mine);
    RemoveTree(theirs);
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

double Import(benchmark::State& state)
{
    const Fixture& f = GetFixture(Shape::Full);
    const fs::path& tree = ExportedTree(Shape::Full);
    const fs::path theirs = WorkFolder() / "import-ref";
    image::Disc blank;
    const Timing t = MinOfPairs(
        Rounds(2), [&] { blank = image::NewDisc(1024); }, [&] { ImportTree(blank, tree); }, [&] { RemoveTree(theirs); },
        [&] {
            if (RunProcess({"cp", "-r", tree.string(), theirs.string()}) != 0)
                throw std::runtime_error("import: cp failed");
        });
    RemoveTree(theirs);
    if (CountEntries(blank).entries() != f.counts.entries())
        throw std::runtime_error("import: entries went missing");
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}

double ScalingImport(benchmark::State& state)
{
    const Fixture& big = GetFixture(Shape::Full);
    const Fixture& small = GetFixture(Shape::Sixteenth);
    const fs::path& bigTree = ExportedTree(Shape::Full);
    const fs::path& smallTree = ExportedTree(Shape::Sixteenth);
    image::Disc blank;
    const Timing t = MinOfPairs(
        Rounds(2), [&] { blank = image::NewDisc(1024); }, [&] { ImportTree(blank, bigTree); },
        [&] { blank = image::NewDisc(1024); }, [&] { ImportTree(blank, smallTree); });
    return PerEntryRatio(state, t, big.counts.entries(), small.counts.entries());
}

#ifdef MARLIN_BENCH_WINDOW
// --- rebuild: the explorer window (offscreen) on the full disc against a
// quarter of its directories, per directory.

void EnsureApplication()
{
    static int argc = 1;
    static char name[] = "marlin_bench";
    static char* argv[] = {name, nullptr};
    // Never destroyed: Qt's own statics may go first at exit, and a crash
    // there would lose the buffered summary.
    static auto* app = new QApplication(argc, argv);
    (void)app;
}

double Rebuild(benchmark::State& state)
{
    EnsureApplication();
    const Fixture& full = GetFixture(Shape::Full);
    const Fixture& quarter = GetFixture(Shape::Quarter);
    explorer::frmMain window;
    window.show();
    auto refresh = [&] {
        window.RebuildTree();
        window.GetRootTitles();
    };
    const Timing t = MinOfPairs(
        Rounds(5), [&] { window.ShowDisc(full.disc, QStringLiteral("full.dat")); }, refresh,
        [&] { window.ShowDisc(quarter.disc, QStringLiteral("quarter.dat")); }, refresh);
    window.close();
    const double ratio = (t.op / full.counts.directories) / (t.ref / quarter.counts.directories);
    Report(state, t, ratio);
    state.counters["dirs_full"] = full.counts.directories;
    state.counters["dirs_quarter"] = quarter.counts.directories;
    return ratio;
}

// --- view_open: a view window disassembling the file that fills a 64 MB disc
// against one of a 1 KB file, until its first lines are painted.

double ViewOpen(benchmark::State& state)
{
    EnsureApplication();
    const LargeFile& f = GetLargeFile();
    explorer::WidgetPrompts prompts;
    std::unique_ptr<explorer::frmView> view;
    auto open = [&](const image::DirEntry& entry) {
        return [&view, &f, &prompts, entry] {
            view = std::make_unique<explorer::frmView>(prompts);
            view->ViewMode = views::ViewMode::Dis;
            view->ShowFile(f.disc, {entry, {}});
            view->show();
            view->repaint();
        };
    };
    auto close = [&] {
        view.reset();
        QCoreApplication::processEvents();
    };
    const Timing t = MinOfPairs(Rounds(9), close, open(f.big), close, open(f.small));
    close();
    const double ratio = t.op / t.ref;
    Report(state, t, ratio);
    return ratio;
}
#endif

#ifndef MARLIN_BENCH_WINDOW
double NoWindow(benchmark::State&)
{
    throw std::runtime_error("The explorer window is not in this build");
}
#endif

std::vector<Target>& Targets()
{
    static std::vector<Target> targets = {
        {"open_save", 1.3, OpenSave},
        {"compact", 2.0, CompactTarget},
        {"exall", 1.0, ExAll},
        {"export", 1.5, Export},
        {"import", 1.5, Import},
#ifdef MARLIN_BENCH_WINDOW
        {"rebuild", 1.3, Rebuild},
        {"view_open", 2.0, ViewOpen},
#else
        {"rebuild", 1.3, NoWindow},
        {"view_open", 2.0, NoWindow},
#endif
        {"memory", 1.5, Memory},
        {"dis_memory", 1.2, DisMemory},
        {"scaling_listings", 1.3, ScalingListings},
        {"scaling_tree", 1.3, ScalingTree},
        {"scaling_import", 1.3, ScalingImport},
        {"scaling_compact", 1.3, ScalingCompact},
        {"undo_compact", 1.0, UndoCompact},
        {"undo_compact_memory", 1.1, UndoCompactMemory},
        {"undo_delete", 1.5, UndoDelete},
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
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}
