#pragma once

#include <filesystem>

#include <nlohmann/json_fwd.hpp>

#include "platform/Error.h"

namespace platform {

// Reads an XML or binary property list file into JSON: dictionaries become objects, arrays arrays,
// and strings, booleans, integers and reals keep their kind. A date becomes a UTC string in the XML
// form ("2024-05-01T12:00:00Z") and data becomes its base64 text, as the XML form writes them.
// An unreadable file gives the file error for reading; a file that is not a property list gives
// an errorDomain::file error with code 259. Safe to call from any thread.
Result<nlohmann::json> readPropertyList(const std::filesystem::path& file);

}  // namespace platform
