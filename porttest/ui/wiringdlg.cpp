#include "wiringdlg.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

#include "reportfile.h"
#include "testertexts.h"

namespace {

const QColor kPassRow(200, 240, 200);
const QColor kFailRow(250, 200, 200);
const QColor kUntestedRow(225, 225, 225);

QString Text(const std::string& s) { return QString::fromStdString(s); }

} // namespace

CWiringDlg::CWiringDlg(const WiringReport& report, QWidget* parent, std::function<WiringReport()> runAgain)
    : QDialog(parent), m_tally(AsRepeated(report)), m_runAgain(std::move(runAgain))
{
    setWindowTitle(QString::fromUtf8(kWiringDialogTitle));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    m_subject = new QLabel(this);
    m_subject->setObjectName(QStringLiteral("subject"));
    m_subject->setTextFormat(Qt::PlainText);
    m_subject->setWordWrap(true);
    layout->addWidget(m_subject);

    m_table = new QTableWidget(0, static_cast<int>(std::size(kWiringHeaders)), this);
    m_table->setObjectName(QStringLiteral("wires"));
    QStringList headers;
    for (const char* h : kWiringHeaders)
        headers << QString::fromUtf8(h);
    m_table->setHorizontalHeaderLabels(headers);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(m_table);

    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("summary"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);

    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(QStringLiteral("保存报告..."), this);
    save->setObjectName(QStringLiteral("save"));
    connect(save, &QPushButton::clicked, this, &CWiringDlg::OnSave);
    buttons->addWidget(save);
    if (m_runAgain) {
        m_btnRepeat = new QPushButton(QStringLiteral("连续测试"), this);
        m_btnRepeat->setObjectName(QStringLiteral("repeat"));
        m_btnRepeat->setEnabled(!report.noPort && !report.portFailed && report.settingsError.empty());
        connect(m_btnRepeat, &QPushButton::clicked, this, &CWiringDlg::OnRepeat);
        buttons->addWidget(m_btnRepeat);
    }
    buttons->addStretch();
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    // One run after the other, each between the window's events, so that the stop button and
    // the table answer while the technician wiggles the cable.
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CWiringDlg::RunOnce);
    connect(this, &QDialog::finished, &m_timer, &QTimer::stop);

    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QStringLiteral("保存报告"), QStringLiteral("接线测试.json"),
                                            QStringLiteral("JSON 文件 (*.json)"));
    };
    inform = [this](const QString& text) { QMessageBox::warning(this, QStringLiteral("接线测试"), text); };

    Fill();
    resize(std::max(620, sizeHint().width()), sizeHint().height());
}

void CWiringDlg::Fill()
{
    const WiringReport& last = m_tally.last;
    QString subject = QString::fromUtf8(kExpectedWiringLabel) + Text(last.wiringName) + QStringLiteral("\n") +
                      Text(WiringSubjectText(last)).trimmed();
    if (m_repeated)
        subject += QStringLiteral("\n") + Text(RunsText(m_tally));
    m_subject->setText(subject);

    m_table->setVisible(!m_tally.wires.empty()); // a port that failed at once judged no wire
    m_table->setRowCount(static_cast<int>(m_tally.wires.size()));
    int row = 0;
    for (const WireTally& t : m_tally.wires) {
        const WireVerdict& v = t.last;
        const bool pass = m_repeated ? t.failedRuns == 0 : v.pass;
        const QString result = m_repeated ? Text(TallyText(t, m_tally.runs)) : QString::fromUtf8(WiringResultText(v));
        const QString cells[] = {Text(WiringPinText(v.output)), Text(WiringPinText(v.input)), result,
                                 Text(m_repeated ? TallyFinding(t, m_tally.runs) : v.finding)};
        int column = 0;
        for (const QString& cell : cells) {
            auto* item = new QTableWidgetItem(cell);
            item->setBackground(!v.tested ? kUntestedRow : pass ? kPassRow : kFailRow);
            item->setForeground(Qt::black);
            m_table->setItem(row, column++, item);
        }
        ++row;
    }
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Every row in sight up to a dozen; a longer list of stray connections scrolls.
    constexpr int kRowsInSight = 12;
    int rowsHeight = 0;
    for (int r = 0; r < std::min(row, kRowsInSight); ++r)
        rowsHeight += m_table->rowHeight(r);
    m_table->setFixedHeight(m_table->horizontalHeader()->sizeHint().height() + rowsHeight + 2 * m_table->frameWidth());

    const bool passed = m_repeated ? m_tally.Passed() : last.Passed();
    m_summary->setText(Text(TallySummary(m_tally)));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, passed ? QColor(0, 120, 0) : QColor(180, 0, 0));
    m_summary->setPalette(pal);
}

void CWiringDlg::OnSave()
{
    const QString file = chooseFile();
    if (file.isEmpty())
        return;
    ReportContext record = context ? context() : ReportContext{};
    record.dateTime = NowIso8601();
    const std::string path = file.toStdString();
    if (const auto problem = WriteReportFile(path, WiringReportJson(m_tally, record)))
        inform(Text(ReportNotWrittenText(path, *problem)));
}

void CWiringDlg::OnRepeat()
{
    if (m_timer.isActive()) {
        m_timer.stop();
        m_btnRepeat->setText(QStringLiteral("连续测试"));
        return;
    }
    // A fresh count from the first run on.
    m_tally = RepeatedReport{};
    m_repeated = true;
    m_btnRepeat->setText(QStringLiteral("停止"));
    m_timer.start();
}

void CWiringDlg::RunOnce()
{
    AddRun(m_tally, m_runAgain());
    if (m_tally.last.noPort || m_tally.last.portFailed || m_tally.runs >= kMaxRepeat) {
        m_timer.stop();
        m_btnRepeat->setText(QStringLiteral("连续测试"));
    }
    Fill();
}
