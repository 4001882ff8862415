// Export of the whole of an arbitrary image into a sandbox folder, plainly and
// in salvage mode. Whatever the names and links of the image say, everything
// written must lie inside the export folder: nothing else may appear beside it
// or above it, and no symbolic link may be made.
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "fuzz_disc.h"
#include "host/export.h"
#include "image/directory.h"

namespace {

namespace fs = std::filesystem;

// The sandbox: root/box/out receives the export; root and box must hold
// nothing else afterwards. Removed at exit.
struct Sandbox {
    fs::path root;
    fs::path box;
    fs::path out;
    Sandbox()
    {
        root = fs::temp_directory_path() / ("marlin-fuzz-export-" + std::to_string(getpid()));
        box = root / "box";
        out = box / "out";
        fs::create_directories(box);
    }
    ~Sandbox()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    std::error_code ec;
    for (const auto& item : fs::directory_iterator(folder, ec))
        names.insert(item.path().filename().string());
    return names;
}

// One export in the mode given; the checks after it hold for both modes.
void ExportOnce(const marlin::image::Disc& disc, const Sandbox& sandbox, bool salvage)
{
    using namespace marlin;
    image::CollectingSink sink;
    host::Salvage log;
    (void)host::ExportFiles(disc, sandbox.out, image::kRoot, sink, {}, salvage ? &log : nullptr);
    MARLIN_FUZZ_ASSERT(Names(sandbox.root) == std::set<std::string>{"box"});
    const auto beside = Names(sandbox.box);
    MARLIN_FUZZ_ASSERT(beside.empty() || beside == std::set<std::string>{"out"});
    MARLIN_FUZZ_ASSERT(!salvage || Names(sandbox.out).contains(host::kSalvageLogName));
    std::error_code ec;
    std::size_t items = 0;
    for (auto it = fs::recursive_directory_iterator(sandbox.out, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        MARLIN_FUZZ_ASSERT(!it->is_symlink());
        // Salvage never lets one name replace another, in any case.
        if (salvage && it->is_directory()) {
            std::set<std::string> upper;
            for (const std::string& name : Names(it->path()))
                MARLIN_FUZZ_ASSERT(upper.insert(image::UpperName(name)).second);
        }
        ++items;
    }
    // Two host items (data and sidecar) per entry at most, entries bounded by
    // the image: export must not multiply shared directories without end.
    MARLIN_FUZZ_ASSERT(items <= 2 * image::dir::kSlots * (disc.SectorsInImage() / image::dir::kBlockSectors + 1) + 1);
    fs::remove_all(sandbox.out, ec);
}

} // namespace

// Both modes on every input, so each replay covers both.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Sandbox sandbox;
    const auto disc = marlin::fuzz::DiscFromInput(data, size);
    if (!disc)
        return 0;
    ExportOnce(*disc, sandbox, false);
    ExportOnce(*disc, sandbox, true);
    return 0;
}
