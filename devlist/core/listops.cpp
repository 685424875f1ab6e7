#include "listops.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <random>
#include <tuple>
#include <utility>

namespace {

using PairVec = std::vector<std::uint64_t, LargeAllocator<std::uint64_t>>;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Index of the first zero byte of `v` (little-endian), or 8. The lowest flagged byte of the
// classic zero-byte test is exact; only bytes above it can be false positives.
unsigned FirstZeroByte(std::uint64_t v)
{
    const std::uint64_t t = (v - kOnes) & ~v & kHighs;
    return t == 0 ? 8U : static_cast<unsigned>(std::countr_zero(t)) / 8U;
}

std::uint64_t KeepLowBytes(std::uint64_t v, unsigned n)
{
    return n >= 8 ? v : (v & ((std::uint64_t{1} << (8 * n)) - 1));
}

// Sorts `data` stably by its high 32 bits (LSD radix, 11 + 11 + 10 bits). `tmp` must hold as many
// elements. Passes whose digit is the same for every element are skipped.
void RadixSortHigh32(std::uint64_t* data, std::uint64_t* tmp, std::size_t n)
{
    constexpr int kPasses = 3;
    constexpr unsigned kShift[kPasses] = {32, 43, 54};
    constexpr unsigned kBits[kPasses] = {11, 11, 10};
    constexpr std::size_t kBuckets = std::size_t{1} << 11;
    static thread_local std::size_t counts[kPasses][kBuckets];
    std::memset(counts, 0, sizeof counts);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t v = data[i];
        ++counts[0][(v >> 32) & 0x7FF];
        ++counts[1][(v >> 43) & 0x7FF];
        ++counts[2][(v >> 54) & 0x3FF];
    }
    std::uint64_t* src = data;
    std::uint64_t* dst = tmp;
    for (int p = 0; p < kPasses; ++p) {
        const std::size_t buckets = std::size_t{1} << kBits[p];
        const std::size_t mask = buckets - 1;
        bool trivial = false;
        std::size_t sum = 0;
        for (std::size_t b = 0; b < buckets; ++b) {
            const std::size_t c = counts[p][b];
            if (c == n)
                trivial = true;
            counts[p][b] = sum;
            sum += c;
        }
        if (trivial)
            continue;
        std::size_t* offs = counts[p];
        const unsigned shift = kShift[p];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t v = src[i];
            dst[offs[(v >> shift) & mask]++] = v;
        }
        std::swap(src, dst);
    }
    if (src != data)
        std::memcpy(data, src, n * sizeof *data);
}

std::uint32_t Hash32(const DeviceRecord& rec)
{
    return static_cast<std::uint32_t>(HashDuplicateKey(MakeDuplicateKey(rec)) >> 32);
}

// (hash << 32 | index) for every record, sorted by hash; equal hashes stay in list order.
PairVec SortedHashPairs(const DeviceList& list)
{
    const auto& refs = list.RefArray();
    const std::size_t n = refs.size();
    PairVec pairs(n);
    for (std::size_t i = 0; i < n; ++i)
        pairs[i] = std::uint64_t{Hash32(*refs[i])} << 32 | i;
    PairVec tmp(n);
    RadixSortHigh32(pairs.data(), tmp.data(), n);
    return pairs;
}

// Calls body(k, index) for every position k of `pairs` (sorted by hash) that `wanted` selects,
// stopping when body returns false. The records come in hash order, i.e. at random places in
// memory; fetching them a few dozen steps ahead hides most of the cache misses, which otherwise
// cost more than the whole sort.
template <class Wanted, class Body>
void WalkInHashOrder(const PairVec& pairs, const DeviceList::Refs& refs, Wanted wanted, Body body)
{
    constexpr std::size_t kAhead = 16;
    const std::size_t n = pairs.size();
    auto indexAt = [&](std::size_t k) { return static_cast<std::size_t>(pairs[k] & 0xFFFFFFFFU); };
    for (std::size_t k = 0; k < n; ++k) {
        if (k + 2 * kAhead < n && wanted(k + 2 * kAhead))
            __builtin_prefetch(&refs[indexAt(k + 2 * kAhead)]);
        if (k + kAhead < n && wanted(k + kAhead)) {
            const char* rec = reinterpret_cast<const char*>(refs[indexAt(k + kAhead)]);
            __builtin_prefetch(rec);
            __builtin_prefetch(rec + offsetof(DeviceRecord, signature));
        }
        if (wanted(k) && !body(k, indexAt(k)))
            return;
    }
}

