#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "faultplan.h"
#include "filecalls_windows.h"

// The system's file calls with faults on request, for tests: counts every call, fails call N
// (once, or it and every call or every write after it), lets a write at call N write only K
// bytes, runs a hook before each call, and can give the disk only so many free bytes. While a
// FaultScope lives, the code under test makes its calls through it. As the Linux one.
class FaultyFileCalls : public Win32FileCalls {
public:
    enum class Call {
        GetFileAttributes, CreateFile, GetFileInformation, GetFileInformationEx, ReadFile, WriteFile,
        SetFilePointer, SetEndOfFile, FlushFileBuffers, SetFileInformation, CopyFile, ReplaceFile, MoveFileEx, DeleteFile
    };
    static const char* Name(Call c);
    static bool IsWrite(Call c) { return c == Call::WriteFile; }
    static bool NeedsSpace(Call c) { return c == Call::WriteFile || c == Call::CopyFile || c == Call::SetFileInformation; }

    // After the fault: the calls go on, or every later call fails too (a disk that died), or
    // every later write (a full disk, where deleting still works).
    using Then = FaultThen;
    struct Fault {
        std::size_t at = 0;  // the call (from 1) that fails; 0: none
        DWORD error = ERROR_GEN_FAILURE;
        Then then = Then::GoOn;
        std::optional<DWORD> writeOnly;  // instead of failing, a write at `at` writes this many bytes
    };
    Fault fault;
    // Before each call that gets past the fault, with its number, kind, handle (nullptr when it
    // names a path) and path (the one written to; nullptr when on a handle). A nonzero return
    // fails the call with that Win32 error.
    std::function<DWORD(std::size_t n, Call c, HANDLE h, const wchar_t* path)> before;
    std::optional<long long> spaceLeft;  // bytes that may still be added to files; unset: no limit
    std::vector<Call> calls;

    DWORD GetFileAttributesW(const wchar_t* path) override;
    HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) override;
    BOOL GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* info) override;
    BOOL GetFileInformationByHandleEx(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size) override;
    BOOL ReadFile(HANDLE h, void* buf, DWORD size, DWORD* got) override;
    BOOL WriteFile(HANDLE h, const void* buf, DWORD size, DWORD* wrote) override;
    BOOL SetFilePointerEx(HANDLE h, LARGE_INTEGER to, DWORD method) override;
    BOOL SetEndOfFile(HANDLE h) override;
    BOOL FlushFileBuffers(HANDLE h) override;
    BOOL SetFileInformationByHandle(HANDLE h, FILE_INFO_BY_HANDLE_CLASS kind, void* info, DWORD size) override;
    BOOL CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists) override;
    BOOL ReplaceFileW(const wchar_t* replaced, const wchar_t* replacement, DWORD flags) override;
    BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags) override;
    BOOL DeleteFileW(const wchar_t* path) override;

private:
    // The number of the call about to run, or 0 with the last error set when it is to fail.
    std::size_t Enter(Call c, HANDLE h, const wchar_t* path);
};
