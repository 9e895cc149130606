#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Bundle.h"
#include "platform/Label.h"
#include "platform/ScreensAndLanguages.h"
#include "platform/StackView.h"
#include "platform/View.h"

namespace suite {

// How one program draws its illustrated panels: the identifiers of the parts, the room between them
// and whether the headline and the hint wrap.
struct PanelStyle {
  std::string pictureIdentifier;
  std::string headlineIdentifier;
  std::string stepsIdentifier;
  std::string hintIdentifier;
  double spacing = 8;
  bool wrapsHeadlineAndHint = false;
};

// What one panel shows.
struct PanelContent {
  std::string imageName;       // the picture among the bundle's resources
  std::string fallbackSymbol;  // the system symbol shown when the bundle has no such picture
  std::string headline;
  std::vector<std::string> steps;  // shown numbered, one per line
  std::string missingPictureHint;  // shown only when the bundle has no such picture
  double height = 320;             // the panel's height, unless its texts need more
  double pictureHeight = 220;
};

// The accessory that illustrates an alert of the installer or the uninstaller, 520 points wide: the
// bundle's picture as aspect-filling layer contents at the main screen's scale (or the fallback
// symbol), the headline, the numbered steps, the rows the program adds, and the line that names a
// missing picture. A panel whose texts need more room than its height grows to hold them. Main
// thread only.
class IllustratedPanel {
 public:
  // `rows` go below the steps, in order.
  IllustratedPanel(const PanelStyle& style, const PanelContent& content,
                   const platform::Bundle& bundle, platform::ScreensAndLanguages& screens,
                   const std::vector<std::shared_ptr<platform::View>>& rows = {});

  std::shared_ptr<platform::View> view() const { return column_; }

  // The texts in another language.
  void setTexts(const std::string& headline, const std::vector<std::string>& steps,
                const std::string& missingPictureHint);

 private:
  std::shared_ptr<platform::StackView> column_;
  std::shared_ptr<platform::Label> headline_;
  std::shared_ptr<platform::Label> steps_;
  std::shared_ptr<platform::Label> hint_;
};

}  // namespace suite
