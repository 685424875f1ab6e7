#include "filecalls_windows.h"

// Named after the wide functions themselves, not after windows.h's macros (CreateFile ...),
// which would turn into the narrow ones where UNICODE is not defined.
DWORD Win32FileCalls::GetFileAttributesW(const wchar_t* path) { return ::GetFileAttributesW(path); }
HANDLE Win32FileCalls::CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags)
{
    return ::CreateFileW(path, access, share, nullptr, disposition, flags, nullptr);
}
BOOL Win32FileCalls::GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info)
{
    return ::GetFileInformationByHandle(h, info);
}
BOOL Win32FileCalls::GetFileInformationByHandleEx(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size)
{
    return ::GetFileInformationByHandleEx(h, kind, info, size);
}
BOOL Win32FileCalls::ReadFile(HANDLE h, void* buf, DWORD size, DWORD* got) { return ::ReadFile(h, buf, size, got, nullptr); }
BOOL Win32FileCalls::WriteFile(HANDLE h, const void* buf, DWORD size, DWORD* wrote)
{
    return ::WriteFile(h, buf, size, wrote, nullptr);
}
BOOL Win32FileCalls::SetFilePointerEx(HANDLE h, LARGE_INTEGER to, DWORD method)
{
    return ::SetFilePointerEx(h, to, nullptr, method);
}
BOOL Win32FileCalls::SetEndOfFile(HANDLE h) { return ::SetEndOfFile(h); }
BOOL Win32FileCalls::FlushFileBuffers(HANDLE h) { return ::FlushFileBuffers(h); }
BOOL Win32FileCalls::SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size)
{
    return ::SetFileInformationByHandle(h, kind, info, size);
}
BOOL Win32FileCalls::CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists)
{
    return ::CopyFileW(from, to, failIfExists);
}
BOOL Win32FileCalls::ReplaceFileW(const wchar_t* replaced, const wchar_t* replacement, DWORD flags)
{
    return ::ReplaceFileW(replaced, replacement, nullptr, flags, nullptr, nullptr);
}
BOOL Win32FileCalls::MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags) { return ::MoveFileExW(from, to, flags); }
BOOL Win32FileCalls::DeleteFileW(const wchar_t* path) { return ::DeleteFileW(path); }

namespace {
Win32FileCalls g_system;
Win32FileCalls* g_inUse = &g_system;
}  // namespace

Win32FileCalls& FileCalls() { return *g_inUse; }
void UseFileCalls(Win32FileCalls* calls) { g_inUse = calls ? calls : &g_system; }
