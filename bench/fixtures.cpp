#include "fixtures.h"

#include <map>
#include <memory>
#include <stdexcept>

#include "harness.h"
#include "host/host_files.h"
#include "image/image_file.h"

namespace marlin::bench {

namespace {

int Leaves(Shape shape)
{
    switch (shape) {
    case Shape::Full:
        return kAllLeaves;
    case Shape::Quarter:
        return kAllLeaves / 4;
    case Shape::Sixteenth:
        return kAllLeaves / 16;
    }
    return kAllLeaves;
}

const char* FileStem(Shape shape)
{
    switch (shape) {
    case Shape::Full:
        return "full";
    case Shape::Quarter:
        return "quarter";
    case Shape::Sixteenth:
        return "sixteenth";
    }
    return "disc";
}

std::unique_ptr<Fixture> Build(Shape shape)
{
    auto f = std::make_unique<Fixture>();
    f->disc = GenerateDisc(Leaves(shape));
    f->fragmented = f->disc;
    FragmentDisc(f->fragmented);
    f->counts = CountEntries(f->disc);
    f->fragmentedCounts = CountEntries(f->fragmented);
    f->imagePath = WorkFolder() / (std::string(FileStem(shape)) + ".dat");
    f->fragmentedImagePath = WorkFolder() / (std::string(FileStem(shape)) + "-fragmented.dat");
    image::SilentSink sink;
    if (host::SaveImage(f->disc, f->imagePath, sink) == image::Status::Refused ||
        host::SaveImage(f->fragmented, f->fragmentedImagePath, sink) == image::Status::Refused)
        throw std::runtime_error("cannot write the generated images");
    return f;
}

} // namespace

const Fixture& GetFixture(Shape shape)
{
    static std::map<Shape, std::unique_ptr<Fixture>> built;
    auto& slot = built[shape];
    if (!slot)
        slot = Build(shape);
    return *slot;
}

} // namespace marlin::bench
