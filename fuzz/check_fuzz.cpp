// Check on arbitrary images: it must finish, stay inside the image, keep its
// report bounded and never change the disc.
#include "fuzz_disc.h"
#include "image/check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto disc = fuzz::DiscFromInput(data, size);
    if (!disc)
        return 0;
    const std::vector<std::uint8_t> before = disc->Image();
    const image::FreeSpaceMap mapBefore = disc->map;
    const auto problems = image::Check(*disc);
    MARLIN_FUZZ_ASSERT(problems.size() <= image::kMaxCheckLines + 1);
    MARLIN_FUZZ_ASSERT(disc->Image() == before && disc->map == mapBefore);
    const std::string report = image::CheckReport(problems);
    MARLIN_FUZZ_ASSERT(!report.empty() && report.back() == '\r');
    return 0;
}
