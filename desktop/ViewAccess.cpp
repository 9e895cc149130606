#include "ViewAccess.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstddef>
#include <utility>

namespace desktop {
namespace {

constexpr std::size_t tokenBytes = 16;

bool equalInConstantTime(std::string_view expected, std::string_view given) {
  if (expected.size() != given.size()) {
    return false;
  }
  unsigned difference = 0;
  for (std::size_t index = 0; index < expected.size(); ++index) {
    difference |= static_cast<unsigned>(static_cast<unsigned char>(expected[index]) ^
                                        static_cast<unsigned char>(given[index]));
  }
  return difference == 0;
}

}  // namespace

platform::Result<std::string> ViewAccess::makeToken() {
  std::array<unsigned char, tokenBytes> bytes{};
  const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  std::size_t filled = 0;
  while (fd >= 0 && filled < bytes.size()) {
    const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
    if (got == 0 || (got < 0 && errno != EINTR)) {
      break;
    }
    filled += got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  const int readError = errno;
  if (fd >= 0) {
    ::close(fd);
  }
  if (filled < bytes.size()) {
    return std::unexpected(platform::Error{
        platform::errorDomain::process, readError,
        "The view's access token could not be made: the system's random source is unreadable."});
  }
  constexpr std::string_view digits = "0123456789abcdef";
  constexpr unsigned nibble = 4;
  constexpr unsigned lowNibble = 0x0F;
  std::string token;
  for (const unsigned char byte : bytes) {
    token += digits[byte >> nibble];
    token += digits[byte & lowNibble];
  }
  return token;
}

ViewAccess::ViewAccess(std::string token, int port)
    : token_(std::move(token)),
      numericHost_("127.0.0.1:" + std::to_string(port)),
      namedHost_("localhost:" + std::to_string(port)) {}

bool ViewAccess::allows(std::string_view remoteAddress, std::string_view host,
                        std::string_view token) const {
  const bool tokenMatches = equalInConstantTime(token_, token);
  return tokenMatches && remoteAddress == "127.0.0.1" &&
         (host == numericHost_ || host == namedHost_);
}

}  // namespace desktop
