// Times of the main window over a 1,000,000-record list, each up to the refreshed view (events
// processed, so the visible rows have been painted), duplicate check included. Run on the
// offscreen platform unless another is set:
//   tessaro_bench [--benchmark_repetitions=5]
#include "app.h"
#include "devicelistmodel.h"
#include "dialogunits.h"
#include "listfile.h"
#include "mainwnd.h"
#include "million_list.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecords = kMillionRecords;


const fs::path& MillionFile()
{
    static const fs::path path = [] {
        // One per process: two runs at once must not rewrite or remove each other's list.
        const fs::path p = fs::temp_directory_path() /
                           ("tessaro_bench_1m_" + std::to_string(QCoreApplication::applicationPid()) + ".chip");
        WriteMillionList(p);
        return p;
    }();
    return path;
}

struct Window {
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    std::unique_ptr<CDeviceListDlg> dlg;

    Window()
    {
        dlg = std::make_unique<CDeviceListDlg>(CDeviceListDlg::Services{&prompt, &open, &save, &import});
        dlg->show();
        QApplication::processEvents();
    }
    void Open()
    {
        open.Queue(MillionFile());
        dlg->OnOpenFile();
        QApplication::processEvents();
    }
    void Select(int row)
    {
        dlg->ListCtrl()->selectRow(row);
        QApplication::processEvents();
    }
};

// Reading the same file into memory that is already faulted in: what any open must pay at least.
void BM_ReadIntoWarmBuffer(benchmark::State& state)
{
    const fs::path& file = MillionFile();
    std::vector<char> buf(fs::file_size(file));
    for (auto _ : state) {
        std::FILE* f = std::fopen(file.c_str(), "rb");
        benchmark::DoNotOptimize(std::fread(buf.data(), 1, buf.size(), f));
        std::fclose(f);
    }
}
BENCHMARK(BM_ReadIntoWarmBuffer)->Unit(benchmark::kMillisecond);

// The parts of an open, to see where its time goes.
void BM_OpenPart_Read(benchmark::State& state)
{
    MillionFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto storage = std::make_unique<RecordStorage>();
        DeviceList list;
        state.ResumeTiming();
        ReadListFile(MillionFile(), *storage, list);
        state.PauseTiming();
        storage.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPart_Read)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenPart_DuplicateIndex(benchmark::State& state)
{
    RecordStorage storage;
    DeviceList list;
    ReadListFile(MillionFile(), storage, list);
    for (auto _ : state) {
        DuplicateIndex index;
        index.Rebuild(list);
        benchmark::DoNotOptimize(index.HasDuplicates());
    }
}
BENCHMARK(BM_OpenPart_DuplicateIndex)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenPart_HasDuplicates(benchmark::State& state)
{
    RecordStorage storage;
    DeviceList list;
    ReadListFile(MillionFile(), storage, list);
    for (auto _ : state) benchmark::DoNotOptimize(HasDuplicates(list));
}
BENCHMARK(BM_OpenPart_HasDuplicates)->Unit(benchmark::kMillisecond)->Iterations(5);

// A million rows coming into a shown list view.
void BM_OpenPart_Rows(benchmark::State& state)
{
    RecordStorage storage;
    DeviceList list;
    ReadListFile(MillionFile(), storage, list);
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<CXTListCtrl>();
        DeviceListModel model(list);
        view->setModel(&model);
        view->resize(600, 500);
        view->show();
        QApplication::processEvents();
        state.ResumeTiming();
        model.SyncRows();
        QApplication::processEvents();
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenPart_Rows)->Unit(benchmark::kMillisecond)->Iterations(5);

// Notes when the list's viewport first paints after `Arm()`.
class FirstPaint : public QObject {
public:
    void Arm() { m_bSeen = false; m_clock.start(); }
    bool Seen() const { return m_bSeen; }
    double Seconds() const { return static_cast<double>(m_nsAt) * 1e-9; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !m_bSeen) {
            m_bSeen = true;
            m_nsAt = m_clock.nsecsElapsed();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QElapsedTimer m_clock;
    qint64 m_nsAt = 0;
    bool m_bSeen = false;
};

// From pressing open (file name given) until the first rows are painted. The duplicate index
// for later single changes is built right after, when the window is idle; the whole time up to
// then is reported as "until_idle_ms".
void BM_Open1M(benchmark::State& state)
{
    MillionFile();
    double idleMs = 0;
    for (auto _ : state) {
        auto w = std::make_unique<Window>();
        FirstPaint paint;
        w->dlg->ListCtrl()->viewport()->installEventFilter(&paint);
        w->open.Queue(MillionFile());
        QElapsedTimer total;
        total.start();
        paint.Arm();
        w->dlg->OnOpenFile();
        // Item views lay out on a zero timer and paint on the pass after it.
        for (int pass = 0; !paint.Seen() && pass < 1000; ++pass) QApplication::processEvents();
        QApplication::processEvents();
        QApplication::processEvents();
        idleMs += static_cast<double>(total.nsecsElapsed()) * 1e-6;
        if (!paint.Seen() || w->dlg->Model()->rowCount() != static_cast<int>(kRecords)) {
            state.SkipWithError("rows not shown");
            break;
        }
        state.SetIterationTime(paint.Seconds());
    }
    state.counters["until_idle_ms"] = benchmark::Counter(idleMs, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_Open1M)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

Window& Opened()
{
    static Window* w = [] {
        auto* win = new Window;
        win->Open();
        return win;
    }();
    return *w;
}

// Every change here is one the window takes without a question.
void SkipIfAsked(const Window& w, benchmark::State& state)
{
    if (w.prompt.Count() != 0) state.SkipWithError(("unexpected question: " + w.prompt.LastText()).c_str());
}

void BM_Delete1M(benchmark::State& state)
{
    Window& w = Opened();
    for (auto _ : state) {
        state.PauseTiming();
        w.Select(static_cast<int>(w.dlg->List().Count() / 2));
        state.ResumeTiming();
        w.dlg->DeleteDevice();
        QApplication::processEvents();
    }
    SkipIfAsked(w, state);
}
BENCHMARK(BM_Delete1M)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_Add1M(benchmark::State& state)
{
    Window& w = Opened();
    // Numbered on across repetitions, which share the window: a record added again would be a
    // repeat, and the window rightly asks whether to remove it.
    static std::size_t n = 0;
    for (auto _ : state) {
        const DeviceRecord r = Numbered(n++, "NEW");
        w.dlg->AppendDevice(r);
        QApplication::processEvents();
    }
    SkipIfAsked(w, state);
}
BENCHMARK(BM_Add1M)->Unit(benchmark::kMillisecond)->Iterations(20);

// The whole modify: the dialog comes up on the selected row, its ROM field is changed and OK
// pressed, then the list is refreshed.
void BM_Modify1M(benchmark::State& state)
{
    Window& w = Opened();
    int rom = 0;
    for (auto _ : state) {
        state.PauseTiming();
        w.Select(static_cast<int>(w.dlg->List().Count() / 3));
        const QString text = QString::number(++rom);
        state.ResumeTiming();
        QTimer::singleShot(0, [&w, text] {
            QWidget* d = &w.dlg->EditDialog();
            if (auto* e = d->findChild<QLineEdit*>(QStringLiteral("1009"))) e->setText(text);
            if (auto* ok = d->findChild<QPushButton*>(QStringLiteral("1"))) ok->click();
        });
        w.dlg->ModifyDevice();
        QApplication::processEvents();
    }
    SkipIfAsked(w, state);
}
BENCHMARK(BM_Modify1M)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallDialogFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove(MillionFile(), ec);
    return 0;
}
