#pragma once

#include <cstddef>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

namespace platform {

// The deepest nesting of arrays and objects a JSON text read from outside may have. Reading,
// copying and writing a value recurse once per level, and even a refused text costs time per
// level, so a deeper text is refused before it is parsed. The desktop's interfaces take two
// levels per view; the files and answers the programs read take a handful.
inline constexpr std::size_t maximumJsonDepth = 128;

// `text` read as JSON; discarded (is_discarded()) when it is not JSON or nests deeper than
// maximumJsonDepth. Never throws.
nlohmann::json parseJson(std::string_view text);

}  // namespace platform
