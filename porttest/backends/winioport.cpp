#include "winioport.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ecpmode.h"
#include "programfile.h"
#include "wintext.h"

#if defined(_MSC_VER) && defined(_M_IX86)
#include <intrin.h>
#endif

namespace {

using InitializeWinIoFn = bool(WINAPI*)();
using ShutdownWinIoFn = void(WINAPI*)();
// The driver path is a narrow string in the ANSI code page: the library is handed the very buffer
// the program fills from its own narrow program directory.
using InstallWinIoDriverFn = bool(WINAPI*)(PSTR, bool);
using GetPortValFn = bool(WINAPI*)(WORD, PDWORD, BYTE);
using SetPortValFn = bool(WINAPI*)(WORD, DWORD, BYTE);

// Only a 32-bit program can execute port instructions at all, and only where the system lets
// user code do so (Windows 9x); on NT they raise an exception instead.
#if defined(_M_IX86) || defined(__i386__)
constexpr bool kHavePortInstructions = true;
#else
constexpr bool kHavePortInstructions = false;
#endif

std::uint8_t InByte([[maybe_unused]] std::uint16_t port)
{
#if defined(_MSC_VER) && defined(_M_IX86)
    return __inbyte(port);
#elif defined(__i386__)
    std::uint8_t value;
    __asm__ volatile("inb %w1, %0" : "=a"(value) : "Nd"(port));
    return value;
#else
    return 0xFF;
#endif
}

void OutByte([[maybe_unused]] std::uint16_t port, [[maybe_unused]] std::uint8_t value)
{
#if defined(_MSC_VER) && defined(_M_IX86)
    __outbyte(port, value);
#elif defined(__i386__)
    __asm__ volatile("outb %0, %w1" : : "a"(value), "Nd"(port));
#endif
}

struct OsVersion {
    DWORD major = 0;
    bool nt = true;
};

OsVersion QueryOsVersion()
{
    // RtlGetVersion tells the real version; GetVersionEx answers what the program's manifest
    // claims to support, which is 6.2 for anything from Windows 8 on.
    using RtlGetVersionFn = LONG(WINAPI*)(PRTL_OSVERSIONINFOW);
    OsVersion v;
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        FARPROC proc = GetProcAddress(ntdll, "RtlGetVersion");
        if (proc) {
            auto fn = reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(proc));
            RTL_OSVERSIONINFOW info{};
            info.dwOSVersionInfoSize = sizeof info;
            if (fn(&info) == 0) {
                v.major = info.dwMajorVersion;
                return v;
            }
        }
    }
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)
#endif
    if (GetVersionExA(&info)) {
        v.major = info.dwMajorVersion;
        v.nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
    }
    return v;
}

// The program's own folder, whole, as UTF-16.
std::wstring ProgramDirectoryW()
{
    const std::wstring path = ProgramFileW();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

template <typename Fn>
Fn Resolve(HMODULE module, const char* name, int argBytes)
{
    FARPROC proc = GetProcAddress(module, name);
    if (!proc && sizeof(void*) == 4) {
        // 32-bit __stdcall exports may carry their decorated names.
        char decorated[64];
        std::snprintf(decorated, sizeof decorated, "_%s@%d", name, argBytes);
        proc = GetProcAddress(module, decorated);
    }
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

std::string Hex(unsigned value)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", value);
    return buf;
}

} // namespace

struct WinIoPlatform::Library {
    HMODULE module = nullptr;
    std::string name;
    InitializeWinIoFn initialize = nullptr;
    ShutdownWinIoFn shutdown = nullptr;
    InstallWinIoDriverFn install = nullptr;
    GetPortValFn getPortVal = nullptr;
    SetPortValFn setPortVal = nullptr;

    ~Library()
    {
        if (module)
            FreeLibrary(module);
    }

