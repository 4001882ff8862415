#include "image/messages.h"

namespace marlin::image {

std::string MessageText(const Refusal& r)
{
    switch (r.code) {
    case RefusalCode::NotEnoughSpace:
        return "Not Enough Free Contiguous Space on Disc";
    case RefusalCode::DirectoryFull:
        return "Directory Full";
    case RefusalCode::DirectoryAlreadyExists:
        return "Directory " + r.name + " Already Exists";
    case RefusalCode::FileAlreadyExists:
        return "File " + r.name + " Already Exists";
    case RefusalCode::NameAlreadyExists:
        return r.name + " Already Exists";
    case RefusalCode::RenameLockedDirectory:
        return "Cannot Rename Locked Directory : " + r.name;
    case RefusalCode::RenameLockedFile:
        return "Cannot Rename Locked File : " + r.name;
    case RefusalCode::IllegalFileName:
        return "File " + r.name + " Contains Illegal Characters";
    case RefusalCode::IllegalTitle:
        return "Title " + r.name + " Contains Illegal Characters";
    case RefusalCode::DeleteLockedDirectory:
        return "Cannot Delete Locked Directory : " + r.name;
    case RefusalCode::DeleteLockedFile:
        return "Cannot Delete Locked File : " + r.name;
    case RefusalCode::DeleteNonEmptyDirectory:
        return "Cannot Delete Non Empty Directory : " + r.name;
    case RefusalCode::FreeSpaceMapFull:
        return "Free Space Map Full";
    case RefusalCode::AddressesOfDirectory:
        return "Cannot Set Addresses Of Directory : " + r.name;
    case RefusalCode::FileNotFound:
        return "File Not Found : " + r.name;
    case RefusalCode::NotAnImage:
        return "This is not a Marlin disc image : " + r.name;
    case RefusalCode::CannotSaveImage:
        return "Cannot Save Disc Image : " + r.name + (r.detail.empty() ? "" : "\n" + r.detail);
    case RefusalCode::CannotReadHostFile:
        return "Cannot Read Host File : " + r.name;
    case RefusalCode::CannotExport:
        return "Cannot Export : " + r.name + (r.detail.empty() ? "" : "\n" + r.detail);
    case RefusalCode::CannotCompact:
        return "Cannot Compact Disc : " + r.detail + " " + r.name;
    case RefusalCode::NotEnoughMemory:
        return "Not Enough Memory";
    }
    return {};
}

std::string DetailText(Detail detail, std::string_view subject)
{
    switch (detail) {
    case Detail::CannotCreateIn:
        return "The file cannot be created in " + std::string(subject);
    case Detail::CannotWrite:
        return "The file cannot be written";
    case Detail::NotAFolder:
        return "Something other than a folder has this name";
    case Detail::NoCacheFolder:
        return "No cache folder is known for this user";
    case Detail::NoFolderNumber:
        return "Every folder number is in use";
    case Detail::FolderExists:
        return "The folder exists";
    case Detail::NoSignature:
        return "Directory Has No Signature :";
    case Detail::ListsAncestor:
        return "Directory Lists Itself Or An Ancestor :";
    case Detail::SharedSectors:
        return "Sectors Used Twice :";
    case Detail::PastEnd:
        return "Object Past End Of Disc :";
    }
    return {};
}

} // namespace marlin::image
