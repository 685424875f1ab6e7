// A stand-in for the port I/O library, with the five functions the Windows backend imports by
// name. It records what it is handed and answers as the test scripts it; no driver, no port.
#include <cstring>

#include "fake_winio.h"

namespace {
FakeWinIoState g_state;
}

extern "C" {

__declspec(dllexport) FakeWinIoState* __cdecl FakeWinIo() { return &g_state; }

__declspec(dllexport) bool WINAPI InitializeWinIo()
{
    const int call = g_state.initializeCalls++;
    return g_state.initializeAnswers[call < 2 ? call : 1] != FALSE;
}

__declspec(dllexport) void WINAPI ShutdownWinIo() { ++g_state.shutdownCalls; }

__declspec(dllexport) bool WINAPI InstallWinIoDriver(PSTR path, bool demandLoaded)
{
    ++g_state.installCalls;
    const std::size_t len = std::strlen(path);
    std::strncpy(g_state.installPath, path, sizeof g_state.installPath - 1);
    g_state.installBufferZeroed = TRUE;
    for (std::size_t i = len; i < 200; ++i)
        if (path[i] != '\0')
            g_state.installBufferZeroed = FALSE;
    g_state.installDemandLoaded = demandLoaded;
    return g_state.installAnswer != FALSE;
}

__declspec(dllexport) bool WINAPI GetPortVal(WORD port, PDWORD value, BYTE size)
{
    ++g_state.reads;
    g_state.lastPort = port;
    g_state.lastSize = size;
    *value = g_state.readValue;
    if (g_state.ecpBase && port == g_state.ecpBase + 2)
        *value = g_state.control;
    if (g_state.ecpBase && port == g_state.ecpBase + 0x402)
        *value = (g_state.ecr & 0xFC) | 0x01;
    return true;
}

__declspec(dllexport) bool WINAPI SetPortVal(WORD port, DWORD value, BYTE size)
{
    ++g_state.writes;
    g_state.lastPort = port;
    g_state.lastValue = value;
    g_state.lastSize = size;
    if (g_state.ecpBase && port == g_state.ecpBase + 2)
        g_state.control = static_cast<BYTE>(value);
    if (g_state.ecpBase && port == g_state.ecpBase + 0x402)
        g_state.ecr = static_cast<BYTE>(value);
    return true;
}

} // extern "C"
