// Recursive deletion of the root of arbitrary images, on a copy, with both
// delete options on. It must stay inside the image and end; on a sound image
// it must either be refused for a full map or leave an empty, sound root with
// all space in one free run.
#include "fuzz_disc.h"
#include "image/deletion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto original = fuzz::DiscFromInput(data, size);
    if (!original)
        return 0;
    const bool sound = image::Check(*original).empty();
    image::Disc disc = *original;
    image::CollectingSink sink;
    const bool refused =
        image::DeleteDirectory(disc, std::nullopt, image::kRoot, "$", true, true, sink) == image::Status::Refused;
    MARLIN_FUZZ_ASSERT(disc.Size() == original->Size());
    if (!sound)
        return 0;
    if (refused) {
        MARLIN_FUZZ_ASSERT(sink.messages == std::vector<std::string>{"Free Space Map Full"});
        return 0;
    }
    MARLIN_FUZZ_ASSERT(sink.messages.empty());
    MARLIN_FUZZ_ASSERT(image::EntryCount(disc, image::kRoot) == 0);
    MARLIN_FUZZ_ASSERT(image::Check(disc).empty());
    MARLIN_FUZZ_ASSERT(disc.map.Count() == 1 && disc.map.runs[0].Start == image::kFirstDataSector);
    return 0;
}
