#pragma once
#include <windows.h>

// Every file-system call that the safe save and the list reader make, behind one table, so that
// a test can fail any of them at its Nth use, write short, or change a file between two reads,
// and so prove the code that only runs when something goes wrong. The methods keep the Win32
// contracts (FALSE or INVALID_HANDLE_VALUE, the reason in GetLastError). The default instance
// calls the system; callers reach the instance in use through FileCalls() and never know which.
class Win32FileCalls {
public:
    virtual ~Win32FileCalls() = default;

    virtual DWORD GetFileAttributesW(const wchar_t* path);
    virtual HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags);
    virtual BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info);
    virtual BOOL GetFileInformationByHandleEx(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size);
    virtual BOOL ReadFile(HANDLE h, void* buf, DWORD size, DWORD* got);
    virtual BOOL WriteFile(HANDLE h, const void* buf, DWORD size, DWORD* wrote);
    virtual BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, DWORD method);
    virtual BOOL SetEndOfFile(HANDLE h);
    virtual BOOL FlushFileBuffers(HANDLE h);
    virtual BOOL SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size);
    virtual BOOL CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists);
    virtual BOOL ReplaceFileW(const wchar_t* replaced, const wchar_t* replacement, DWORD flags);
    virtual BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags);
    virtual BOOL DeleteFileW(const wchar_t* path);
};

Win32FileCalls& FileCalls();
// Makes `calls` the instance in use (nullptr: the system's again). For tests, which run one
// thread at a time through the code under test.
void UseFileCalls(Win32FileCalls* calls);
