#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {

double dpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double d = screen ? screen->logicalDotsPerInch() : 96.0;
    return d > 0 ? d : 96.0;
}

} // namespace

namespace Twips {

int toPixels(int twips) {
    return int(std::lround(twips * dpi() / 1440.0));
}

int fromPixels(int pixels) {
    return int(std::lround(pixels * 1440.0 / dpi()));
}

QRect rect(int left, int top, int width, int height) {
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace Twips
