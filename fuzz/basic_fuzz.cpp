// The BASIC lister on arbitrary bytes, whole or cut short by the image's end.
#include "fuzz_disc.h"
#include "view_input.h"
#include "views/basic_lister.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto in = fuzz::ViewInputFrom(data, size);
    if (!in)
        return 0;
    const views::View view = views::ShowBasic(in->disc, in->item);
    const std::string text = views::TextOf(*view.lines);
    MARLIN_FUZZ_ASSERT(view.title == "View File - FILE");
    // Each file byte gives at most a keyword's text (8 characters) or a
    // line-number prefix: the listing stays in proportion to the file.
    MARLIN_FUZZ_ASSERT(text.size() <= 64 + 16 * (in->disc.Size() - in->item.sector * image::kSectorSize));
    return 0;
}
