#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
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

std::uint32_t TidyKey(const DeviceRecord& rec);
bool SameDuplicateKey(const DeviceRecord& a, const DeviceRecord& b);

bool HasDuplicates(const DeviceList& list);
// Keeps the first record of each duplicate group where it stands; the survivors keep their
// order. Returns how many references are left.
std::size_t RemoveDuplicates(DeviceList& list);
void SortByTidyKey(DeviceList& list);

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
// Feed it every change: Add when a record enters the list, Remove when one leaves, and around an
// in-place modification Remove(old value) before and Add(new value) after.
class DuplicateIndex {
public:
    DuplicateIndex() = default;
    ~DuplicateIndex();
    DuplicateIndex(const DuplicateIndex&) = delete;
    DuplicateIndex& operator=(const DuplicateIndex&) = delete;

    void Rebuild(const DeviceList& list);
    void Clear();
    void Add(const DeviceRecord& rec);
    // `rec` must have been added before (by value); removing a key that is not present is ignored.
    void Remove(const DeviceRecord& rec);
    bool HasDuplicates() const { return m_dupKeys != 0; }
    std::size_t Count() const { return m_records; }

private:
    struct Slot {
        DuplicateKey key;
        std::uint32_t count;  // 0 = empty slot
        std::uint32_t hash;
    };
    Slot* Find(const DuplicateKey& key, std::uint32_t hash);
    void Grow(std::size_t minCapacity);
    void InsertNew(const DuplicateKey& key, std::uint32_t hash, std::uint32_t count);

    // The top bits of the hash pick the home slot, so records taken in hash order fill the
    // table front to back.
    std::size_t Home(std::uint32_t hash) const { return std::uint64_t{hash} >> m_homeShift; }

    Slot* m_slots = nullptr;
    unsigned m_homeShift = 32;
    std::size_t m_capacity = 0;  // power of two, or 0
    std::size_t m_used = 0;      // distinct keys
    std::size_t m_records = 0;
    std::size_t m_dupKeys = 0;   // keys held by two or more records
};