// One record of a run of records that share a hash.
struct RunMember {
    DuplicateKey key;
    std::size_t index;
};

// Only records whose hash is shared with a neighbour can share a key; all others are distinct
// already. Calls onRun(run) for each run of equal hashes, its members in list order; onRun
// returns false to stop early.
template <class OnRun>
void ForEachSharedHashRun(const PairVec& pairs, const DeviceList::Refs& refs, OnRun onRun)
{
    const std::size_t n = pairs.size();
    auto hashAt = [&](std::size_t k) { return pairs[k] >> 32; };
    auto shared = [&](std::size_t k) {
        return (k > 0 && hashAt(k - 1) == hashAt(k)) || (k + 1 < n && hashAt(k + 1) == hashAt(k));
    };
    std::vector<RunMember> run;
    WalkInHashOrder(pairs, refs, shared, [&](std::size_t k, std::size_t idx) {
        run.push_back({MakeDuplicateKey(*refs[idx]), idx});
        if (k + 1 < n && hashAt(k + 1) == hashAt(k))
            return true;
        const bool goOn = onRun(run);
        run.clear();
        return goOn;
    });
}

// Calls visit(first, later) for the duplicates among records that share one hash, `run` being
// in list order. Distinct keys that share a hash are compared exactly, so the result never
// depends on the hash; a long run (many keys made to collide) is sorted by key rather than
// compared pair by pair, so that no input makes this quadratic. False when visit stopped.
template <class Member, class Visit>
bool VisitLaterDuplicates(std::vector<Member>& run, Visit& visit)
{
    constexpr std::size_t kPairwiseLimit = 8;
    if (run.size() <= kPairwiseLimit) {
        for (std::size_t i = 1; i < run.size(); ++i)
            for (std::size_t j = 0; j < i; ++j)
                if (run[j].key == run[i].key) {
                    if (!visit(run[j].index, run[i].index))
                        return false;
                    break;
                }
        return true;
    }
    // One key throughout (a device repeated, the usual long run) needs no sort: the run is in
    // list order already, its first member the first of the group.
    if (std::all_of(run.begin() + 1, run.end(), [&](const Member& m) { return m.key == run.front().key; })) {
        for (std::size_t i = 1; i < run.size(); ++i)
            if (!visit(run.front().index, run[i].index))
                return false;
        return true;
    }
    std::sort(run.begin(), run.end(), [](const Member& a, const Member& b) {
        return std::tie(a.key.w[0], a.key.w[1], a.key.w[2], a.index) <
               std::tie(b.key.w[0], b.key.w[1], b.key.w[2], b.index);
    });
    std::size_t first = 0;
    for (std::size_t i = 1; i < run.size(); ++i) {
        if (!(run[i].key == run[first].key))
            first = i;
        else if (!visit(run[first].index, run[i].index))
            return false;
    }
    return true;
}

// Calls visit(first, later) for every record `later` whose duplicate key equals that of the
// earlier record `first`, the first of its group in list order. Visits are grouped by hash, not
// in list order. visit returns false to stop early.
template <class Visit>
void ForEachLaterDuplicate(const DeviceList& list, Visit visit)
{
    const auto& refs = list.RefArray();
    const std::size_t n = refs.size();
    if (n < 2)
        return;
    const PairVec pairs = SortedHashPairs(list);
    ForEachSharedHashRun(pairs, refs, [&](std::vector<RunMember>& run) { return VisitLaterDuplicates(run, visit); });
}

}  // namespace

