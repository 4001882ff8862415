#pragma once
// The generated discs every target shares, built once on first use and kept
// for the whole run, with their image files in the work folder.

#include <filesystem>

#include "disc_generator.h"
#include "image/disc.h"

namespace marlin::bench {

enum class Shape {
    Full,      // every leaf directory: the disc is nearly full
    Quarter,   // a quarter of the directories
    Sixteenth, // a sixteenth of the entries: the 1x of the scaling targets
};

struct Fixture {
    image::Disc disc;
    image::Disc fragmented; // the same disc with the map at its limit of runs
    DiscCounts counts;
    DiscCounts fragmentedCounts;
    std::filesystem::path imagePath;           // disc saved as an image file
    std::filesystem::path fragmentedImagePath; // fragmented saved as an image file
};

const Fixture& GetFixture(Shape shape);

} // namespace marlin::bench
