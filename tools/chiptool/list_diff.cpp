#include "list_diff.h"

#include "listops.h"
#include "records_text.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// A record's key and row; sorting these brings each key's rows together in list order.
struct KeyedRow {
    DuplicateKey key;
    std::size_t row;
    bool operator<(const KeyedRow& o) const
    {
        for (int k = 0; k < 3; ++k)
            if (key.w[k] != o.key.w[k]) return key.w[k] < o.key.w[k];
        return row < o.row;
    }
};

std::vector<KeyedRow> SortedKeyedRows(const DeviceList& list)
{
    std::vector<KeyedRow> rows(list.Count());
    for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = {MakeDuplicateKey(*list[i]), i};
    std::sort(rows.begin(), rows.end());
    return rows;
}

// For each new row, the old row it pairs with (or kNone): both lists sorted by key, then walked
// side by side, so that equal keys meet run against run, k-th with k-th.
std::vector<std::size_t> PairRows(const DeviceList& oldList, const DeviceList& newList)
{
    const std::vector<KeyedRow> olds = SortedKeyedRows(oldList), news = SortedKeyedRows(newList);
    std::vector<std::size_t> oldOfNew(newList.Count(), kNone);
    std::size_t i = 0;
    for (const KeyedRow& n : news) {
        while (i < olds.size() && olds[i] < KeyedRow{n.key, 0}) ++i;
        if (i < olds.size() && olds[i].key == n.key) oldOfNew[n.row] = olds[i++].row;
    }
    return oldOfNew;
}

// NaNs are one value here, as in the text forms, which do not keep their payload.
bool SameVoltage(float a, float b)
{
    if (std::isnan(a) && std::isnan(b)) return std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

}  // namespace

std::vector<ListDifference> DiffLists(const DeviceList& oldList, const DeviceList& newList)
{
    const std::vector<std::size_t> oldOfNew = PairRows(oldList, newList);
    std::vector<ListDifference> diffs;
    std::vector<bool> paired(oldList.Count(), false);
    for (std::size_t j = 0; j < newList.Count(); ++j) {
        const std::size_t i = oldOfNew[j];
        if (i == kNone) {
            diffs.push_back({ListDifference::Kind::Added, kNone, j});
            continue;
        }
        paired[i] = true;
        if (!ChangedFieldsText(*oldList[i], *newList[j]).empty())
            diffs.push_back({ListDifference::Kind::Changed, i, j});
    }
    for (std::size_t i = 0; i < oldList.Count(); ++i)
        if (!paired[i]) diffs.push_back({ListDifference::Kind::Removed, i, kNone});
    return diffs;
}

std::string ChangedFieldsText(const DeviceRecord& oldRec, const DeviceRecord& newRec)
{
    std::string text;
    auto field = [&](const char* title, const std::string& from, const std::string& to) {
        text += text.empty() ? "" : ", ";
        text += std::string(title) + " " + from + " -> " + to;
    };
    if (oldRec.fid != newRec.fid) field("FID", FormatHexByte(oldRec.fid), FormatHexByte(newRec.fid));
    if (oldRec.romKb != newRec.romKb) field("ROM", FormatRomCell(oldRec.romKb), FormatRomCell(newRec.romKb));
    if (!SameVoltage(oldRec.voltage, newRec.voltage))
        field("编程电压", FormatVoltageText(oldRec.voltage) + "V", FormatVoltageText(newRec.voltage) + "V");
    return text;
}