std::uint32_t TidyKey(const DeviceRecord& rec)
{
    return std::uint32_t{rec.fid} << 24 | std::uint32_t{rec.signature[2]} << 16 |
           std::uint32_t{rec.signature[1]} << 8 | std::uint32_t{rec.signature[0]};
}

DuplicateKey MakeDuplicateKey(const DeviceRecord& rec)
{
    std::uint64_t a, b;
    std::uint32_t c;
    std::memcpy(&a, rec.name, 8);
    std::memcpy(&b, rec.name + 8, 8);
    std::memcpy(&c, rec.name + 16, 4);
    // Clear every byte from the first NUL on: what follows it is not part of the name.
    unsigned len = FirstZeroByte(a);
    if (len == 8) {
        len += FirstZeroByte(b);
        if (len == 16)
            len += std::min(FirstZeroByte(c), 4U);  // c's high bytes are zero: clamp to the field
    }
    a = KeepLowBytes(a, len);
    b = KeepLowBytes(b, len > 8 ? len - 8 : 0);
    const std::uint64_t tail = KeepLowBytes(c, len > 16 ? len - 16 : 0);
    DuplicateKey key;
    key.w[0] = a;
    key.w[1] = b;
    key.w[2] = tail | std::uint64_t{rec.signature[0]} << 32 | std::uint64_t{rec.signature[1]} << 40 |
               std::uint64_t{rec.signature[2]} << 48;
    return key;
}

namespace {

// Chosen afresh by every process, so that no list can be made whose keys all share a hash.
std::array<std::uint64_t, 4>& HashSeed()
{
    static std::array<std::uint64_t, 4> seed = [] {
        std::random_device rd;
        std::array<std::uint64_t, 4> s{};
        for (std::uint64_t& w : s)
            w = (std::uint64_t{rd()} << 32 | rd()) | 1;
        return s;
    }();
    return seed;
}

// The folded 128-bit product: every input bit reaches every output bit.
std::uint64_t MultiplyFold(std::uint64_t a, std::uint64_t b)
{
    __extension__ using Wide = unsigned __int128;
    const Wide p = static_cast<Wide>(a) * b;
    return static_cast<std::uint64_t>(p) ^ static_cast<std::uint64_t>(p >> 64);
}

}  // namespace

std::array<std::uint64_t, 4> ReplaceDuplicateHashKey(const std::array<std::uint64_t, 4>& key)
{
    return std::exchange(HashSeed(), key);
}

std::uint64_t HashDuplicateKey(const DuplicateKey& key)
{
    const std::array<std::uint64_t, 4>& s = HashSeed();
    return MultiplyFold(MultiplyFold(key.w[0] ^ s[0], key.w[1] ^ s[1]) ^ s[3], key.w[2] ^ s[2]);
}

bool SameDuplicateKey(const DeviceRecord& a, const DeviceRecord& b)
{
    return std::memcmp(a.signature, b.signature, sizeof a.signature) == 0 &&
           RecordName(a) == RecordName(b);
}

bool HasDuplicates(const DeviceList& list)
{
    bool found = false;
    ForEachLaterDuplicate(list, [&](std::size_t, std::size_t) {
        found = true;
        return false;
    });
    return found;
}

std::size_t RemoveDuplicates(DeviceList& list, ListPositions* removedAt, DeviceList::Refs* removed)
{
    auto& refs = list.RefArray();
    const std::size_t n = refs.size();
    std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> drop;
    std::size_t dropped = 0;
    ForEachLaterDuplicate(list, [&](std::size_t, std::size_t later) {
        if (drop.empty())
            drop.assign(n, 0);
        drop[later] = 1;
        ++dropped;
        return true;
    });
    if (dropped == 0)
        return n;
    if (removedAt)
        removedAt->clear();
    if (removed)
        removed->clear();
    std::size_t out = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!drop[i]) {
            refs[out++] = refs[i];
            continue;
        }
        if (removedAt)
            removedAt->push_back(static_cast<std::uint32_t>(i));
        if (removed)
            removed->push_back(refs[i]);
    }
    refs.resize(out);
    return out;
}

