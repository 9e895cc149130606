#pragma once

#include <string_view>

#include "Canvas.h"
#include "platform/Geometry.h"

namespace desktop {

// A named system symbol's stand-in, drawn in `color` in the largest square that fits `rect`. A
// symbol the desktop has no drawing for is a rounded square with a question mark.
void drawSymbol(const Canvas& canvas, std::string_view name, const platform::Rect& rect,
                const Rgba& color);

// The icon of an alert of that style ("warning", "critical", "informational").
void drawAlertIcon(const Canvas& canvas, std::string_view style, const platform::Rect& rect);

// The icon a notification banner shows for its program.
void drawApplicationIcon(const Canvas& canvas, const platform::Rect& rect);

}  // namespace desktop
