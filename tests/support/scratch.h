#pragma once
// A fresh host folder per test with a name of its own (test runs and
// checkouts side by side never share one), removed afterwards, and small
// file helpers.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace marlin::test {

class Scratch {
public:
    Scratch()
    {
        // create_directory makes a folder only where nothing was: a taken name is tried again.
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        std::error_code ec;
        for (int tries = 0; tries < 100 && m_path.empty(); ++tries)
            if (auto path = base / ("marlin_test_" + std::to_string(random()));
                std::filesystem::create_directory(path, ec))
                m_path = path;
        if (m_path.empty())
            ADD_FAILURE() << "cannot make a temporary folder in " << base;
    }
    ~Scratch()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::filesystem::path operator/(std::string_view name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

inline void WriteHostFile(const std::filesystem::path& path, std::string_view bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace marlin::test
