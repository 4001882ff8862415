#include "image/find.h"

#include <utility>

#include "image/walk_guard.h"

namespace marlin::image {

bool WildcardMatch(std::string_view pattern, std::string_view text)
{
    // Greedy with one point to go back to: the last "*" met takes one more
    // character whenever what follows it fails.
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    auto same = [&](char p, char t) { return p == '#' || upper(p) == upper(t); };
    std::size_t p = 0, t = 0, star = std::string_view::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (p < pattern.size() && same(pattern[p], text[t])) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

namespace {

struct FindWalk {
    const Disc& disc;
    std::string pattern;
    bool wholePath;
    const Progress& progress;
    WalkGuard guard;
    std::vector<FoundEntry> found;

    void Walk(SectorAddress dir, const std::string& path, int depth)
    {
        // A directory listed in several places (or by itself) is searched once.
        if (!IsDirectory(disc, dir) || !WalkGuard::DepthAllowed(depth + 1) || guard.Entered(dir))
            return;
        guard.Enter(dir);
        for (const ListedEntry& listed : ListEntries(disc, dir)) {
            Tick(progress);
            const std::string entryPath = path + "." + listed.entry.name;
            if (WildcardMatch(pattern, wholePath ? std::string_view(entryPath) : std::string_view(listed.entry.name)))
                found.push_back({entryPath, listed});
            if (listed.entry.D)
                Walk(listed.entry.start, entryPath, depth + 1);
        }
        guard.Leave(dir);
    }
};

} // namespace

std::vector<FoundEntry> FindEntries(const Disc& disc, std::string_view pattern, SectorAddress dir,
                                    const std::string& path, const Progress& progress)
{
    const bool wholePath = pattern.find('.') != std::string_view::npos;
    std::string full(pattern);
    if (wholePath && !full.starts_with('$'))
        full = "$." + full;
    FindWalk walk{disc, full, wholePath, progress, WalkGuard(disc), {}};
    walk.Walk(dir, path, 0);
    return std::move(walk.found);
}

} // namespace marlin::image
