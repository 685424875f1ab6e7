#include "msgbox.h"

#include "wintext.h"

int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& caption, UINT type)
{
    return MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(caption).c_str(), type);
}

UINT MessageBoxFlags(IPrompt::Buttons buttons)
{
    switch (buttons) {
    case IPrompt::Buttons::YesNo:
        return MB_YESNO | MB_ICONQUESTION;
    case IPrompt::Buttons::YesNoCancel:
        return MB_YESNOCANCEL | MB_ICONQUESTION;
    case IPrompt::Buttons::Ok:
        break;
    }
    return MB_OK | MB_ICONEXCLAMATION;
}

IPrompt::Answer Win32Prompt::Message(const std::string& text, Buttons buttons)
{
    // Without an owner the box would be modal to nothing: the window behind it would take clicks.
    const UINT modality = m_owner ? MB_APPLMODAL : MB_TASKMODAL;
    switch (MessageBoxUtf8(m_owner, text, m_caption, MessageBoxFlags(buttons) | modality)) {
    case IDYES:
        return Answer::Yes;
    case IDNO:
        return Answer::No;
    case IDOK:
        return Answer::Ok;
    default:
        return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}
