#pragma once

#include <string>

#include <nlohmann/json_fwd.hpp>

#include "CtlCommand.h"

namespace desktop {

// The result of a daemon request as desktopctl prints it: readable text, one line per entry, or
// with `json` one JSON document. Parts of the result of an unexpected shape are left out or shown
// as "-"; formatting never throws.
std::string formatResult(CtlOutput output, const nlohmann::json& result, bool json);

}  // namespace desktop
