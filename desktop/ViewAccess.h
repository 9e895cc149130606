#pragma once

#include <string>
#include <string_view>

#include "platform/Error.h"

namespace desktop {

// Who may use desktopctl view's server: a request that carries its token, comes from 127.0.0.1 and
// names the server by its own address in its Host header, so that a page of another site that
// reaches the port through a name resolving to 127.0.0.1 is refused even with the token.
class ViewAccess {
 public:
  // 128 random bits from the system's random source, as 32 hexadecimal digits.
  static platform::Result<std::string> makeToken();

  ViewAccess(std::string token, int port);

  // The token is compared in constant time.
  [[nodiscard]] bool allows(std::string_view remoteAddress, std::string_view host,
                            std::string_view token) const;

 private:
  std::string token_;
  std::string numericHost_;  // "127.0.0.1:PORT"
  std::string namedHost_;    // "localhost:PORT"
};

}  // namespace desktop
