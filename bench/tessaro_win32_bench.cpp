// The native Windows window over a 1,000,000-record list, under Wine or on Windows: open until
// the first rows are painted, and delete, add and modify to the refreshed view (duplicate check
// included). Google Benchmark has no MinGW build in Debian, so this program times by itself
// (QueryPerformanceCounter) and prints the mean and the fastest of each:
//   tessaro_win32_bench [iterations]
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <vector>

#include "mainwnd.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"
#include "windowtext.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kRecords = 1000000;

DeviceRecord Numbered(std::size_t i, const char* prefix)
{
    DeviceRecord r{};
    std::snprintf(r.name, sizeof r.name, "%.3s%07u", prefix, static_cast<unsigned>(i % 10000000));
    r.fid = static_cast<std::uint8_t>(i * 7);
    r.romKb = static_cast<std::int32_t>(i % 1024);
    r.voltage = 5.0f;
    r.signature[0] = static_cast<std::uint8_t>(i >> 16);
    r.signature[1] = static_cast<std::uint8_t>(i >> 8);
    r.signature[2] = static_cast<std::uint8_t>(i);
    return r;
}

fs::path MillionFile()
{
    const fs::path p = fs::temp_directory_path() / "tessaro_win32_bench_1m.chip";
    std::vector<DeviceRecord> recs(kRecords);
    for (std::size_t i = 0; i < kRecords; ++i) recs[i] = Numbered(i, "DEV");
    const std::uint32_t header[2] = {1, static_cast<std::uint32_t>(kRecords)};
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(recs.data()), static_cast<std::streamsize>(recs.size() * sizeof(DeviceRecord)));
    return p;
}

double NowMs()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

// Every message waiting, as the program's loop would take them (posted work, then painting).
void Drain(CDeviceListDlg& dlg)
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) dlg.PreTranslateMessage(msg);
}

struct Window {
    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    CDeviceListDlg dlg{GetModuleHandleW(nullptr), {&prompt, &open, &save, &import}};
    Window()
    {
        dlg.Create();
        Drain(dlg);
    }
    void Select(int row)
    {
        const HWND list = dlg.ListView();
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, row, FALSE);
        Drain(dlg);
    }
    void Click(int id) { SendMessageW(GetDlgItem(dlg.Hwnd(), id), BM_CLICK, 0, 0); }
    // The list view paints now what the change invalidated.
    void Paint() { UpdateWindow(dlg.ListView()); }
};

void Report(const char* name, const std::vector<double>& ms)
{
    const double mean = std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
    std::printf("%-12s mean %8.2f ms   fastest %8.2f ms   (%zu runs)\n", name, mean,
                *std::min_element(ms.begin(), ms.end()), ms.size());
}

// Runs the modify dialog's Cancel from inside its modal loop: the flow still refreshes the view.
void CALLBACK CancelEditDialog(HWND, UINT, UINT_PTR id, DWORD)
{
    if (HWND dlg = GetActiveWindow(); dlg && GetDlgItem(dlg, IDC_NAME)) {
        KillTimer(nullptr, id);
        SendMessageW(GetDlgItem(dlg, IDC_ENTRY_CANCEL), BM_CLICK, 0, 0);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
    const fs::path file = MillionFile();

    // From the file name given to 打开文件 until the first rows are painted; the duplicate index is
    // built afterwards, when the window is idle.
    std::vector<double> open, idle;
    for (int i = 0; i < runs; ++i) {
        Window w;
        w.open.Queue(file);
        const double t0 = NowMs();
        w.Click(IDC_OPEN);
        w.Paint();
        open.push_back(NowMs() - t0);
        Drain(w.dlg);
        idle.push_back(NowMs() - t0);
        if (ListView_GetItemCount(w.dlg.ListView()) != static_cast<int>(kRecords)) {
            std::fprintf(stderr, "rows not shown\n");
            return 1;
        }
    }
    Report("open", open);
    Report("until idle", idle);

    Window w;
    w.open.Queue(file);
    w.Click(IDC_OPEN);
    Drain(w.dlg);
    std::vector<double> del, add, modify;
    for (int i = 0; i < 4 * runs; ++i) {
        w.Select(static_cast<int>(w.dlg.Document().List().Count() / 2));
        double t0 = NowMs();
        w.Click(IDC_DELETE);
        w.Paint();
        del.push_back(NowMs() - t0);

        t0 = NowMs();
        w.dlg.Document().Append(Numbered(static_cast<std::size_t>(i), "NEW"));
        w.Paint();
        add.push_back(NowMs() - t0);

        w.Select(static_cast<int>(w.dlg.Document().List().Count() / 3));
        t0 = NowMs();
        SetTimer(nullptr, 0, 1, CancelEditDialog);
        w.Click(IDC_MODIFY);
        w.Paint();
        modify.push_back(NowMs() - t0);
    }
    Report("delete", del);
    Report("add", add);
    Report("modify", modify);
    if (w.prompt.Count() != 0) {
        std::fprintf(stderr, "unexpected question: %s\n", w.prompt.LastText().c_str());
        return 1;
    }
    fs::remove(file);
    return 0;
}
