#include "aboutbox.h"

#include "dialogunits.h"

#include <QLabel>
#include <QPushButton>

AboutBox::AboutBox(const AboutTemplate& tpl, QWidget* parent) : QDialog(parent)
{
    const QFont font = TemplateFont(tpl.fontFace, tpl.fontPoints);
    setFont(font);
    const DialogUnits du(font);
    setWindowTitle(tpl.title);
    setWindowFlags(tpl.flags);
    setFixedSize(du.Size(tpl.size.width(), tpl.size.height()));

    auto* icon = new QLabel(this);
    const QRect& at = tpl.iconPlace;
    if (tpl.iconPixels.isEmpty()) {
        du.Place(icon, at.x(), at.y(), at.width(), at.height());
        icon->setAlignment(Qt::AlignCenter);
        icon->setPixmap(tpl.icon.pixmap(icon->size()));
    } else {
        // An icon control takes the icon's own size.
        icon->setPixmap(tpl.icon.pixmap(tpl.iconPixels));
        icon->setGeometry(du.X(at.x()), du.Y(at.y()), tpl.iconPixels.width(), tpl.iconPixels.height());
    }

    for (const AboutTemplate::Label& l : tpl.labels) {
        auto* label = new QLabel(l.text, this);
        label->setTextFormat(Qt::PlainText);
        du.Place(label, l.place.x(), l.place.y(), l.place.width(), l.place.height());
    }

    auto* ok = new QPushButton(tpl.okText, this);
    ok->setObjectName(QStringLiteral("1"));
    du.Place(ok, tpl.okPlace.x(), tpl.okPlace.y(), tpl.okPlace.width(), tpl.okPlace.height());
    ok->setDefault(true);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
