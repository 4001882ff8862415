// Sidecar reading on arbitrary text: the line parsers, the file readers (the
// bytes written to a scratch sidecar) and the host-name conversions. The
// properties asserted hold for every sidecar the import may meet.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz_disc.h"
#include "host/host_names.h"
#include "host/inf_file.h"

namespace {

// One scratch sidecar per process, removed at exit.
struct Scratch {
    std::filesystem::path folder;
    Scratch()
    {
        folder = std::filesystem::temp_directory_path() / ("marlin-fuzz-inf-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace marlin;
    static Scratch scratch;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const auto line = host::ParseInfLine(text);
    if (line) {
        MARLIN_FUZZ_ASSERT(line->name.size() <= 10);
        (void)host::FieldValue(line->load);
        (void)host::FieldValue(line->exec);
        (void)host::FieldValue(line->length);
        (void)host::BitsFromAttributes(line->attributes);
    }
    if (const auto folder = host::ParseFolderLine(text))
        MARLIN_FUZZ_ASSERT(folder->size() <= 10);

    // An image name made from any host name fits an entry.
    const std::string imageName = host::ImageNameFromHost(text.substr(0, 64));
    MARLIN_FUZZ_ASSERT(imageName.size() <= 10);
    (void)host::SafeHostName(text.substr(0, 64));

    const auto sidecar = scratch.folder / "X.INF";
    {
        std::ofstream out(sidecar, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const auto fromFile = host::ParseFileInf(sidecar);
    const auto folderFromFile = host::ParseFolderInf(sidecar);
    // The readers look at the first line only: a text without CR or LF reads
    // the same from a file as from memory.
    if (text.find_first_of("\r\n") == std::string_view::npos) {
        MARLIN_FUZZ_ASSERT(fromFile == line);
    }
    (void)folderFromFile;
    return 0;
}
