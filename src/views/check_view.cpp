#include "views/check_view.h"

#include "image/check.h"

namespace marlin::views {

void WriteCheck(const image::Disc& disc, TextSink& sink)
{
    sink.Write(image::CheckReport(image::Check(disc)));
}

View ShowCheck(const image::Disc& disc)
{
    return {"Check Disc", "Check", std::make_unique<StringLines>(image::CheckReport(image::Check(disc)))};
}

} // namespace marlin::views
