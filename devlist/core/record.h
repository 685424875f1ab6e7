#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>
#include <vector>

#include "largealloc.h"

// One device as it stands both in memory and in a .chip file: 36 bytes, little-endian, padding
// included. Records read from a file are used in place inside the file's buffer, so this layout
// must never change.
struct DeviceRecord {
    char name[20];              // code page 936 bytes, ended by the first NUL (or all 20 bytes)
    std::uint8_t fid;
    std::uint8_t pad1[3];       // no meaning; kept byte for byte for records read from a file
    std::int32_t romKb;
    float voltage;
    std::uint8_t signature[3];  // index 0 is the first byte the user enters and sees
    std::uint8_t pad2;
};

static_assert(std::endian::native == std::endian::little,
              "records are used in place in file buffers, which are little-endian");
static_assert(sizeof(float) == 4 && std::numeric_limits<float>::is_iec559);
static_assert(std::is_trivially_copyable_v<DeviceRecord>);
static_assert(std::is_standard_layout_v<DeviceRecord>);
static_assert(sizeof(DeviceRecord) == 36);
static_assert(alignof(DeviceRecord) == 4);
static_assert(offsetof(DeviceRecord, name) == 0);
static_assert(offsetof(DeviceRecord, fid) == 20);
static_assert(offsetof(DeviceRecord, pad1) == 21);
static_assert(offsetof(DeviceRecord, romKb) == 24);
static_assert(offsetof(DeviceRecord, voltage) == 28);
static_assert(offsetof(DeviceRecord, signature) == 32);
static_assert(offsetof(DeviceRecord, pad2) == 35);

inline constexpr std::size_t kRecordSize = sizeof(DeviceRecord);
inline constexpr std::size_t kListHeaderSize = 8;
inline constexpr std::size_t kMaxNameBytes = 19;  // the 20th byte is for the NUL

// The most references a list holds: the list rules number records in 32 bits. No list file comes
// near it (a file holds at most 2^31 - 1), but merging many could; the reader refuses to go past.
inline constexpr std::size_t kMaxListRecords = std::numeric_limits<std::uint32_t>::max();
constexpr bool ListCanTake(std::size_t have, std::size_t more)
{
    return more <= kMaxListRecords && have <= kMaxListRecords - more;
}

// The name's bytes up to the first NUL; all 20 when a foreign file left no NUL. Never reads
// past the field.
std::string_view RecordName(const DeviceRecord& rec);

// True when the field holds no NUL (only possible in files written elsewhere).
bool NameLacksNul(const DeviceRecord& rec);

// Stores `gbkBytes` as the name with NUL in every later position. False (record untouched) when
// the text does not leave room for the NUL, i.e. is longer than 19 bytes, or holds a NUL itself.
bool SetRecordName(DeviceRecord& rec, std::string_view gbkBytes);

// The ordered references the editor works on; order is row order and file order. The list never
// owns records. Lists of a million references are normal after merges, hence one flat array
// allocated so that it faults in few pages.
class DeviceList {
public:
    using Refs = std::vector<DeviceRecord*, LargeAllocator<DeviceRecord*>>;
    using const_iterator = Refs::const_iterator;

    void Append(DeviceRecord* rec) { m_refs.push_back(rec); }
    void AppendAll(const DeviceList& other);
    // Later references move up by one. Index must be < Count().
    void RemoveAt(std::size_t index);
    void Clear() { m_refs.clear(); }
    void Reserve(std::size_t n) { m_refs.reserve(n); }

    std::size_t Count() const { return m_refs.size(); }
    bool Empty() const { return m_refs.empty(); }
    DeviceRecord* At(std::size_t index) const { return m_refs.at(index); }
    DeviceRecord* operator[](std::size_t index) const { return m_refs[index]; }

    const_iterator begin() const { return m_refs.begin(); }
    const_iterator end() const { return m_refs.end(); }

    // Whole-list operations (sorting, duplicate removal) rearrange the array directly.
    Refs& RefArray() { return m_refs; }
    const Refs& RefArray() const { return m_refs; }

private:
    Refs m_refs;
};

// Owns every record buffer and block handed out, until it is destroyed; nothing is released
// earlier, so a reference taken from it stays valid however the list changes.
class RecordStorage {
public:
    RecordStorage() = default;
    ~RecordStorage();
    RecordStorage(const RecordStorage&) = delete;
    RecordStorage& operator=(const RecordStorage&) = delete;

    // A copy of `rec` in storage of its own (blocks are pooled; each record has its own 36 bytes).
    DeviceRecord* AddCopy(const DeviceRecord& rec);

    // An uninitialised buffer of `size` bytes, aligned for DeviceRecord at every offset 8 + 36 i.
    // Large buffers are placed so that they fault in as huge pages.
    std::byte* NewBuffer(std::size_t size);

    // Bytes held in buffers and blocks (for diagnostics and tests).
    std::size_t BytesHeld() const { return m_bytesHeld; }

private:
    struct Block {
        void* ptr;
        std::size_t size;
    };
    std::vector<Block> m_blocks;
    DeviceRecord* m_poolNext = nullptr;
    std::size_t m_poolLeft = 0;
    std::size_t m_bytesHeld = 0;
};
