#include "list_diff.h"

#include "listops.h"
#include "records_text.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <unordered_map>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

struct KeyHash {
    std::size_t operator()(const DuplicateKey& key) const { return HashDuplicateKey(key); }
};

// NaNs are one value here, as in the text forms, which do not keep their payload.
bool SameVoltage(float a, float b)
{
    if (std::isnan(a) && std::isnan(b)) return std::signbit(a) == std::signbit(b);
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

}  // namespace

std::vector<ListDifference> DiffLists(const DeviceList& oldList, const DeviceList& newList)
{
    // Each key's old rows as a chain in list order: `head` holds the next unpaired row of a key,
    // `next` the row after it.
    std::unordered_map<DuplicateKey, std::size_t, KeyHash> head;
    head.reserve(oldList.Count());
    std::vector<std::size_t> next(oldList.Count(), kNone);
    for (std::size_t i = oldList.Count(); i-- > 0;) {
        auto [it, inserted] = head.try_emplace(MakeDuplicateKey(*oldList[i]), i);
        if (!inserted) {
            next[i] = it->second;
            it->second = i;
        }
    }

    std::vector<ListDifference> diffs;
    std::vector<bool> paired(oldList.Count(), false);
    for (std::size_t j = 0; j < newList.Count(); ++j) {
        const DeviceRecord& rec = *newList[j];
        const auto it = head.find(MakeDuplicateKey(rec));
        if (it == head.end() || it->second == kNone) {
            diffs.push_back({ListDifference::Kind::Added, kNone, j});
            continue;
        }
        const std::size_t i = it->second;
        it->second = next[i];
        paired[i] = true;
        if (!ChangedFieldsText(*oldList[i], rec).empty()) diffs.push_back({ListDifference::Kind::Changed, i, j});
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
        field("编程电压", FormatVoltage(oldRec.voltage) + "V", FormatVoltage(newRec.voltage) + "V");
    return text;
}
