#include "platform/Error.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

namespace platform {
namespace {

std::string verbFor(FileOperation operation) {
  switch (operation) {
    case FileOperation::read:
      return "couldn’t be opened";
    case FileOperation::write:
      return "couldn’t be saved";
    case FileOperation::create:
      return "couldn’t be created";
    case FileOperation::copy:
      return "couldn’t be copied";
    case FileOperation::replace:
      return "couldn’t be replaced";
    case FileOperation::remove:
      return "couldn’t be removed";
  }
  return "couldn’t be used";
}

std::string reasonFor(int errorNumber) {
  switch (errorNumber) {
    case EACCES:
    case EPERM:
      return "because you don’t have permission to access it";
    case ENOENT:
      return "because there is no such file";
    case EEXIST:
      return "because an item with the same name already exists";
    case ENOSPC:
    case EDQUOT:
      return "because there isn’t enough space";
    case EROFS:
      return "because the volume is read only";
    case ENOTDIR:
      return "because a part of its path is not a folder";
    case EISDIR:
      return "because it is a folder";
    case ENOTEMPTY:
      return "because the folder is not empty";
    case ENAMETOOLONG:
      return "because its name is too long";
    case ELOOP:
      return "because its path has too many symbolic links";
    case EXDEV:
      return "because it is on another volume";
    default:
      return std::string("because of an error: ") + std::strerror(errorNumber);
  }
}

}  // namespace

Error fileError(FileOperation operation, const std::filesystem::path& item, int errorNumber) {
  return fileErrorNamed(
      operation, item.filename().empty() ? item.string() : item.filename().string(), errorNumber);
}

Error fileErrorNamed(FileOperation operation, const std::string& shownName, int errorNumber) {
  return Error{errorDomain::file, errorNumber,
               "“" + shownName + "” " + verbFor(operation) + " " + reasonFor(errorNumber) + "."};
}

}  // namespace platform
