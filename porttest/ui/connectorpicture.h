#pragma once
#include <QImage>

// Bitmap 130: the 25-pin D connector seen from the front, standing on its narrow end, with its
// pin numbers. Rows run from the top 13, 25, 12, 24, ... 2, 14, 1: pins 1-13 in the long column
// on the right, pins 14-25 half a pitch lower in the short column on the left. Pins 1 and 14-18
// (the ones a download cable drives) are filled red dots, the others open circles.
//
// The window lays one check box beside each signal row, so the picture is drawn to the rows
// rather than the rows to the picture: `firstRowY` is the centre of the pin 13 row and
// `lastRowY` that of the pin 1 row, in picture pixels; the other rows are spaced evenly between.
namespace connector {

// The bitmap's own size, for the template font's metrics of 6 x 12 base units.
constexpr int kWidth = 80;
constexpr int kHeight = 370;
constexpr int kRows = 25;

QImage DrawPicture(int width, int height, double firstRowY, double lastRowY);

// Row of a connector pin, 0 at the top (pin 13) to 24 at the bottom (pin 1); -1 outside 1..25.
int RowOfPin(int pin);

// Centre of a pin's dot in a picture drawn with these arguments (for tests and alignment).
double PinCentreX(int pin, int width);
double RowCentreY(int row, double firstRowY, double lastRowY);

} // namespace connector
