// Resident memory of the main window over a million-record list: empty, after opening the list
// (once the window is idle, so the duplicate index is built), after 20 tidy + undo pairs and
// after 10 more tidies (the list in order after the first), then after each of six more opens of
// the same list.
// Prints one "label kB" line each. Run through tessaro_rss.sh, which gives the ratios.
#include "mainwnd.h"
#include "numbered_records.h"
#include "scripted_chooser.h"
#include "scripted_prompt.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

long ResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

void WriteList(const std::filesystem::path& path, std::size_t count)
{
    std::vector<DeviceRecord> recs(count);
    for (std::size_t i = 0; i < count; ++i) recs[i] = Numbered(i, "DEV");
    const std::uint32_t header[2] = {1, static_cast<std::uint32_t>(count)};
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(recs.data()), static_cast<std::streamsize>(count * sizeof(DeviceRecord)));
}

void Settle()
{
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const std::size_t count = argc > 1 ? std::stoul(argv[1]) : 1000000;
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "tessaro_rss.chip";
    WriteList(file, count);

    ScriptedPrompt prompt;
    ScriptedChooser open, save, import;
    auto dlg = std::make_unique<CDeviceListDlg>(CDeviceListDlg::Services{&prompt, &open, &save, &import});
    dlg->show();
    Settle();
    std::printf("file %ld\n", static_cast<long>(std::filesystem::file_size(file) / 1024));
    std::printf("empty %ld\n", ResidentKb());

    dlg->OpenListFile(file);
    std::printf("read %ld\n", ResidentKb());
    Settle();
    std::printf("opened %ld\n", ResidentKb());

    for (int i = 0; i < 20; ++i) {
        dlg->TidyDevices();
        Settle();
        dlg->OnUndo();
        Settle();
    }
    std::printf("after_20_tidy_undo %ld\n", ResidentKb());

    // The first tidy sorts the list; the other nine find it in order.
    for (int i = 0; i < 10; ++i) {
        dlg->TidyDevices();
        Settle();
    }
    std::printf("after_10_tidies %ld\n", ResidentKb());

    // Each open releases what the one before held: six more opens of the same list.
    for (int i = 1; i <= 6; ++i) {
        dlg->OpenListFile(file);
        Settle();
        std::printf("reopen_%d %ld\n", i, ResidentKb());
    }
    std::filesystem::remove(file);
    return 0;
}
