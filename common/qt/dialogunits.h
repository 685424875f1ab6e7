#pragma once
#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// Window layouts are given in dialog units, as in the resource templates. A dialog unit is a
// quarter of the dialog font's average character width horizontally and an eighth of its
// height vertically, computed exactly as the Windows dialog manager does, so that a layout
// keeps its proportions whatever font stands in for the one the template names.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);

    int X(int du) const { return MulDiv(du, m_baseX, 4); }
    int Y(int du) const { return MulDiv(du, m_baseY, 8); }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }
    QSize Size(int w, int h) const { return QSize(X(w), Y(h)); }

    // A width that a template gives in pixels (list columns) was set for the dialog font of the
    // designer's machine, the 8-point MS Sans Serif with an average character 6 pixels wide: it
    // is scaled to this font's average character as dialog units are.
    int PixelsX(int templatePixels) const { return MulDiv(templatePixels, m_baseX, kTemplateBaseX); }

    // Places `w` at the template position and fixes its size.
    void Place(QWidget* w, int x, int y, int width, int height) const;

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

private:
    static constexpr int kTemplateBaseX = 6;
    static int MulDiv(int a, int b, int c) { return (a * b + c / 2) / c; }
    int m_baseX;
    int m_baseY;
};

// Maps the Windows face names used by the templates ("MS Sans Serif", "宋体"/"SimSun") to faces
// that Debian ships, so that Chinese text renders instead of showing boxes. Call once, right
// after the QApplication exists and before any widget resolves a font.
void InstallDialogFontSubstitutions();

// The font of a template: face name and point size as written there.
QFont TemplateFont(const QString& face, int pointSize);
