// Repair on arbitrary images: it must finish and stay inside the image; a
// repair that claims success leaves nothing for the checker; a second repair
// changes nothing; and no file's start, length or addresses move.
#include "fuzz_disc.h"
#include "image/find.h"
#include "image/repair.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto disc = fuzz::DiscFromInput(data, size);
    if (!disc)
        return 0;
    // Every entry by the directory that lists it: a block listed twice may
    // be reached along another path once its parent is sorted.
    auto entries = [&] {
        std::map<std::pair<std::uint32_t, std::string>, image::DirEntry> all;
        for (const image::FoundEntry& found : image::FindEntries(*disc, "*"))
            all.emplace(std::pair(found.listed.dir.Value(), found.listed.entry.name), found.listed.entry);
        return all;
    };
    const auto before = entries();
    const image::RepairReport report = image::Repair(*disc);
    if (report.notRepaired.empty())
        MARLIN_FUZZ_ASSERT(image::Check(*disc).empty());
    const image::RepairReport again = image::Repair(*disc);
    MARLIN_FUZZ_ASSERT(again.changes.empty());
    MARLIN_FUZZ_ASSERT(entries() == before);
    return 0;
}
