#include "DesktopCtl.h"

// desktopctl in a build without pictures (FERROLIN_PICTURES off: no cairo and Pango to draw with).

namespace desktop {

int DesktopCtl::screenshot(const CtlCommand& /*command*/) {
  return failed({platform::errorDomain::desktop, 1,
                 "screenshot is not in this build: it was built without pictures (cairo and "
                 "Pango)."});
}

int DesktopCtl::view(const CtlCommand& /*command*/) {
  return failed({platform::errorDomain::desktop, 1,
                 "view is not in this build: it was built without pictures (cairo and Pango)."});
}

}  // namespace desktop
