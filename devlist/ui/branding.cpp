#include "branding.h"

#include "windowtext.h"

QIcon LoadTessaroIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 128}) icon.addFile(QStringLiteral(":/tessaro/icon128-%1.png").arg(size), QSize(size, size));
    return icon;
}

AboutTemplate TessaroAbout()
{
    AboutTemplate t;
    t.fontFace = QStringLiteral("MS Sans Serif");
    t.fontPoints = 8;
    t.title = QString::fromUtf8(kAboutTitle);
    t.flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
              Qt::WindowCloseButtonHint;
    t.size = QSize(247, 63);
    t.icon = LoadTessaroIcon();
    t.iconPlace = QRect(16, 7, 21, 23);
    t.labels = {{QString::fromUtf8(kAboutVersion), QRect(50, 5, 119, 8)},
                {QString::fromUtf8(kMakerName), QRect(50, 20, 65, 8)}};
    t.okText = QStringLiteral("OK");
    t.okPlace = QRect(185, 45, 50, 14);
    return t;
}
