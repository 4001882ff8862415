#pragma once
// The names a file carries across the border: the host name an image entry
// is written under, and the image name a host file is read in as.

#include <string>
#include <string_view>

#include "host/platform.h"
#include "image/disc.h"

namespace marlin::host {

// The host file name for an image name: "/" becomes "_", and "_" is appended
// to a name equal (any case) to CON, PRN, LPT or COM, tested in that order.
// A name the host cannot hold as a plain file name, or that would name another
// place ("." "..", empty, control characters), is made safe: each such
// character becomes "_", and a name of only dots gets a leading "_".
// On Windows the result then meets WindowsHostName too.
[[nodiscard]] std::string SafeHostName(std::string_view imageName, bool forWindows = kWindowsHost);

// A host name made fit for Windows, which refuses \ : * ? " < > |, trailing
// dots and blanks, and the device names CON, PRN, AUX, NUL, COM1-COM9 and
// LPT1-LPT9 in any case, with or without an extension or blanks after them:
// each such character becomes "_", and a device name gets "_" after it
// ("nul.txt" becomes "nul_.txt").
[[nodiscard]] std::string WindowsHostName(std::string_view hostName);

// The image name (at most 10 characters) for a candidate: a sidecar's name or a
// host file's own name with its outer blanks already removed. Cut to 10, cut at
// a "." from position 3, blanks become "_", a leading "$." is dropped and any
// other "." in position 2 becomes "_". NUL and bytes from 128 on become "_":
// bit 7 of a name byte is an attribute and a leading NUL would end the list.
[[nodiscard]] std::string ImageNameFromHost(std::string_view candidate);

// A host file or folder name made fit for an image name before any other
// step: every character outside 32..126 becomes "_".
[[nodiscard]] std::string PrintableHostName(std::string_view hostName);

// The name with leading and trailing blanks removed.
[[nodiscard]] std::string TrimBlanks(std::string_view text);

} // namespace marlin::host
