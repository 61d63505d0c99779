#pragma once

// Window geometry is handled in twips (1/1440 inch) at the form boundary, as the
// program's layouts are written in them; pixels are what Qt and X11 use.
namespace twips {

// Rounds to the nearest integer, halves to the even neighbour (banker's rounding).
long RoundHalfEven(double value);

// Twips per pixel of the primary screen: 1440 / logical dpi (15 at 96 dpi).
double PerPixelX();
double PerPixelY();

int ToPixelsX(double twipsValue);
int ToPixelsY(double twipsValue);
long FromPixelsX(double pixels);
long FromPixelsY(double pixels);

}  // namespace twips
