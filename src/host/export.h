#pragma once
// Export of image entries into host folders, each with its ".INF" sidecar.
// Export only reads the image and never writes outside the folder it is given.

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "image/directory.h"
#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"
#include "image/result.h"

namespace marlin::host {

// Salvage mode, for a damaged disc: everything that can be read is written.
// A directory whose block lies outside the image, lacks its "Hugo" signature
// at the start, lists itself or an ancestor, was exported already in this
// run or is nested too deep is skipped with everything below it. A file
// reaching past the image's end is written up to that end (its sidecar as the
// disc has it). An entry whose host name, or its sidecar's, is taken (ignoring
// case) in its folder by an earlier one gets "~1", "~2"... after it; its
// sidecar keeps the disc's name. Each of these is one line of the log, handed
// to echo as it happens and written to salvage.log in the export folder at
// the end (an empty file when nothing was logged).
struct Salvage {
    std::string path = "$"; // the disc path of the directory exported, or of the one listing the items
    std::function<void(const std::string&)> echo{};
    std::vector<std::string> lines{}; // the log
    bool incomplete = false;          // something was skipped or shortened
};

// No entry's host name can be this: disc names hold at most 10 characters.
inline constexpr const char* kSalvageLogName = "salvage.log";

// Every export is refused when the host refuses a folder, file or sidecar:
// "Cannot Export : " + that host path goes to the sink and the export ends
// there, keeping what it had written.

// "Export Directory...", the whole disc from the root, and a drag of a
// directory: makes the folder path (one level) when nothing is there, then
// writes every entry of dir into it in slot order, a subdirectory's whole tree before the
// next entry: files hold exactly their bytes (those inside the image), and
// every sidecar line ends with the attribute letters. A directory block that
// is unsigned or already being exported further up is written as an empty
// folder. progress runs once per entry. With salvage, in salvage mode.
image::Status ExportFiles(const image::Disc& disc, const std::filesystem::path& path, image::SectorAddress dir,
                          image::MessageSink& sink, const image::Progress& progress = {}, Salvage* salvage = nullptr);

// "Export File...": the given entries (the list's selected items) into
// folder, a directory as a subfolder with its tree.
// These sidecar lines end with one blank after the letters. The host paths
// handed out (data file or folder, then its sidecar, per item) are appended
// to handedOut when it is given.
image::Status ExportListItems(const image::Disc& disc, const std::filesystem::path& folder,
                              std::span<const image::DirEntry> items, image::MessageSink& sink,
                              const image::Progress& progress = {},
                              std::vector<std::filesystem::path>* handedOut = nullptr, Salvage* salvage = nullptr);

} // namespace marlin::host
