#pragma once
// Operations that change single entries and directories in place. Each
// reports a refusal through the sink and leaves the image unchanged.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "image/directory.h"
#include "image/disc.h"
#include "image/messages.h"

namespace marlin::image {

// Creates an empty directory called name (cut to 10 characters) in parent.
// Returns its first sector; refused with NotEnoughSpace, DirectoryFull or
// DirectoryAlreadyExists. The name's characters are not tested. A parent
// whose block does not lie inside the image is refused as full.
[[nodiscard]] Result<SectorAddress> CreateDirectory(Disc& disc, SectorAddress parent, std::string_view name,
                                                    MessageSink& sink);

// Stores a new file in dir: the entry (its name cut to 10 characters, its
// attributes, addresses and length as given; start and sequence number set
// here) in name order, and data in the first free run that holds it inside
// the image (max(size, 1) bytes), the run zeroed, filled and claimed. Returns
// the start sector; refused with NotEnoughSpace, DirectoryFull or
// FileAlreadyExists, changing nothing, with the reason in the result.
[[nodiscard]] Result<SectorAddress> CreateFile(Disc& disc, SectorAddress dir, DirEntry entry,
                                               std::span<const std::uint8_t> data, MessageSink& sink);

// The characters a rename accepts in an entry name, and a title accepts.
[[nodiscard]] bool IsLegalEntryName(std::string_view name);
[[nodiscard]] bool IsLegalTitle(std::string_view title);

// Renames oldName in dir to the first 10 characters of newName, moving the
// entry to its sorted place. Refused with RenameLockedDirectory,
// RenameLockedFile, NameAlreadyExists or IllegalFileName, and (saying
// nothing) when oldName is not there.
Status RenameEntry(Disc& disc, std::string_view oldName, std::string_view newName, SectorAddress dir, bool ignoreLock,
                   MessageSink& sink);

// Sets R, W and L of the entry called name (the lock does not stop this).
// Refused, saying nothing, when there is no such entry.
Status SetAttributes(Disc& disc, SectorAddress dir, std::string_view name, bool r, bool w, bool l);

// Sets the load and execution addresses of the file called name in dir, those
// given, and raises the directory's sequence number. Refused with
// AddressesOfDirectory for a directory, FileNotFound when there is no such
// entry.
Status SetAddresses(Disc& disc, SectorAddress dir, std::string_view name, std::optional<std::uint32_t> load,
                    std::optional<std::uint32_t> exec, MessageSink& sink);

// Sets the title (first 19 characters). Refused with IllegalTitle.
Status SetDirectoryTitle(Disc& disc, SectorAddress dir, std::string_view title, MessageSink& sink);

// The boot option's names by value.
inline constexpr std::array<std::string_view, 4> kBootOptionNames = {"Off", "Load", "Run", "Exec"};

// Sets the boot option (0 off, 1 load, 2 run, 3 exec) and the map checksum.
void SetBootOption(Disc& disc, std::uint8_t option);

} // namespace marlin::image
