#include "connectorpicture.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <algorithm>

namespace connector {

namespace {

bool InLongColumn(int pin) { return pin >= 1 && pin <= 13; }

// Horizontal layout as fractions of the width, so that a wider picture keeps its proportions:
// numbers of the short column | shell with both columns of dots | numbers of the long column.
constexpr double kShortColumnX = 0.40;
constexpr double kLongColumnX = 0.60;
constexpr double kShellLeft = 0.28;
constexpr double kShellRight = 0.72;

} // namespace

int RowOfPin(int pin)
{
    if (pin >= 1 && pin <= 13)
        return 2 * (13 - pin); // 13 -> 0, 12 -> 2, ... 1 -> 24
    if (pin >= 14 && pin <= 25)
        return 2 * (25 - pin) + 1; // 25 -> 1, 24 -> 3, ... 14 -> 23
    return -1;
}

double PinCentreX(int pin, int width)
{
    return (InLongColumn(pin) ? kLongColumnX : kShortColumnX) * width;
}

double RowCentreY(int row, double firstRowY, double lastRowY)
{
    return firstRowY + (lastRowY - firstRowY) * row / (kRows - 1);
}

QImage DrawPicture(int width, int height, double firstRowY, double lastRowY)
{
    QImage img(width, height, QImage::Format_RGB888);
    img.fill(Qt::white);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    const double pitch = (lastRowY - firstRowY) / (kRows - 1);
    const double radius = std::min(pitch * 0.36, width * 0.075);

    // The shell is a trapezoid: the long column of 13 pins spans more rows than the short one.
    const double left = kShellLeft * width;
    const double right = kShellRight * width;
    const double margin = pitch * 0.9;
    const QPolygonF shell({QPointF(left, firstRowY + pitch - margin + pitch * 0.6),
                           QPointF(right, firstRowY - margin),
                           QPointF(right, lastRowY + margin),
                           QPointF(left, lastRowY - pitch + margin - pitch * 0.6)});
    QPainterPath shellPath;
    shellPath.addPolygon(shell);
    shellPath.closeSubpath();
    p.setPen(QPen(QColor(70, 70, 70), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(236, 232, 214)); // the insulator's ivory
    p.drawPath(shellPath);

    QFont numbers(QStringLiteral("DejaVu Sans"));
    numbers.setPixelSize(std::max(7, static_cast<int>(pitch * 0.72)));
    p.setFont(numbers);

    for (int pin = 1; pin <= 25; ++pin) {
        const QPointF c(PinCentreX(pin, width), RowCentreY(RowOfPin(pin), firstRowY, lastRowY));
        const bool driven = pin == 1 || (pin >= 14 && pin <= 18);
        p.setPen(QPen(driven ? QColor(150, 0, 0) : QColor(40, 40, 40), 1.2));
        p.setBrush(driven ? QBrush(QColor(220, 20, 20)) : QBrush(Qt::white));
        p.drawEllipse(c, radius, radius);

        // Numbers stand outside the shell, on the side of their own column.
        const QString text = QString::number(pin);
        p.setPen(Qt::black);
        const double boxW = width * 0.26;
        const QRectF box = InLongColumn(pin)
                               ? QRectF(right + width * 0.02, c.y() - pitch, boxW, 2 * pitch)
                               : QRectF(left - width * 0.02 - boxW, c.y() - pitch, boxW, 2 * pitch);
        p.drawText(box, Qt::AlignVCenter | (InLongColumn(pin) ? Qt::AlignLeft : Qt::AlignRight), text);
    }
    return img;
}

} // namespace connector
