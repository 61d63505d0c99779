#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace twips {

long RoundHalfEven(double value) {
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return static_cast<long>(std::nearbyint(value));
}

static double perPixel(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY()) : 96.0;
    return dpi > 0 ? 1440.0 / dpi : 15.0;
}

double PerPixelX() { return perPixel(true); }
double PerPixelY() { return perPixel(false); }

int ToPixelsX(double twipsValue) { return static_cast<int>(RoundHalfEven(twipsValue / PerPixelX())); }
int ToPixelsY(double twipsValue) { return static_cast<int>(RoundHalfEven(twipsValue / PerPixelY())); }
long FromPixelsX(double pixels) { return RoundHalfEven(pixels * PerPixelX()); }
long FromPixelsY(double pixels) { return RoundHalfEven(pixels * PerPixelY()); }

}  // namespace twips
