// Writes bitmap 130 of the Win32 window (porttest/win32/connector.bmp): the connector picture
// drawn for the template font's 6 x 12 base units, its rows beside the pin boxes 13 (top) and 1
// (bottom) of the template. Rerun after changing the drawing:
//   QT_QPA_PLATFORM=offscreen build/default/porttest/ui/porvik_connector_bmp porttest/win32/connector.bmp
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

#include "connectorpicture.h"

int main(int argc, char* argv[])
{
    // The pin numbers are drawn with the application font.
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: porvik_connector_bmp OUT.bmp\n", stderr);
        return 2;
    }
    // Box centres 20 and 243 units down (y + 5 of 10), less the picture's place (7 units) and its
    // one-pixel sunken frame, at 1.5 pixels per vertical unit.
    const double first = (15 + 5 - 7) * 1.5 - 1;
    const double last = (238 + 5 - 7) * 1.5 - 1;
    const QImage img = connector::DrawPicture(connector::kWidth, connector::kHeight, first, last)
                           .convertToFormat(QImage::Format_RGB888);
    return img.save(QString::fromLocal8Bit(argv[1]), "BMP") ? 0 : 1;
}
