#pragma once
// What the stand-in port I/O library (fake_winio.cpp, built as WINIO.dll) was handed and will
// answer. Plain data only: the library and the test each have their own C++ runtime.
#include <windows.h>

struct FakeWinIoState {
    BOOL initializeAnswers[2]; // what the first and the second InitializeWinIo answer
    BOOL installAnswer;
    int initializeCalls, installCalls, shutdownCalls;
    char installPath[1024];    // the driver path as handed over (cut to fit)
    BOOL installBufferZeroed;  // every byte after the path's NUL, up to the 200th, is zero
    BOOL installDemandLoaded;  // the second argument
    WORD lastPort;
    DWORD lastValue;
    BYTE lastSize;
    DWORD readValue; // what GetPortVal stores
    int reads, writes;
    // An ECP port at ecpBase (when set): its control register, and its ECR at base + 0x402 whose
    // FIFO bits read "empty"; every other port reads readValue.
    WORD ecpBase;
    BYTE control, ecr;
};

using FakeWinIoStateFn = FakeWinIoState*(__cdecl*)();
