// The disassembler on arbitrary bytes from any load address, whole or cut
// short by the image's end.
#include "fuzz_disc.h"
#include "view_input.h"
#include "views/disassembler.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    auto in = fuzz::ViewInputFrom(data, size);
    if (!in)
        return 0;
    const views::View view = views::ShowDis(in->disc, in->item);
    const std::string text = views::TextOf(*view.lines);
    MARLIN_FUZZ_ASSERT(view.title == "Disassemble File - FILE");
    // One line per instruction, each of bounded width.
    MARLIN_FUZZ_ASSERT(text.size() <= 128 + 96 * (in->disc.Size() - in->item.sector * image::kSectorSize));
    return 0;
}
