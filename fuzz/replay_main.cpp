// Runs a fuzz target's LLVMFuzzerTestOneInput once on every file named on the
// command line (folders: every file in them, in name order), so the kept
// corpora replay as regression tests with any compiler and no fuzzing engine.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace fs = std::filesystem;

int main(int argc, char** argv)
{
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const fs::path arg = argv[i];
        std::error_code ec;
        if (fs::is_directory(arg, ec)) {
            for (const auto& item : fs::directory_iterator(arg, ec))
                if (item.is_regular_file())
                    inputs.push_back(item.path());
        } else if (fs::is_regular_file(arg, ec)) {
            inputs.push_back(arg);
        } else {
            std::fprintf(stderr, "No such input: %s\n", argv[i]);
            return 2;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    for (const fs::path& path : inputs) {
        std::ifstream in(path, std::ios::binary);
        const std::vector<char> raw{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
        // A copy of exactly the input's length, so ASan sees reads past it.
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("Replayed %zu inputs\n", inputs.size());
    return inputs.empty() ? 1 : 0;
}
