#include "porvikabout.h"

// Resources live in a static library: their registration must be pulled in by hand, and
// Q_INIT_RESOURCE cannot stand inside a namespace.
static void InitPorvikResources() { Q_INIT_RESOURCE(porvik); }

QIcon PorvikIcon()
{
    static const bool registered = (InitPorvikResources(), true);
    (void)registered;
    QIcon icon;
    icon.addFile(QStringLiteral(":/porvik/porvik32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/porvik/porvik16.png"), QSize(16, 16));
    return icon;
}

AboutTemplate PorvikAbout()
{
    AboutTemplate t;
    t.fontFace = QStringLiteral("宋体");
    t.fontPoints = 9;
    t.title = QStringLiteral("关于 Porvik");
    t.flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
              Qt::MSWindowsFixedSizeDialogHint;
    t.size = QSize(235, 55);
    t.icon = PorvikIcon();
    // An icon control takes the icon's own size.
    t.iconPlace = QRect(11, 17, 0, 0);
    t.iconPixels = QSize(32, 32);
    t.labels = {{QStringLiteral("Porvik 1.0 版"), QRect(40, 10, 119, 8)}};
    t.okText = QStringLiteral("确定");
    t.okPlace = QRect(178, 7, 50, 14);
    return t;
}
