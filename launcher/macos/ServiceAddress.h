#pragma once

#include <string>
#include <string_view>

namespace launcher {

// An address on the product's web service: the origin with every "/" removed from both of its
// ends, followed by `path` (which starts with "/"). No escaping is done.
std::string serviceAddress(std::string_view origin, std::string_view path);

}  // namespace launcher
