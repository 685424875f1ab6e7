#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "record.h"

// The editor's list rules. Two records are duplicates when their signatures are equal and their
// names (bytes up to the first NUL, within the 20-byte field) are equal byte for byte; case
// matters and fid, ROM size and voltage play no part. The tidy order is ascending by the unsigned
// key fid:signature[2]:signature[1]:signature[0], stable for equal keys.
//
// All operations give exactly the results of the plain pair scans and exchange sort, in
// O(n log n) or better, since lists of a million records are normal. A list holds at most
// kMaxListRecords references (the reader refuses more), so a record's index fits 32 bits.

// Rows of a list, 32 bits each: what a whole-list change keeps for its undo.
using ListPositions = std::vector<std::uint32_t, LargeAllocator<std::uint32_t>>;

std::uint32_t TidyKey(const DeviceRecord& rec);
bool SameDuplicateKey(const DeviceRecord& a, const DeviceRecord& b);

bool HasDuplicates(const DeviceList& list);
// Keeps the first record of each duplicate group where it stands; the survivors keep their
// order. Returns how many references are left. When asked, tells the rows the removed records
// stood at (ascending) and the records themselves.
std::size_t RemoveDuplicates(DeviceList& list, ListPositions* removedAt = nullptr,
                             DeviceList::Refs* removed = nullptr);
// True when the order changed; then `earlier`, when asked, gives for each row the row its record
// stood at before (left empty for lists beyond 32-bit rows).
bool SortByTidyKey(DeviceList& list, ListPositions* earlier = nullptr);

// Indexes of each group of two or more duplicates, in list order; groups ordered by their first
// index.
std::vector<std::vector<std::size_t>> FindDuplicateGroups(const DeviceList& list);

// The duplicate key in a form that compares and hashes as three words: the name with every byte
// after its first NUL cleared, and the signature.
struct DuplicateKey {
    std::uint64_t w[3];
    bool operator==(const DuplicateKey&) const = default;
};
DuplicateKey MakeDuplicateKey(const DeviceRecord& rec);
// Keyed afresh in every process, so that no list file can make its keys collide: a value is
// good only within the process that computed it.
std::uint64_t HashDuplicateKey(const DuplicateKey& key);
// Replaces the process's hash key and returns the one it had, so that a test can make many keys
// share a hash (with all zeros, every key whose name is empty hashes alike). Not for use while
// a DuplicateIndex holds keys.
std::array<std::uint64_t, 4> ReplaceDuplicateHashKey(const std::array<std::uint64_t, 4>& key);

// Keeps "does the list hold a duplicate" answerable in O(1) while single records come and go, so
// that a window over a million records need not rescan after each add, delete or modify.
// Feed it every change: Add when a record enters the list, Remove when one leaves. It keeps one
// reference per distinct key (8 bytes, about 10 bytes a key with the free slots), the first
// record added with it standing for them all, and a count for each key held more than once: a
// key repeated a million times is one slot, so adding or removing one more of it costs the same
// as for any other key. The records it holds must not change and must outlive it (or its next
// Rebuild or Clear), even once they have left it: a modification puts a changed copy in the
// record's place (Remove the old one, Add the copy), as the editor does, and the editor's
// records stay while the list they were read for is open.
class DuplicateIndex {
public:
    DuplicateIndex() = default;
    ~DuplicateIndex();
    DuplicateIndex(const DuplicateIndex&) = delete;
    DuplicateIndex& operator=(const DuplicateIndex&) = delete;

    void Rebuild(const DeviceList& list);
    void Clear();
    void Add(const DeviceRecord& rec);
    // Takes out one record with the key of `rec`; a key that is not present is ignored.
    void Remove(const DeviceRecord& rec);
    bool HasDuplicates() const { return !m_repeats.empty(); }
    std::size_t Count() const { return m_records; }

private:
    void Grow(std::size_t minCapacity);
    void Place(const DeviceRecord* rec, std::uint32_t hash);
    // The slot holding the key, or m_capacity; `free` is set to the empty slot ending its run.
    std::size_t Find(const DuplicateKey& key, std::uint32_t hash, std::size_t* free = nullptr) const;
    // Homes come from the hash scaled to the table, so keys taken in hash order fill the table
    // front to back.
    std::size_t Home(std::uint32_t hash) const { return static_cast<std::size_t>((std::uint64_t{hash} * m_capacity) >> 32); }
    std::size_t Next(std::size_t i) const { return i + 1 == m_capacity ? 0 : i + 1; }

    const DeviceRecord** m_slots = nullptr;  // nullptr = empty slot
    std::size_t m_capacity = 0;              // at most 2^32
    std::size_t m_keys = 0;                  // slots in use
    std::size_t m_records = 0;
    // For each key held more than once, by the record in its slot: how many more records hold it.
    std::unordered_map<const DeviceRecord*, std::size_t> m_repeats;
};
