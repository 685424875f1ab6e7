#include "record.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

std::string_view RecordName(const DeviceRecord& rec)
{
    const void* nul = std::memchr(rec.name, '\0', sizeof rec.name);
    const std::size_t len = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - rec.name)
                                : sizeof rec.name;
    return {rec.name, len};
}

bool NameLacksNul(const DeviceRecord& rec)
{
    return std::memchr(rec.name, '\0', sizeof rec.name) == nullptr;
}

bool SetRecordName(DeviceRecord& rec, std::string_view gbkBytes)
{
    // An embedded NUL would silently shorten the name, so it is refused like an over-long one.
    if (gbkBytes.size() > kMaxNameBytes || gbkBytes.find('\0') != std::string_view::npos)
        return false;
    std::memset(rec.name, 0, sizeof rec.name);
    std::memcpy(rec.name, gbkBytes.data(), gbkBytes.size());
    return true;
}

void DeviceList::AppendAll(const DeviceList& other)
{
    if (&other == this) {
        // Appending a list to itself would read a vector while it reallocates.
        const std::size_t n = m_refs.size();
        m_refs.reserve(2 * n);
        for (std::size_t i = 0; i < n; ++i)
            m_refs.push_back(m_refs[i]);
        return;
    }
    m_refs.insert(m_refs.end(), other.m_refs.begin(), other.m_refs.end());
}

void DeviceList::RemoveAt(std::size_t index)
{
    if (index >= m_refs.size())
        throw std::out_of_range("DeviceList::RemoveAt");
    m_refs.erase(m_refs.begin() + static_cast<std::ptrdiff_t>(index));
}

namespace {
constexpr std::size_t kPoolRecords = 1024;
}

RecordStorage::~RecordStorage()
{
    for (const Block& b : m_blocks)
        LargeFree(b.ptr, b.size);
}

DeviceRecord* RecordStorage::AddCopy(const DeviceRecord& rec)
{
    if (m_poolLeft == 0) {
        // Reserve the bookkeeping first so that a failure cannot leak the new block.
        m_blocks.reserve(m_blocks.size() + 1);
        const std::size_t size = kPoolRecords * sizeof(DeviceRecord);
        void* block = LargeAlloc(size);
        m_blocks.push_back({block, size});
        m_bytesHeld += size;
        m_poolNext = static_cast<DeviceRecord*>(block);
        m_poolLeft = kPoolRecords;
    }
    DeviceRecord* slot = m_poolNext++;
    --m_poolLeft;
    std::memcpy(static_cast<void*>(slot), &rec, sizeof rec);
    return slot;
}

std::byte* RecordStorage::NewBuffer(std::size_t size)
{
    m_blocks.reserve(m_blocks.size() + 1);
    void* block = LargeAlloc(size);
    m_blocks.push_back({block, size});
    m_bytesHeld += size;
    return static_cast<std::byte*>(block);
}
