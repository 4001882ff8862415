// Compaction of arbitrary images, on a copy. On any image it either refuses
// (nothing changed) or works inside the image; on a sound image it must leave
// a sound image with every file's bytes under the same path, and a second
// compaction must change nothing.
#include "fuzz_disc.h"
#include "image/compaction.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto original = fuzz::DiscFromInput(data, size);
    if (!original)
        return 0;
    const bool sound = image::Check(*original).empty();
    image::Disc disc = *original;
    image::CollectingSink sink;
    const bool refused = image::CompactDisc(disc, sink) == image::Status::Refused;
    MARLIN_FUZZ_ASSERT(disc.Size() == original->Size());
    if (refused) {
        MARLIN_FUZZ_ASSERT(disc.Image() == original->Image());
        MARLIN_FUZZ_ASSERT(!sink.messages.empty());
    }
    if (!sound)
        return 0;
    MARLIN_FUZZ_ASSERT(!refused);
    MARLIN_FUZZ_ASSERT(image::Check(disc).empty());
    std::map<std::string, std::vector<std::uint8_t>> before, after;
    fuzz::CollectFiles(*original, image::kRoot, "$", before);
    fuzz::CollectFiles(disc, image::kRoot, "$", after);
    MARLIN_FUZZ_ASSERT(before == after);
    const std::vector<std::uint8_t> once = disc.Image();
    MARLIN_FUZZ_ASSERT(image::CompactDisc(disc, sink) == image::Status::Done);
    MARLIN_FUZZ_ASSERT(disc.Image() == once);
    return 0;
}
