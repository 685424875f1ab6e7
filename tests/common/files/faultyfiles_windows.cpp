#include "faultyfiles_windows.h"

#include <algorithm>

namespace {

long long SizeOf(HANDLE h)
{
    LARGE_INTEGER size{};
    return ::GetFileSizeEx(h, &size) ? size.QuadPart : 0;
}

long long PositionOf(HANDLE h)
{
    LARGE_INTEGER zero{}, at{};
    return ::SetFilePointerEx(h, zero, &at, FILE_CURRENT) ? at.QuadPart : 0;
}

long long SizeOf(const wchar_t* path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return 0;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

const char* FaultyFileCalls::Name(Call c)
{
    static const char* const kNames[] = {"GetFileAttributesW", "CreateFileW", "GetFileInformationByHandle",
                                         "GetFileInformationByHandleEx", "ReadFile", "WriteFile", "SetFilePointerEx",
                                         "SetEndOfFile", "FlushFileBuffers", "SetFileInformationByHandle", "CopyFileW",
                                         "ReplaceFileW", "MoveFileExW", "DeleteFileW"};
    return kNames[static_cast<int>(c)];
}

std::size_t FaultyFileCalls::Enter(Call c, HANDLE h, const wchar_t* path)
{
    calls.push_back(c);
    const std::size_t n = calls.size();
    if (FaultHits(n, fault.at, fault.then, fault.writeOnly && IsWrite(c), NeedsSpace(c))) {
        ::SetLastError(fault.error);
        return 0;
    }
    if (before)
        if (const DWORD err = before(n, c, h, path)) {
            ::SetLastError(err);
            return 0;
        }
    return n;
}

DWORD FaultyFileCalls::GetFileAttributesW(const wchar_t* path)
{
    if (Enter(Call::GetFileAttributes, nullptr, path) == 0) return INVALID_FILE_ATTRIBUTES;
    return Win32FileCalls::GetFileAttributesW(path);
}

HANDLE FaultyFileCalls::CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    if (Enter(Call::CreateFile, nullptr, path) == 0) return INVALID_HANDLE_VALUE;
    return Win32FileCalls::CreateFileW(path, access, share, disposition, flags);
}

BOOL FaultyFileCalls::GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info)
{
    return Enter(Call::GetFileInformation, h, nullptr) != 0 && Win32FileCalls::GetFileInformationByHandle(h, info);
}

BOOL FaultyFileCalls::GetFileInformationByHandleEx(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size)
{
    return Enter(Call::GetFileInformationEx, h, nullptr) != 0 &&
           Win32FileCalls::GetFileInformationByHandleEx(h, kind, info, size);
}

BOOL FaultyFileCalls::ReadFile(HANDLE h, void* buf, DWORD size, DWORD* got)
{
    return Enter(Call::ReadFile, h, nullptr) != 0 && Win32FileCalls::ReadFile(h, buf, size, got);
}

BOOL FaultyFileCalls::WriteFile(HANDLE h, const void* buf, DWORD size, DWORD* wrote)
{
    const std::size_t n = Enter(Call::WriteFile, h, nullptr);
    if (n == 0) return FALSE;
    if (n == fault.at && fault.writeOnly) size = std::min(size, *fault.writeOnly);
    const long long at = PositionOf(h), sizeBefore = SizeOf(h);
    if (spaceLeft) {
        const long long room = std::clamp<long long>(sizeBefore + *spaceLeft - at, 0, size);
        if (room == 0 && size > 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
        size = static_cast<DWORD>(room);
    }
    const BOOL ok = Win32FileCalls::WriteFile(h, buf, size, wrote);
    if (ok && spaceLeft) *spaceLeft -= std::max<long long>(0, at + *wrote - sizeBefore);
    return ok;
}

BOOL FaultyFileCalls::SetFilePointerEx(HANDLE h, LARGE_INTEGER to, DWORD method)
{
    return Enter(Call::SetFilePointer, h, nullptr) != 0 && Win32FileCalls::SetFilePointerEx(h, to, method);
}

BOOL FaultyFileCalls::SetEndOfFile(HANDLE h)
{
    return Enter(Call::SetEndOfFile, h, nullptr) != 0 && Win32FileCalls::SetEndOfFile(h);
}

BOOL FaultyFileCalls::FlushFileBuffers(HANDLE h)
{
    return Enter(Call::FlushFileBuffers, h, nullptr) != 0 && Win32FileCalls::FlushFileBuffers(h);
}

BOOL FaultyFileCalls::SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size)
{
    if (Enter(Call::SetFileInformation, h, nullptr) == 0) return FALSE;
    if (spaceLeft && kind == FileAllocationInfo) {
        const long long grows = static_cast<FILE_ALLOCATION_INFO*>(info)->AllocationSize.QuadPart - SizeOf(h);
        if (grows > *spaceLeft) {
            ::SetLastError(ERROR_DISK_FULL);
            return FALSE;
        }
    }
    return Win32FileCalls::SetFileInformationByHandle(h, kind, info, size);
}

BOOL FaultyFileCalls::CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists)
{
    if (Enter(Call::CopyFile, nullptr, to) == 0) return FALSE;
    const long long needs = SizeOf(from);
    if (spaceLeft && needs > *spaceLeft) {
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    const BOOL ok = Win32FileCalls::CopyFileW(from, to, failIfExists);
    if (ok && spaceLeft) *spaceLeft -= needs;
    return ok;
}

BOOL FaultyFileCalls::ReplaceFileW(const wchar_t* replaced, const wchar_t* replacement, DWORD flags)
{
    return Enter(Call::ReplaceFile, nullptr, replaced) != 0 && Win32FileCalls::ReplaceFileW(replaced, replacement, flags);
}

BOOL FaultyFileCalls::MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags)
{
    return Enter(Call::MoveFileEx, nullptr, to) != 0 && Win32FileCalls::MoveFileExW(from, to, flags);
}

BOOL FaultyFileCalls::DeleteFileW(const wchar_t* path)
{
    return Enter(Call::DeleteFile, nullptr, path) != 0 && Win32FileCalls::DeleteFileW(path);
}
