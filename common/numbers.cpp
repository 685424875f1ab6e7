#include "numbers.h"

#include "asciitext.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace {

template <class T>
std::optional<T> FromChars(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The dialog forms: blanks around, then one optional sign of either kind. `body` is what follows
// the sign; false when a second sign follows, which from_chars alone would take.
bool SplitDialogSign(std::string_view text, bool& negative, std::string_view& body)
{
    body = TrimAscii(text);
    negative = false;
    if (!body.empty() && (body.front() == '+' || body.front() == '-')) {
        negative = body.front() == '-';
        body.remove_prefix(1);
    }
    return body.empty() || (body.front() != '-' && body.front() != '+');
}

}  // namespace

std::optional<std::int32_t> ParseInt32(std::string_view text) { return FromChars<std::int32_t>(text); }

std::optional<float> ParseFloat(std::string_view text) { return FromChars<float>(text); }

std::optional<int> ParseDialogInt(std::string_view text)
{
    bool negative = false;
    std::string_view body;
    if (!SplitDialogSign(text, negative, body)) return std::nullopt;
    // Read with its sign, so that the most negative value fits.
    const std::string_view signedBody = negative ? std::string_view(body.data() - 1, body.size() + 1) : body;
    return FromChars<int>(signedBody);
}

std::optional<float> ParseDialogFloat(std::string_view text)
{
    bool negative = false;
    std::string_view body;
    if (!SplitDialogSign(text, negative, body)) return std::nullopt;
    // from_chars also reads "nan(chars)"; the dialogs never did.
    if (body.find('(') != std::string_view::npos) return std::nullopt;
    const std::optional<float> v = FromChars<float>(body);
    if (!v) return std::nullopt;
    if (std::isnan(*v)) return std::numeric_limits<float>::quiet_NaN();
    return negative ? -*v : *v;
}
