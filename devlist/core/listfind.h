#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "record.h"

// Finding a device in the list as the user types: by name, by signature or by FID.
enum class FindField { Name, Signature, Fid };

// One query, prepared once per keystroke so that testing a record costs only a few compares.
//   Name:      the text anywhere in the name; ASCII letters match either case, other GBK
//              characters match exactly, and a match never starts or ends inside a character.
//   Signature: hex bytes as the list shows them ("1e 93 01", blanks optional), a run of the
//              three bytes starting at any byte; the last byte may be half typed ("1e 9").
//   Fid:       the FID's value, one or two hex digits ("a" and "0A" both find 0a).
// A query that cannot match anything (empty, not hex, a character GBK lacks) matches nothing.
class RecordMatcher {
public:
    // `utf8` is the text as typed.
    RecordMatcher(FindField field, std::string_view utf8);

    bool Valid() const { return m_valid; }
    bool Matches(const DeviceRecord& rec) const;

private:
    bool NameMatches(const DeviceRecord& rec) const;
    bool SignatureMatches(const DeviceRecord& rec) const;

    FindField m_field;
    bool m_valid = false;
    std::string m_name;                 // GBK, ASCII letters lowered
    std::uint8_t m_nibbles[6] = {};     // signature query, high nibble first
    std::size_t m_nibbleCount = 0;
    std::uint8_t m_fid = 0;
};

enum class FindDirection { Forward, Backward };

// Where a search of a list of `count` rows starts, given the selected row (negative for none):
// a changed query looks from the selected row itself (`again` false), the next or previous
// match from the row after or before it. Past the end stands for the last row going backward.
std::size_t FindStart(long selectedRow, std::size_t count, FindDirection direction, bool again);

// The first matching row met going from `start` (inclusive) in `direction`, wrapping round the
// end of the list once; nothing when no row matches. `start` past the end counts as 0 (forward)
// or as the last row (backward).
std::optional<std::size_t> FindRow(const DeviceList& list, const RecordMatcher& matcher, std::size_t start,
                                   FindDirection direction);
