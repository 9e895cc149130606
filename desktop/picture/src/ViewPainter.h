#pragma once

#include "Canvas.h"
#include "platform/InterfaceRecords.h"

namespace desktop {

// Draws a view and its subviews with the context's origin at the top left of the view's
// superview, which is `superviewHeight` points high (frames count y upwards from the bottom).
// Hidden views are not drawn, nor anything in them.
void drawView(const Canvas& canvas, const platform::ViewRecord& view, double superviewHeight);

// An image in `rect`: a picture file to cover it (aspect fill), a symbol in the label colour when
// it is a template and in the accent colour otherwise. A file that cannot be read shows as an
// empty frame.
void drawImage(const Canvas& canvas, const platform::ImageRecord& image,
               const platform::Rect& rect);

// A push button's bezel and title in `rect`, as views and alerts draw it; the default button (the
// one Return presses) is filled with the accent colour.
void drawPushButton(const Canvas& canvas, const platform::Rect& rect, const std::string& title,
                    const platform::Font& font, bool isDefault, bool enabled, double radius);

}  // namespace desktop
