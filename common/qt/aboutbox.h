#pragma once
#include <QDialog>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

// An About box as its template describes it; positions and sizes in dialog units of the
// template's font. Both programs build theirs from one of these.
struct AboutTemplate {
    struct Label {
        QString text;
        QRect place;
    };
    QString fontFace;
    int fontPoints = 8;
    QString title;
    Qt::WindowFlags flags;
    QSize size;
    QIcon icon;
    QRect iconPlace;     // the icon is centred in this box...
    QSize iconPixels;    // ...or, when set, shown at this pixel size from the box's corner
    std::vector<Label> labels;
    QString okText;
    QRect okPlace;
};

// The About box: the icon, its labels as plain text and one default button (id 1) that closes it.
class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(const AboutTemplate& tpl, QWidget* parent = nullptr);
    int DoModal() { return exec(); }
};
