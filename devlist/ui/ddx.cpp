#include "ddx.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "gbk.h"
#include "prompt.h"
#include "xtwidgets.h"

void CGbkString::SetBytes(std::string_view bytes)
{
    m_bytes.assign(bytes);
    m_strShown = QString::fromStdString(GbkToUtf8(bytes));
    m_strText = m_strShown;
}

std::optional<std::string> CGbkString::Bytes() const
{
    if (m_strText == m_strShown) return m_bytes;
    return Utf8ToGbk(m_strText.toStdString());
}

QWidget* CDataExchange::Control(int id) const
{
    return m_pDlgWnd->findChild<QWidget*>(QString::number(id));
}

void CDataExchange::Fail(QWidget* control, const std::string& message)
{
    m_bFailed = true;
    m_prompt.Inform(message);
    if (control) {
        control->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
    }
}

void DDX_Control(CDataExchange& dx, int id, CXTButton& button)
{
    if (dx.Failed() || button.Button()) return;
    if (auto* b = qobject_cast<QPushButton*>(dx.Control(id))) button.Attach(b);
}

void DDX_Text(CDataExchange& dx, int id, QString& value)
{
    if (dx.Failed()) return;
    auto* edit = qobject_cast<QLineEdit*>(dx.Control(id));
    if (!edit) return;
    if (dx.m_bSaveAndValidate)
        value = edit->text();
    else
        edit->setText(value);
}

void DDX_Text(CDataExchange& dx, int id, CGbkString& value)
{
    if (dx.Failed()) return;
    auto* edit = qobject_cast<QLineEdit*>(dx.Control(id));
    if (!edit) return;
    // Whether the text can be stored is the caller's check: the import path reads the name
    // without using it, and must not be stopped by it.
    if (dx.m_bSaveAndValidate)
        value.SetText(edit->text());
    else
        edit->setText(value.Text());
}

void DDX_Text(CDataExchange& dx, int id, int& value)
{
    if (dx.Failed()) return;
    auto* edit = qobject_cast<QLineEdit*>(dx.Control(id));
    if (!edit) return;
    if (!dx.m_bSaveAndValidate) {
        edit->setText(QString::number(value));
        return;
    }
    if (auto v = ParseDialogInt(edit->text().toStdString()))
        value = *v;
    else
        dx.Fail(edit, kMsgNotInteger);
}

void DDX_Text(CDataExchange& dx, int id, float& value)
{
    if (dx.Failed()) return;
    auto* edit = qobject_cast<QLineEdit*>(dx.Control(id));
    if (!edit) return;
    if (!dx.m_bSaveAndValidate) {
        edit->setText(QString::fromStdString(FormatDialogFloat(value)));
        return;
    }
    if (auto v = ParseDialogFloat(edit->text().toStdString()))
        value = *v;
    else
        dx.Fail(edit, kMsgNotNumber);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

}  // namespace

std::optional<int> ParseDialogInt(std::string_view text)
{
    std::string_view s = TrimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) return std::nullopt;
    for (char c : s)
        if (!IsDigit(c)) return std::nullopt;
    // Accumulate negatively so that the most negative value fits.
    long long v = 0;
    for (char c : s) {
        v = v * 10 - (c - '0');
        if (v < std::numeric_limits<int>::min()) return std::nullopt;
    }
    if (!negative) {
        v = -v;
        if (v > std::numeric_limits<int>::max()) return std::nullopt;
    }
    return static_cast<int>(v);
}

std::optional<float> ParseDialogFloat(std::string_view text)
{
    std::string_view s = TrimBlanks(text);
    bool negative = false;
    std::string_view body = s;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    if (EqualsNoCase(body, "inf") || EqualsNoCase(body, "infinity"))
        return negative ? -std::numeric_limits<float>::infinity() : std::numeric_limits<float>::infinity();
    if (EqualsNoCase(body, "nan")) return std::numeric_limits<float>::quiet_NaN();

    // Only plain decimal notation: the C library would also take hexadecimal floats.
    std::size_t i = 0, digits = 0;
    while (i < body.size() && IsDigit(body[i])) ++i, ++digits;
    if (i < body.size() && body[i] == '.') {
        ++i;
        while (i < body.size() && IsDigit(body[i])) ++i, ++digits;
    }
    if (digits == 0) return std::nullopt;
    if (i < body.size() && (body[i] == 'e' || body[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < body.size() && (body[j] == '+' || body[j] == '-')) ++j;
        std::size_t expDigits = 0;
        while (j < body.size() && IsDigit(body[j])) ++j, ++expDigits;
        if (expDigits == 0) return std::nullopt;
        i = j;
    }
    if (i != body.size()) return std::nullopt;

    float v = 0.0f;
    auto [end, ec] = std::from_chars(body.data(), body.data() + body.size(), v);
    if (ec != std::errc() || end != body.data() + body.size()) return std::nullopt;  // out of range
    return negative ? -v : v;
}

std::string FormatDialogFloat(float value)
{
    if (std::isnan(value)) return "nan";
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "0";
    return std::string(buf, end);
}
