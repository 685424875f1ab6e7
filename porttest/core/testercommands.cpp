#include "testercommands.h"

#include <cstdlib>
#include <iterator>

#include "testertexts.h"

namespace {

constexpr TesterCommandRow kCommands[] = {
    {TesterCommand::About, TesterKey::F1, false, 0, kAboutMenuText, nullptr},
    {TesterCommand::WiringPlug, TesterKey::F5, false, 0, kWiringPlugEntry, nullptr},
    {TesterCommand::WiringCable, TesterKey::F5, true, 0, kWiringCableEntry, nullptr},
    {TesterCommand::ReopenPort, TesterKey::None, false, 0, kReopenPortEntry, nullptr},
    {TesterCommand::Exit, TesterKey::Escape, false, IDC_EXIT, nullptr, nullptr},
    {TesterCommand::Ok, TesterKey::Enter, false, 0, nullptr, nullptr},
    {TesterCommand::WriteData, TesterKey::None, false, IDC_WRITE_DATA, nullptr, "把左边的值写入数据寄存器"},
    {TesterCommand::WriteControl, TesterKey::None, false, IDC_WRITE_CONTROL, nullptr, "把左边的值写入控制寄存器"},
    {TesterCommand::Refresh, TesterKey::None, false, IDC_REFRESH, nullptr, "重新读入所有引脚和寄存器"},
    {TesterCommand::ToggleMosi, TesterKey::None, false, IDC_MOSI, nullptr, "MOSI 改为相反的电平"},
    {TesterCommand::ReadMiso, TesterKey::None, false, IDC_MISO, nullptr, "读入 MISO"},
    {TesterCommand::ToggleSck, TesterKey::None, false, IDC_SCK, nullptr, "SCK 改为相反的电平"},
    {TesterCommand::ToggleRst, TesterKey::None, false, IDC_RST, nullptr, "Rst 改为相反的电平"},
    {TesterCommand::ToggleR1, TesterKey::None, false, IDC_R1, nullptr, "R1 改为相反的电平"},
    {TesterCommand::ToggleR2, TesterKey::None, false, IDC_R2, nullptr, "R2 改为相反的电平"},
    {TesterCommand::PortDetails, TesterKey::None, false, IDC_PORT_DETAILS, nullptr, "显示状态行的全文"},
};
static_assert(std::size(kCommands) == kTesterCommands);

constexpr PinBoxRow kPinBoxes[] = {
    {1, IDC_PIN1, "PIN1", true},
    {2, IDC_PIN2, "PIN2", true},
    {14, IDC_PIN14, "PIN14", true},
    {15, IDC_PIN15, "PIN15(ReadOnly)", false},
    {16, IDC_PIN16, "PIN16", true},
    {17, IDC_PIN17, "PIN17", true},
    {3, IDC_PIN3, "PIN3", true},
    {4, IDC_PIN4, "PIN4", true},
    {5, IDC_PIN5, "PIN5", true},
    {6, IDC_PIN6, "PIN6", true},
    {7, IDC_PIN7, "PIN7", true},
    {8, IDC_PIN8, "PIN8", true},
    {9, IDC_PIN9, "PIN9", true},
    {10, IDC_PIN10, "PIN10(ReadOnly)", false},
    {11, IDC_PIN11, "PIN11(ReadOnly)", false},
    {12, IDC_PIN12, "PIN12(ReadOnly)", false},
    {13, IDC_PIN13, "PIN13(ReadOnly)", false},
};

constexpr ControlCaption kCaptions[] = {
    {IDC_EXIT, "退出程序"},
    {IDC_DATA_LABEL, "数据字:"},
    {IDC_CONTROL_LABEL, "控制字:"},
    {IDC_STATUS_LABEL, "状态字:"},
    {IDC_WRITE_DATA, "刷新"},
    {IDC_WRITE_CONTROL, "刷新"},
    {IDC_REFRESH, "刷新"},
    {IDC_PORT_GROUP, "并口"},
    {IDC_CABLE_GROUP, "下载线"},
    {IDC_HINT, "注意:是否使用了器件的锁存控制和输出控制"},
    {IDC_PORT_DETAILS, kPortDetailsButton},
};

struct ToneColours {
    Rgb text;
    Rgb row;
};
// By Tone.
constexpr ToneColours kTones[] = {
    {{0, 0, 0}, {255, 255, 255}},       // Normal
    {{0, 120, 0}, {200, 240, 200}},     // Pass
    {{180, 0, 0}, {250, 200, 200}},     // Fail
    {{110, 110, 110}, {225, 225, 225}}, // Untested
    {{180, 0, 0}, {250, 200, 200}},     // Warning
};

} // namespace

std::span<const TesterCommandRow> TesterCommands() { return kCommands; }

const TesterCommandRow& CommandRow(TesterCommand command) { return kCommands[static_cast<int>(command)]; }

const TesterCommandRow* CommandForKey(TesterKey key, bool shift)
{
    if (key == TesterKey::None)
        return nullptr;
    for (const TesterCommandRow& row : kCommands)
        if (row.key == key && row.shift == shift)
            return &row;
    return nullptr;
}

const TesterCommandRow* CommandForControl(int control)
{
    if (control == 0)
        return nullptr;
    for (const TesterCommandRow& row : kCommands)
        if (row.control == control)
            return &row;
    return nullptr;
}

std::span<const PinBoxRow> PinBoxes() { return kPinBoxes; }

std::span<const ControlCaption> TesterCaptions() { return kCaptions; }

Rgb ToneText(Tone tone) { return kTones[static_cast<int>(tone)].text; }
Rgb ToneRow(Tone tone) { return kTones[static_cast<int>(tone)].row; }