bool SortByTidyKey(DeviceList& list, ListPositions* earlier)
{
    auto& refs = list.RefArray();
    const std::size_t n = refs.size();
    if (earlier)
        earlier->clear();
    if (n < 2)
        return false;
    PairVec pairs(n);
    bool sorted = true;
    std::uint32_t prev = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t key = TidyKey(*refs[i]);
        sorted = sorted && key >= prev;
        prev = key;
        pairs[i] = std::uint64_t{key} << 32 | i;
    }
    if (sorted)
        return false;
    {
        PairVec tmp(n);
        RadixSortHigh32(pairs.data(), tmp.data(), n);
    }
    const DeviceList::Refs old(refs);
    if (earlier)
        earlier->resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        const auto from = static_cast<std::uint32_t>(pairs[i] & 0xFFFFFFFFU);
        refs[i] = old[from];
        if (earlier)
            (*earlier)[i] = from;
    }
    return true;
}

std::vector<std::vector<std::size_t>> FindDuplicateGroups(const DeviceList& list)
{
    // Group number per first index, then members appended in list order.
    std::vector<std::pair<std::size_t, std::size_t>> links;  // (first, later)
    ForEachLaterDuplicate(list, [&](std::size_t first, std::size_t later) {
        links.emplace_back(first, later);
        return true;
    });
    std::sort(links.begin(), links.end());
    std::vector<std::vector<std::size_t>> groups;
    for (std::size_t k = 0; k < links.size(); ++k) {
        if (k == 0 || links[k].first != links[k - 1].first)
            groups.push_back({links[k].first});
        groups.back().push_back(links[k].second);
    }
    return groups;
}

// ---- DuplicateIndex: open addressing over distinct keys, linear probing, at most four fifths full ----

namespace {

constexpr std::size_t kMinSlots = 16;

// Room for `keys` at most four fifths full; no more slots than 32-bit homes can reach.
std::size_t SlotsFor(std::size_t keys)
{
    const std::size_t wanted = std::max(kMinSlots, keys + keys / 4 + 1);
    return std::min<std::size_t>(wanted, std::size_t{1} << 32);
}

}  // namespace

DuplicateIndex::~DuplicateIndex() { Clear(); }

void DuplicateIndex::Clear()
{
    LargeFree(m_slots, m_capacity * sizeof *m_slots);
    m_slots = nullptr;
    m_capacity = 0;
    m_keys = 0;
    m_records = 0;
    m_repeats.clear();
}

// Into the first free slot from the key's home; the caller keeps the counts.
void DuplicateIndex::Place(const DeviceRecord* rec, std::uint32_t hash)
{
    std::size_t i = Home(hash);
    while (m_slots[i] != nullptr)
        i = Next(i);
    m_slots[i] = rec;
}

std::size_t DuplicateIndex::Find(const DuplicateKey& key, std::uint32_t hash, std::size_t* free) const
{
    std::size_t i = Home(hash);
    for (; m_slots[i] != nullptr; i = Next(i))
        if (MakeDuplicateKey(*m_slots[i]) == key)
            return i;
    if (free)
        *free = i;
    return m_capacity;
}

void DuplicateIndex::Grow(std::size_t minCapacity)
{
    const DeviceRecord** old = m_slots;
    const std::size_t oldCap = m_capacity;
    m_capacity = std::max(minCapacity, kMinSlots);
    m_slots = static_cast<const DeviceRecord**>(LargeAllocZeroed(m_capacity * sizeof *m_slots));
    for (std::size_t i = 0; i < oldCap; ++i)
        if (old[i] != nullptr)
            Place(old[i], Hash32(*old[i]));
    LargeFree(old, oldCap * sizeof *old);
}

