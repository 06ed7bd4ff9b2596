#pragma once

#include <QRect>

// Window positions and sizes are given in twips (1/1440 inch): 15 twips to
// the pixel at 96 dpi, scaled by the screen's logical dpi.
namespace Twips {

int toPixels(int twips);
int fromPixels(int pixels);
QRect rect(int left, int top, int width, int height);

} // namespace Twips
