#include "views/check_view.h"

#include "image/check.h"

namespace marlin::views {

ViewText ShowCheck(const image::Disc& disc)
{
    return {"Check Disc", image::CheckReport(image::Check(disc)), "Check"};
}

} // namespace marlin::views
