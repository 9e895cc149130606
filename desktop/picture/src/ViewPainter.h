#pragma once

#include "Canvas.h"
#include "platform/InterfaceRecords.h"

namespace desktop {

// Draws a view and its subviews with the context's origin at the top left of the view's
// superview, which is `superviewHeight` points high (frames count y upwards from the bottom).
// Hidden views are not drawn, nor anything in them.
void drawView(const Canvas& canvas, const platform::ViewRecord& view, double superviewHeight);

// A push button's bezel and title in `rect`, as views and alerts draw it; the default button (the
// one Return presses) is filled with the accent colour.
void drawPushButton(const Canvas& canvas, const platform::Rect& rect, const std::string& title,
                    const platform::Font& font, bool isDefault, bool enabled, double radius);

}  // namespace desktop
