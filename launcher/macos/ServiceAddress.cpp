#include "ServiceAddress.h"

namespace launcher {

std::string serviceAddress(std::string_view origin, std::string_view path) {
  const std::size_t first = origin.find_first_not_of('/');
  if (first == std::string_view::npos) {
    return std::string(path);
  }
  const std::size_t last = origin.find_last_not_of('/');
  std::string address(origin.substr(first, last - first + 1));
  address += path;
  return address;
}

}  // namespace launcher
