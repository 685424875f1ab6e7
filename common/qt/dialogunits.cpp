#include "dialogunits.h"

#include <QFontMetrics>
#include <QWidget>

DialogUnits::DialogUnits(const QFont& dialogFont)
{
    const QFontMetrics fm(dialogFont);
    // GdiGetCharDimensions: average width over the 52 Latin letters, rounded.
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = fm.height();
    if (m_baseX < 1) m_baseX = 1;
    if (m_baseY < 1) m_baseY = 1;
}

void DialogUnits::Place(QWidget* w, int x, int y, int width, int height) const
{
    const QRect r = Rect(x, y, width, height);
    w->setGeometry(r);
    w->setFixedSize(r.size());
}

void InstallDialogFontSubstitutions()
{
    // Song (Ming) style faces stand in for SimSun; a plain sans face for MS Sans Serif, with a
    // CJK sans face behind it, since the Latin face has no glyphs for the Chinese captions.
    const QStringList song = {QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                              QStringLiteral("WenQuanYi Micro Hei")};
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei"),
                                QStringLiteral("AR PL UMing CN")});
}

QFont TemplateFont(const QString& face, int pointSize)
{
    QFont f(face);
    f.setPointSize(pointSize);
    return f;
}
