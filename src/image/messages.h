#pragma once
// Refusals are values: a code plus the names it speaks of. One function gives
// the exact text the user sees; the caller's sink decides how it is shown
// (a modal box in the window, a line on stderr in `marlin`, a record in a test).

#include <string>
#include <string_view>
#include <vector>

namespace marlin::image {

enum class RefusalCode {
    NotEnoughSpace,          // "Not Enough Free Contiguous Space on Disc"
    DirectoryFull,           // "Directory Full"
    DirectoryAlreadyExists,  // "Directory " + name + " Already Exists"
    FileAlreadyExists,       // "File " + name + " Already Exists"
    NameAlreadyExists,       // name + " Already Exists" (rename)
    RenameLockedDirectory,   // "Cannot Rename Locked Directory : " + name
    RenameLockedFile,        // "Cannot Rename Locked File : " + name
    IllegalFileName,         // "File " + name + " Contains Illegal Characters"
    IllegalTitle,            // "Title " + name + " Contains Illegal Characters"
    DeleteLockedDirectory,   // "Cannot Delete Locked Directory : " + name
    DeleteLockedFile,        // "Cannot Delete Locked File : " + name
    DeleteNonEmptyDirectory, // "Cannot Delete Non Empty Directory : " + name
    FreeSpaceMapFull,        // "Free Space Map Full"
    FileNotFound,            // "File Not Found : " + name
    NotAnImage,              // "This is not a Marlin disc image : " + name
    CannotSaveImage,         // "Cannot Save Disc Image : " + name [+ "\n" + detail]
    CannotReadHostFile,      // "Cannot Read Host File : " + name
    CannotExport,            // "Cannot Export : " + name [+ "\n" + detail]
    CannotCompact,           // "Cannot Compact Disc : " + detail + " " + name
    NotEnoughMemory,         // "Not Enough Memory"
    AddressesOfDirectory,    // "Cannot Set Addresses Of Directory : " + name
};

struct Refusal {
    RefusalCode code;
    std::string name;   // the object the message names (entry, path, title)
    std::string detail; // host reason or compaction reason; empty when none
    bool operator==(const Refusal&) const = default;
};

// The exact message text of a refusal.
[[nodiscard]] std::string MessageText(const Refusal& refusal);

// The reasons a refusal's detail gives in the program's own words (a host
// failure gives the host's description instead).
enum class Detail {
    CannotCreateIn, // "The file cannot be created in " + folder
    CannotWrite,    // "The file cannot be written"
    NotAFolder,     // "Something other than a folder has this name"
    NoCacheFolder,  // "No cache folder is known for this user"
    NoFolderNumber, // "Every folder number is in use"
    FolderExists,   // "The folder exists"
    NoSignature,    // "Directory Has No Signature :"
    ListsAncestor,  // "Directory Lists Itself Or An Ancestor :"
    SharedSectors,  // "Sectors Used Twice :"
    PastEnd,        // "Object Past End Of Disc :"
};
[[nodiscard]] std::string DetailText(Detail detail, std::string_view subject = {});

// Where refusals go as they happen.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void Show(const std::string& text) = 0;
    void Report(const Refusal& refusal) { Show(MessageText(refusal)); }
};

// Keeps every message in order; used by tests and by callers that only need
// to know whether anything was said.
class CollectingSink final : public MessageSink {
public:
    void Show(const std::string& text) override { messages.push_back(text); }
    std::vector<std::string> messages;
};

// Swallows messages (for callers that check the result instead).
class SilentSink final : public MessageSink {
public:
    void Show(const std::string&) override {}
};

} // namespace marlin::image