    // The library of this program's own width, by full path from `dir`: never through the DLL
    // search order, where a file of the same name in the working directory could win.
    static std::unique_ptr<Library> Load(const std::wstring& dir, std::string& problem)
    {
        auto lib = std::make_unique<Library>();
        lib->name = "WINIO.dll";
        lib->module = LoadLibraryW((dir + L"WINIO.dll").c_str());
        if (!lib->module) {
            problem = "找不到可用的 WINIO.dll: 请把 WinIo 的 WINIO.dll 和 winio.sys(须与本程序同为 " +
                      std::to_string(sizeof(void*) * 8) + " 位)放在程序目录 " + WideToUtf8(dir) + " 中。";
            return nullptr;
        }
        lib->initialize = Resolve<InitializeWinIoFn>(lib->module, "InitializeWinIo", 0);
        lib->shutdown = Resolve<ShutdownWinIoFn>(lib->module, "ShutdownWinIo", 0);
        lib->install = Resolve<InstallWinIoDriverFn>(lib->module, "InstallWinIoDriver", 8);
        lib->getPortVal = Resolve<GetPortValFn>(lib->module, "GetPortVal", 12);
        lib->setPortVal = Resolve<SetPortValFn>(lib->module, "SetPortVal", 12);
        if (!lib->initialize || !lib->shutdown || !lib->install || !lib->getPortVal ||
            !lib->setPortVal) {
            problem = lib->name + " 不是可用的 WinIo 库(缺少函数)。";
            return nullptr;
        }
        return lib;
    }
};

namespace {

class WinIoPort : public IPortIo {
public:
    WinIoPort(WinIoPlatform::Library& lib, std::uint16_t base) : m_lib(lib), m_base(base) {}

    std::uint8_t ReadData() override { return Read(m_base); }
    void WriteData(std::uint8_t v) override { Write(m_base, v); }
    std::uint8_t ReadStatus() override { return Read(static_cast<std::uint16_t>(m_base + 1)); }
    std::uint8_t ReadControl() override { return Read(static_cast<std::uint16_t>(m_base + 2)); }
    void WriteControl(std::uint8_t v) override { Write(static_cast<std::uint16_t>(m_base + 2), v); }

private:
    // A failed read gives 0xFF, what an undriven bus reads, rather than a stale variable.
    std::uint8_t Read(std::uint16_t port)
    {
        DWORD value = 0;
        if (!m_lib.getPortVal(port, &value, 1))
            return 0xFF;
        return static_cast<std::uint8_t>(value & 0xFF);
    }
    void Write(std::uint16_t port, std::uint8_t value) { m_lib.setPortVal(port, value, 1); }

    WinIoPlatform::Library& m_lib;
    std::uint16_t m_base;
};

class InstructionPort : public IPortIo {
public:
    explicit InstructionPort(std::uint16_t base) : m_base(base) {}

    std::uint8_t ReadData() override { return InByte(m_base); }
    void WriteData(std::uint8_t v) override { OutByte(m_base, v); }
    std::uint8_t ReadStatus() override { return InByte(static_cast<std::uint16_t>(m_base + 1)); }
    std::uint8_t ReadControl() override { return InByte(static_cast<std::uint16_t>(m_base + 2)); }
    void WriteControl(std::uint8_t v) override { OutByte(static_cast<std::uint16_t>(m_base + 2), v); }

private:
    std::uint16_t m_base;
};

OsVersion& CachedOsVersion()
{
    static OsVersion v = QueryOsVersion();
    return v;
}

} // namespace

WinIoPlatform::WinIoPlatform(Mode mode, std::uint16_t base, const std::wstring& libraryDir)
    : m_mode(mode), m_base(base)
{
    m_dir = libraryDir.empty() ? ProgramDirectoryW() : libraryDir;
    m_lib = Library::Load(m_dir, m_reason);
    m_directAllowed = kHavePortInstructions && !CachedOsVersion().nt;
    if (m_directAllowed)
        m_directPort = std::make_unique<InstructionPort>(m_base);
}

WinIoPlatform::~WinIoPlatform()
{
    ShutdownDriver();
    m_driverPort.reset();
}

int WinIoPlatform::MajorVersion()
{
    if (m_mode == Mode::Direct)
        return kMajorVersionDirectIo;
    const DWORD major = CachedOsVersion().major;
    // Every NT from 2000 on needs the driver; a version newer than the program knows is no
    // reason to give up on the port.
    if (major >= static_cast<DWORD>(kMajorVersionDriver))
        return kMajorVersionDriver;
    return static_cast<int>(major);
}

