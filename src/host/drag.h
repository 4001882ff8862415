#pragma once
// Drag out: the dragged entries are exported at once into a fresh temporary
// folder, and the drag hands the host the list of those paths. The window
// only wraps that list into its drag; everything on disc happens here.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "host/export.h"
#include "host/platform.h"
#include "image/disc.h"
#include "image/messages.h"
#include "image/progress.h"

namespace marlin::host {

// Where drags are staged. Lives in the user's own cache location, never in a
// folder that other users can write.
struct DragState {
    std::filesystem::path tempBase;              // <cache>/marlin_temp, holding temp_0, temp_1, ...
    std::filesystem::path logPath;               // <cache>/drag.log
    std::uint16_t TempCounter = 0;               // next number TempRoot tries
    std::vector<std::filesystem::path> DragList; // paths handed out by the last drag
};

// A state for the user's cache location (UserCacheLocation; paths empty when
// there is none).
[[nodiscard]] DragState NewDragState();

// tempBase/temp_<TempCounter>, advancing the counter past every name that
// already exists. Nothing when every number is taken.
[[nodiscard]] std::optional<std::filesystem::path> TempRoot(DragState& state);

// Deletes a host folder with everything in it. A link is removed, never
// followed; hidden items (names starting with ".") are left, and so is a folder
// that still holds something; failures are ignored. At most 1000 items are
// taken from each folder; progress runs once per item.
void DeleteHostTree(const std::filesystem::path& path, const image::Progress& progress = {});

// At window creation: the temporary root left by an earlier run goes, and
// numbering starts again at 0.
void ClearDragFolder(DragState& state);

// Drag of selected list items: each item goes into a new temporary folder
// (data file or folder, then its sidecar ending with a blank). Returns the
// paths in that order, also kept in state.DragList and written to the drag
// log (CR LF lines; empty when nothing was selected). Refused when the host
// refused ("Cannot Export : " + path shown).
[[nodiscard]] image::Result<std::vector<std::filesystem::path>> StageListDrag(const image::Disc& disc, DragState& state,
                                                                              std::span<const image::DirEntry> selected,
                                                                              image::MessageSink& sink,
                                                                              const image::Progress& progress = {});

// Drag of the tree's current directory: the root drags every root entry as a
// list drag would; any other directory becomes one folder named after the
// node's text (no sidecar of its own) holding its whole tree.
[[nodiscard]] image::Result<std::vector<std::filesystem::path>>
StageTreeDrag(const image::Disc& disc, DragState& state, image::SectorAddress dir, std::string_view nodeText,
              image::MessageSink& sink, const image::Progress& progress = {});

} // namespace marlin::host
