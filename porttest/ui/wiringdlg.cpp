#include "wiringdlg.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "testertexts.h"

namespace {

const QColor kPassRow(200, 240, 200);
const QColor kFailRow(250, 200, 200);

QString Text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CWiringDlg::CWiringDlg(const WiringReport& report, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(kWiringDialogTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    auto* expected = new QLabel(QString::fromUtf8(kExpectedWiringLabel) + Text(report.wiringName), this);
    expected->setTextFormat(Qt::PlainText);
    layout->addWidget(expected);

    auto* table = new QTableWidget(static_cast<int>(report.wires.size()),
                                   static_cast<int>(std::size(kWiringHeaders)), this);
    table->setObjectName(QStringLiteral("wires"));
    QStringList headers;
    for (const char* h : kWiringHeaders)
        headers << QString::fromUtf8(h);
    table->setHorizontalHeaderLabels(headers);
    table->verticalHeader()->hide();
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    int row = 0;
    for (const WireVerdict& v : report.wires) {
        const QString cells[] = {Text(WiringPinText(v.output)), Text(WiringPinText(v.input)),
                                 QString::fromUtf8(WiringResultText(v.pass)), Text(v.finding)};
        int column = 0;
        for (const QString& cell : cells) {
            auto* item = new QTableWidgetItem(cell);
            item->setBackground(v.pass ? kPassRow : kFailRow);
            item->setForeground(Qt::black);
            table->setItem(row, column++, item);
        }
        ++row;
    }
    table->setFocusPolicy(Qt::NoFocus);
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    // Every row in sight up to a dozen; a longer list of stray connections scrolls.
    constexpr int kRowsInSight = 12;
    int rowsHeight = 0;
    for (int r = 0; r < std::min(row, kRowsInSight); ++r)
        rowsHeight += table->rowHeight(r);
    table->setFixedHeight(table->horizontalHeader()->sizeHint().height() + rowsHeight + 2 * table->frameWidth());
    layout->addWidget(table);

    auto* summary = new QLabel(Text(WiringSummary(report)), this);
    summary->setObjectName(QStringLiteral("summary"));
    summary->setTextFormat(Qt::PlainText);
    summary->setWordWrap(true);
    QPalette pal = summary->palette();
    pal.setColor(QPalette::WindowText, report.Passed() ? QColor(0, 120, 0) : QColor(180, 0, 0));
    summary->setPalette(pal);
    layout->addWidget(summary);

    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignRight);

    resize(std::max(620, sizeHint().width()), sizeHint().height());
}
