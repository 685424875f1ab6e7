#pragma once
#include <string>

#include <windows.h>

#include "prompt.h"

// Message boxes with UTF-8 texts. Questions carry the question icon, messages with only an OK
// button the exclamation icon: every such message of the programs reports something refused or
// gone wrong.

// MessageBoxW with UTF-8 texts; `type` as for MessageBoxW (buttons, icon, modality).
int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& caption, UINT type);

// The MB_* flags of a prompt's button set, icon included.
UINT MessageBoxFlags(IPrompt::Buttons buttons);

// IPrompt over MessageBoxW, modal to `owner` (which may change once the window exists).
class Win32Prompt : public IPrompt {
public:
    explicit Win32Prompt(std::string captionUtf8, HWND owner = nullptr)
        : m_caption(std::move(captionUtf8)), m_owner(owner) {}

    void SetOwner(HWND owner) { m_owner = owner; }
    Answer Message(const std::string& text, Buttons buttons) override;

private:
    std::string m_caption;
    HWND m_owner;
};
