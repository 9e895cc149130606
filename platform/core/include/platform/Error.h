#pragma once

#include <expected>
#include <filesystem>
#include <string>

namespace platform {

// An error the programs can show: where it comes from, a code and a sentence for the user.
struct Error {
  std::string domain;
  int code = 0;
  std::string localizedDescription;

  friend bool operator==(const Error&, const Error&) = default;
};

// The result of an operation that can fail.
template <typename T>
using Result = std::expected<T, Error>;

// Domains of the errors the platform itself makes. The programs use their own names as domains.
namespace errorDomain {
inline constexpr const char* file = "FileErrorDomain";
inline constexpr const char* process = "ProcessErrorDomain";
inline constexpr const char* url = "URLErrorDomain";
inline constexpr const char* desktop = "EmulatedDesktopErrorDomain";
}  // namespace errorDomain

// What was being done to a file when it failed; chooses the wording of the description.
enum class FileOperation { read, write, create, copy, replace, remove };

// A file-system error from an errno value, described in a sentence that names the item by its last
// part, for example "“notes.txt” couldn’t be removed because you don’t have permission to access
// it." EXDEV says that the item is on another volume.
Error fileError(FileOperation operation, const std::filesystem::path& item, int errorNumber);

// The same, naming the item exactly as `shownName` says, for an item deep inside the tree of one
// operation: "“Ferrolin.app/Contents/MacOS” couldn’t be copied because ..."
Error fileErrorNamed(FileOperation operation, const std::string& shownName, int errorNumber);

}  // namespace platform
