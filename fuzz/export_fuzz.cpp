// Export of the whole of an arbitrary image into a sandbox folder. Whatever
// the names and links of the image say, everything written must lie inside
// the export folder: nothing else may appear beside it or above it, and no
// symbolic link may be made.
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "fuzz_disc.h"
#include "host/export.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    static Sandbox sandbox;
    auto disc = fuzz::DiscFromInput(data, size);
    if (!disc)
        return 0;
    image::CollectingSink sink;
    (void)host::ExportFiles(*disc, sandbox.out, image::kRoot, sink);
    MARLIN_FUZZ_ASSERT(Names(sandbox.root) == std::set<std::string>{"box"});
    const auto beside = Names(sandbox.box);
    MARLIN_FUZZ_ASSERT(beside.empty() || beside == std::set<std::string>{"out"});
    std::error_code ec;
    std::size_t items = 0;
    for (auto it = fs::recursive_directory_iterator(sandbox.out, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        MARLIN_FUZZ_ASSERT(!it->is_symlink());
        ++items;
    }
    // Two host items (data and sidecar) per entry at most, entries bounded by
    // the image: export must not multiply shared directories without end.
    MARLIN_FUZZ_ASSERT(items <= 2 * image::dir::kSlots * (disc->SectorsInImage() / image::dir::kBlockSectors + 1));
    fs::remove_all(sandbox.out, ec);
    return 0;
}
