#include "listfind.h"

#include "asciitext.h"
#include "gbk.h"

namespace {

// A GBK lead byte: the character takes this byte and the next.
constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xfe; }

// ASCII letters lowered, two-byte characters untouched (their second byte may look like a
// letter). Returns false when the text ends inside a character.
bool FoldGbk(std::string_view in, std::string& out)
{
    out.assign(in);
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(out[i]))) {
            if (++i >= out.size()) return false;
            continue;
        }
        out[i] = AsciiLower(out[i]);
    }
    return true;
}

}  // namespace

RecordMatcher::RecordMatcher(FindField field, std::string_view utf8) : m_field(field)
{
    switch (field) {
    case FindField::Name: {
        const std::optional<std::string> gbk = Utf8ToGbk(utf8);
        m_valid = gbk && !gbk->empty() && gbk->size() <= sizeof(DeviceRecord::name) && FoldGbk(*gbk, m_name);
        break;
    }
    case FindField::Signature:
        for (char c : utf8) {
            if (c == ' ' || c == '\t') continue;
            const int v = HexDigitValue(c);
            if (v < 0 || m_nibbleCount == std::size(m_nibbles)) return;
            m_nibbles[m_nibbleCount++] = static_cast<std::uint8_t>(v);
        }
        m_valid = m_nibbleCount > 0;
        break;
    case FindField::Fid: {
        const std::string_view text = TrimAscii(utf8);
        if (text.empty() || text.size() > 2) return;
        int value = 0;
        for (char c : text) {
            const int v = HexDigitValue(c);
            if (v < 0) return;
            value = value * 16 + v;
        }
        m_fid = static_cast<std::uint8_t>(value);
        m_valid = true;
        break;
    }
    }
}

bool RecordMatcher::NameMatches(const DeviceRecord& rec) const
{
    const std::string_view name = RecordName(rec);
    const std::size_t n = m_name.size();
    // Only character starts are tried; from one, equal bytes keep both texts on the same
    // character boundaries, since a byte decides its character's length.
    for (std::size_t start = 0; start + n <= name.size();) {
        std::size_t i = 0;
        while (i < n && AsciiLower(name[start + i]) == m_name[i]) {
            // A two-byte character's second byte is compared exactly, never lowered.
            if (IsLeadByte(static_cast<unsigned char>(m_name[i])) && i + 1 < n) {
                if (name[start + i + 1] != m_name[i + 1]) break;
                ++i;
            }
            ++i;
        }
        if (i == n) return true;
        start += IsLeadByte(static_cast<unsigned char>(name[start])) ? 2 : 1;
    }
    return false;
}

bool RecordMatcher::SignatureMatches(const DeviceRecord& rec) const
{
    std::uint8_t nibbles[6];
    for (std::size_t b = 0; b < 3; ++b) {
        nibbles[2 * b] = static_cast<std::uint8_t>(rec.signature[b] >> 4);
        nibbles[2 * b + 1] = static_cast<std::uint8_t>(rec.signature[b] & 0x0f);
    }
    for (std::size_t start = 0; start + m_nibbleCount <= std::size(nibbles); start += 2) {
        std::size_t i = 0;
        while (i < m_nibbleCount && nibbles[start + i] == m_nibbles[i]) ++i;
        if (i == m_nibbleCount) return true;
    }
    return false;
}

bool RecordMatcher::Matches(const DeviceRecord& rec) const
{
    if (!m_valid) return false;
    switch (m_field) {
    case FindField::Name:
        return NameMatches(rec);
    case FindField::Signature:
        return SignatureMatches(rec);
    case FindField::Fid:
        return rec.fid == m_fid;
    }
    return false;
}

std::size_t FindStart(long selectedRow, std::size_t count, FindDirection direction, bool again)
{
    if (!again) return selectedRow < 0 ? 0 : static_cast<std::size_t>(selectedRow);
    if (direction == FindDirection::Forward) return selectedRow < 0 ? 0 : static_cast<std::size_t>(selectedRow) + 1;
    return selectedRow <= 0 ? count : static_cast<std::size_t>(selectedRow) - 1;
}

std::optional<std::size_t> FindRow(const DeviceList& list, const RecordMatcher& matcher, std::size_t start,
                                   FindDirection direction)
{
    const std::size_t count = list.Count();
    if (count == 0 || !matcher.Valid()) return std::nullopt;
    const bool forward = direction == FindDirection::Forward;
    if (start >= count) start = forward ? 0 : count - 1;
    std::size_t row = start;
    for (std::size_t seen = 0; seen < count; ++seen) {
        if (matcher.Matches(*list[row])) return row;
        row = forward ? (row + 1 == count ? 0 : row + 1) : (row == 0 ? count - 1 : row - 1);
    }
    return std::nullopt;
}