bool WinIoPlatform::InitializeDriver()
{
    if (!m_lib)
        return false;
    if (m_started)
        return true;
    m_started = m_lib->initialize();
    if (m_started) {
        m_driverPort = std::make_unique<WinIoPort>(*m_lib, m_base);
        m_reason.clear();
        // The registers are reached directly here too: an ECP port goes to byte mode while held.
        m_foundEcr = EnterEcpByteMode(m_base, [this](std::uint16_t port) { return ReadPort(port); },
                                      [this](std::uint16_t port, std::uint8_t v) { m_lib->setPortVal(port, v, 1); });
    } else if (m_driverFileMissing) {
        m_reason = "找不到 winio.sys: 请把它与 WINIO.dll 一起放在程序目录 " + WideToUtf8(m_dir) + " 中。";
    } else {
        m_reason = "WinIo 驱动无法启动:请以管理员身份运行;当前 Windows 的易受攻击驱动阻止列表"
                   "或内存完整性(内核隔离)也会阻止它。";
    }
    return m_started;
}

bool WinIoPlatform::InstallDriver(const std::string& driverPath)
{
    if (!m_lib)
        return false;
    // A writable, zero-filled buffer of at least the 200 bytes the library has always been given,
    // longer where the path needs it: a deep program folder is no reason to cut the path.
    // The path is UTF-8; the library takes it in the ANSI code page.
    constexpr std::size_t kClassicBuffer = 200;
    const std::string ansi = AnsiPath(driverPath);
    std::vector<char> buffer(std::max(kClassicBuffer, ansi.size() + 1), '\0');
    std::copy(ansi.begin(), ansi.end(), buffer.begin());
    // Said in the reason if the driver then does not start: the commonest cause of all.
    m_driverFileMissing = GetFileAttributesW(Utf8ToWidePath(driverPath).c_str()) == INVALID_FILE_ATTRIBUTES;
    return m_lib->install(buffer.data(), false);
}

std::uint8_t WinIoPlatform::ReadPort(std::uint16_t port)
{
    DWORD value = 0;
    return m_lib->getPortVal(port, &value, 1) ? static_cast<std::uint8_t>(value & 0xFF) : 0xFF;
}

void WinIoPlatform::ShutdownDriver()
{
    if (m_started && m_lib && m_foundEcr)
        LeaveEcpByteMode(m_base, *m_foundEcr, [this](std::uint16_t port, std::uint8_t v) { m_lib->setPortVal(port, v, 1); });
    m_foundEcr.reset();
    if (m_started && m_lib)
        m_lib->shutdown();
    m_started = false;
}

IPortIo& WinIoPlatform::DirectIo()
{
    if (m_directAllowed && m_directPort)
        return *m_directPort;
    return m_absent;
}

IPortIo& WinIoPlatform::DriverIo()
{
    if (m_started && m_driverPort)
        return *m_driverPort;
    return m_absent;
}

bool WinIoPlatform::UsesPortInstructions() const
{
    return m_mode == Mode::Direct || CachedOsVersion().major == static_cast<DWORD>(kMajorVersionDirectIo);
}

PortInUse WinIoPlatform::InUse() const
{
    const bool direct = UsesPortInstructions();
    if (direct && m_directAllowed)
        return {false, "direct " + Hex(m_base), false, kPortKindDirect, false, m_base};
    if (!direct && m_started)
        return {false, "WinIo " + Hex(m_base) + (m_foundEcr ? ", ECP 端口设为字节模式" : ""), false, kPortKindWinIo,
                false, m_base};
    return {false, kNoPortDescription, true};
}

std::string WinIoPlatform::FailureReason() const
{
    const bool direct = UsesPortInstructions();
    if (direct)
        return m_directAllowed ? std::string() : "此系统不允许程序直接执行端口指令。";
    return m_started ? std::string() : m_reason;
}

std::unique_ptr<IPortPlatform> MakeWinIoPlatform(const PortChoice&)
{
    return std::make_unique<WinIoPlatform>(WinIoPlatform::Mode::ByVersion);
}

std::unique_ptr<IPortPlatform> MakeWinIoDirectPlatform(const PortChoice& choice)
{
    return std::make_unique<WinIoPlatform>(WinIoPlatform::Mode::Direct, choice.base);
}
