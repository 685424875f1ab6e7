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

#include "testertexts.h"

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

QColor Colour(Rgb c) { return QColor(c.r, c.g, c.b); }

} // namespace

CWiringDlg::CWiringDlg(const WiringReport& report, QWidget* parent, std::function<WiringReport()> runAgain)
    : CWiringDlg(std::make_unique<CWiringSession>(report, std::move(runAgain)), parent)
{
}

CWiringDlg::CWiringDlg(std::unique_ptr<CWiringSession> session, QWidget* parent)
    : QDialog(parent), m_session(std::move(session))
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
    auto* save = new QPushButton(QString::fromUtf8(kSaveReportButton), this);
    save->setObjectName(QStringLiteral("save"));
    connect(save, &QPushButton::clicked, this, &CWiringDlg::OnSave);
    buttons->addWidget(save);
    if (m_session->View().repeatOffered) {
        m_btnRepeat = new QPushButton(this);
        m_btnRepeat->setObjectName(QStringLiteral("repeat"));
        connect(m_btnRepeat, &QPushButton::clicked, this, &CWiringDlg::OnRepeat);
        buttons->addWidget(m_btnRepeat);
    }
    buttons->addStretch();
    auto* ok = new QPushButton(QString::fromUtf8(kWiringOkButton), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(ok);
    layout->addLayout(buttons);

    // One run after the other, each between the window's events, so that the stop button and
    // the table answer while the technician wiggles the cable.
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_session->RunOnce();
        Render();
    });
    connect(this, &QDialog::finished, this, [this] {
        m_session->Stop();
        m_timer.stop();
    });

    chooseFile = [this] {
        return QFileDialog::getSaveFileName(this, QString::fromUtf8(kSaveReportTitle),
                                            QString::fromUtf8(kSaveReportDefaultName),
                                            QStringLiteral("JSON 文件 (*.json)"));
    };
    inform = [this](const QString& text) { QMessageBox::warning(this, QString::fromUtf8(kWiringDialogTitle), text); };

    Render();
    resize(std::max(620, sizeHint().width()), sizeHint().height());
}

void CWiringDlg::Render()
{
    const WiringView& view = m_session->View();
    m_subject->setText(Text(view.subject));

    m_table->setVisible(view.tableShown);
    m_table->setRowCount(static_cast<int>(view.rows.size()));
    int row = 0;
    for (const WiringRowView& r : view.rows) {
        int column = 0;
        for (const std::string& cell : r.cells) {
            auto* item = new QTableWidgetItem(Text(cell));
            item->setBackground(Colour(ToneRow(r.tone)));
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

    m_summary->setText(Text(view.summary));
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Colour(ToneText(view.summaryTone)));
    m_summary->setPalette(pal);

    if (m_btnRepeat) {
        m_btnRepeat->setText(Text(view.repeatCaption));
        m_btnRepeat->setEnabled(view.repeatEnabled);
    }
    if (!m_session->Repeating())
        m_timer.stop();
}

void CWiringDlg::OnSave()
{
    const QString file = chooseFile();
    if (file.isEmpty())
        return;
    if (const auto error = m_session->Save(file.toStdString()))
        inform(Text(*error));
}

void CWiringDlg::OnRepeat()
{
    m_session->ToggleRepeat();
    if (m_session->Repeating())
        m_timer.start();
    Render();
}
