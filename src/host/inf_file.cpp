#include "host/inf_file.h"

#include <fstream>
#include <system_error>

#include "host/host_files.h"
#include "host/host_names.h"
#include "image/hex.h"

namespace marlin::host {

namespace fs = std::filesystem;

namespace {

// Column c (counted from 1) of the line, or NUL past its end.
char Column(std::string_view line, std::size_t c)
{
    return c <= line.size() ? line[c - 1] : '\0';
}

// Columns from..from+count-1, shorter when the line ends first.
std::string Columns(std::string_view line, std::size_t from, std::size_t count)
{
    if (from > line.size())
        return {};
    return std::string(line.substr(from - 1, count));
}

// A six-digit field widened by repeating its own first two digits.
std::string Widened(const std::string& field)
{
    return field.substr(0, 2) + field;
}

// The first line of a text file up to its first CR; nothing when the file is
// empty or cannot be read.
std::optional<std::string> FirstLine(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string line;
    if (!std::getline(in, line, '\r') && line.empty())
        return std::nullopt;
    return line;
}

} // namespace

fs::path InfPath(const fs::path& path)
{
    fs::path p = path;
    p += ".INF";
    return p;
}

bool IsInfPath(const fs::path& path)
{
    const std::string s = path.string();
    return s.size() >= 4 && s.compare(s.size() - 4, 4, ".INF") == 0;
}

std::string FileInfLine(const InfFields& f, bool trailingBlank)
{
    std::string name = f.name.substr(0, 10);
    name.resize(10, ' ');
    std::string line = name + ' ' + f.load + ' ' + f.exec + ' ' + f.length + ' ' + f.attributes;
    if (trailingBlank)
        line += ' ';
    return line;
}

std::string DirectoryInfLine(std::string_view name, std::string_view attributes, bool trailingBlank)
{
    std::string padded(name.substr(0, 10));
    padded.resize(10, ' ');
    std::string line = padded + ' ' + std::string(attributes);
    if (trailingBlank)
        line += ' ';
    return line;
}

image::Status WriteInf(const fs::path& path, std::string_view line)
{
    std::ofstream out = CreateHostFile(InfPath(path));
    if (!out)
        return image::Status::Refused;
    out << line << "\r\n";
    out.close();
    return out.fail() ? image::Status::Refused : image::Status::Done;
}

std::optional<InfFields> ParseInfLine(std::string_view line)
{
    std::optional<InfFields> result;
    if (line.size() >= 30 && Column(line, 2) == '.' && Column(line, 11) == ' ' && Column(line, 18) == ' ' &&
        Column(line, 25) == ' ') {
        InfFields f;
        f.name = TrimBlanks(Columns(line, 1, 9));
        f.load = Widened(Columns(line, 12, 6));
        f.exec = Widened(Columns(line, 19, 6));
        f.length = Widened(Columns(line, 26, 6));
        f.attributes = "RW" + Columns(line, 33, 1);
        result = f;
    }
    if (line.size() >= 38 && Column(line, 11) == ' ' && Column(line, 20) == ' ' && Column(line, 29) == ' ' &&
        Column(line, 38) == ' ') {
        InfFields f;
        f.name = TrimBlanks(Columns(line, 1, 10));
        f.load = Columns(line, 12, 8);
        f.exec = Columns(line, 21, 8);
        f.length = Columns(line, 30, 8);
        f.attributes = Columns(line, 39, std::string_view::npos);
        result = f;
    }
    return result;
}

std::optional<InfFields> ParseFileInf(const fs::path& sidecar)
{
    const auto line = FirstLine(sidecar);
    if (!line)
        return std::nullopt;
    return ParseInfLine(*line);
}

std::optional<std::string> ParseFolderLine(std::string_view line)
{
    if (line.size() >= 10 && Column(line, 11) == ' ')
        return TrimBlanks(Columns(line, 1, 10));
    return std::nullopt;
}

std::optional<std::string> ParseFolderInf(const fs::path& sidecar)
{
    const auto line = FirstLine(sidecar);
    if (!line)
        return std::nullopt;
    return ParseFolderLine(*line);
}

std::uint32_t FieldValue(std::string_view field)
{
    std::uint32_t value = 0;
    for (std::size_t pair = 0; pair < 4; ++pair) {
        std::uint32_t b = 0;
        for (std::size_t k = 2 * pair; k < 2 * pair + 2 && k < field.size(); ++k) {
            const int d = image::HexDigitValue(field[k]);
            if (d < 0)
                break;
            b = b * 16 + static_cast<std::uint32_t>(d);
        }
        value = value << 8 | b;
    }
    return value;
}

AttributeBits BitsFromAttributes(std::string_view text)
{
    AttributeBits bits;
    bits.R = text.find('R') != std::string_view::npos;
    bits.W = text.find('W') != std::string_view::npos;
    bits.L = text.find('L') != std::string_view::npos;
    return bits;
}

} // namespace marlin::host
