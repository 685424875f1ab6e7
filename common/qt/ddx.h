#pragma once
#include <optional>
#include <string>
#include <string_view>

#include <QString>

class IPrompt;
class QWidget;

// Data exchange between a dialog's controls and its member fields (both programs' dialogs), in
// the manner of the platform the dialogs were designed for: one routine lists every control/member pair, and
// UpdateData runs it in either direction. Controls are found by their numeric id, which each
// control carries as its object name.

// Text that is stored as code page 936 (GBK) bytes, e.g. a device name. It remembers the bytes
// it was loaded from, so that a field the user leaves as it was gives back exactly those bytes,
// even when they are not valid GBK and show with replacement characters.
class CGbkString {
public:
    CGbkString() = default;

    void SetBytes(std::string_view bytes);
    // What the field shows: the loaded bytes decoded, or what the user typed since.
    const QString& Text() const { return m_strText; }
    void SetText(const QString& text) { m_strText = text; }
    // The bytes to store: the loaded ones when the text is unchanged, else the typed text in
    // GBK; nothing when it holds a character that GBK cannot represent.
    std::optional<std::string> Bytes() const;

private:
    std::string m_bytes;    // as loaded
    QString m_strShown;     // m_bytes decoded, as first shown
    QString m_strText;
};

class CDataExchange {
public:
    CDataExchange(QWidget* dialog, bool saveAndValidate, IPrompt& prompt)
        : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate), m_prompt(prompt) {}

    // The control with that id, or nullptr.
    QWidget* Control(int id) const;

    // Reports a field that does not hold a valid value: shows `message`, puts the focus on the
    // field with its text selected, and turns every later exchange of this run into a no-op.
    void Fail(QWidget* control, const std::string& message);
    bool Failed() const { return m_bFailed; }

    QWidget* const m_pDlgWnd;
    const bool m_bSaveAndValidate;  // true: controls -> members

private:
    IPrompt& m_prompt;
    bool m_bFailed = false;
};

// An edit's text, or a static label's (which only ever shows its member).
void DDX_Text(CDataExchange& dx, int id, QString& value);
void DDX_Text(CDataExchange& dx, int id, CGbkString& value);
// A check box: 1 ticked, 0 not; any other value shows ticked.
void DDX_Check(CDataExchange& dx, int id, int& value);