void DuplicateIndex::Add(const DeviceRecord& rec)
{
    if ((m_keys + 1) * 5 > m_capacity * 4)
        Grow(SlotsFor(2 * (m_keys + 1)));
    const DuplicateKey key = MakeDuplicateKey(rec);
    std::size_t free = 0;
    const std::size_t at = Find(key, static_cast<std::uint32_t>(HashDuplicateKey(key) >> 32), &free);
    ++m_records;
    if (at != m_capacity) {
        ++m_repeats[m_slots[at]];
        return;
    }
    m_slots[free] = &rec;
    ++m_keys;
}

void DuplicateIndex::Remove(const DeviceRecord& rec)
{
    if (m_capacity == 0)
        return;
    const DuplicateKey key = MakeDuplicateKey(rec);
    const std::size_t found = Find(key, static_cast<std::uint32_t>(HashDuplicateKey(key) >> 32));
    if (found == m_capacity)
        return;
    --m_records;
    if (const auto more = m_repeats.find(m_slots[found]); more != m_repeats.end()) {
        if (--more->second == 0)
            m_repeats.erase(more);
        return;
    }
    --m_keys;

    // Backward-shift deletion keeps every probe run unbroken without tombstones.
    std::size_t hole = found;
    for (std::size_t j = Next(hole); m_slots[j] != nullptr; j = Next(j)) {
        const std::size_t home = Home(Hash32(*m_slots[j]));
        // Move j into the hole unless its home lies cyclically in (hole, j].
        const bool homeBetween = hole < j ? (home > hole && home <= j) : (home > hole || home <= j);
        if (!homeBetween) {
            m_slots[hole] = m_slots[j];
            hole = j;
        }
    }
    m_slots[hole] = nullptr;
}

void DuplicateIndex::Rebuild(const DeviceList& list)
{
    Clear();
    const std::size_t n = list.Count();
    if (n == 0)
        return;
    const auto& refs = list.RefArray();
    const PairVec pairs = SortedHashPairs(list);

    // Each later record of a key only adds to the count of the key's first one. Visits of one
    // group mostly come one after another, so the count is added once for each stretch of them.
    std::vector<std::uint8_t, LargeAllocator<std::uint8_t>> later;
    std::size_t repeated = 0;
    const DeviceRecord* group = nullptr;
    std::size_t groupMore = 0;
    auto keepGroup = [&] {
        if (group != nullptr)
            m_repeats[group] += groupMore;
    };
    ForEachSharedHashRun(pairs, refs, [&](std::vector<RunMember>& run) {
        auto note = [&](std::size_t first, std::size_t again) {
            if (later.empty())
                later.assign(n, 0);
            later[again] = 1;
            ++repeated;
            if (refs[first] != group) {
                keepGroup();
                group = refs[first];
                groupMore = 0;
            }
            ++groupMore;
            return true;
        };
        return VisitLaterDuplicates(run, note);
    });
    keepGroup();
    m_records = n;
    m_keys = n - repeated;
    m_capacity = SlotsFor(m_keys);
    m_slots = static_cast<const DeviceRecord**>(LargeAllocZeroed(m_capacity * sizeof *m_slots));

    // In hash order homes never go down, so each key goes to its home or just past the key
    // before it: the table fills front to back without looking at any record. The last few may
    // run past the end; they take the free slots from the front in turn, where a probe from their
    // home would end too (every slot from there to the end is full).
    std::size_t next = 0;
    std::size_t wrapped = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t index = pairs[k] & 0xFFFFFFFFU;
        if (!later.empty() && later[index])
            continue;
        const DeviceRecord* rec = refs[index];
        const std::size_t at = std::max(Home(static_cast<std::uint32_t>(pairs[k] >> 32)), next);
        if (at < m_capacity) {
            m_slots[at] = rec;
            next = at + 1;
            continue;
        }
        while (m_slots[wrapped] != nullptr)
            ++wrapped;
        m_slots[wrapped] = rec;
    }
}
