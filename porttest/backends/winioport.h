#pragma once
// Windows only. Port access through a WinIo-compatible library (WINIO.dll, whose driver is
// winio.sys beside the program) loaded by full path at run time, or
// through the processor's port instructions where the system still allows them.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "absentport.h"
#include "portchoice.h"
#include "portplatform.h"

class WinIoPlatform : public IPortPlatform {
public:
    enum class Mode {
        ByVersion, // kMajorVersionDirectIo: port instructions; later ones: the library's driver
        Direct,    // port instructions whatever the version
    };

    // WINIO.dll is loaded from `libraryDir` (ending with a separator), by default the program's
    // own folder.
    explicit WinIoPlatform(Mode mode = Mode::ByVersion, std::uint16_t base = kLptBase,
                           const std::wstring& libraryDir = {});
    ~WinIoPlatform() override;
    WinIoPlatform(const WinIoPlatform&) = delete;
    WinIoPlatform& operator=(const WinIoPlatform&) = delete;

    int MajorVersion() override;
    bool InitializeDriver() override;
    bool InstallDriver(const std::string& driverPath) override;
    void ShutdownDriver() override;
    IPortIo& DirectIo() override;
    IPortIo& DriverIo() override;
    PortInUse InUse() const override;
    std::string FailureReason() const override;

    struct Library; // the library's five functions, resolved by name

private:
    bool UsesPortInstructions() const;
    std::uint8_t ReadPort(std::uint16_t port); // through the library; 0xFF when it fails

    Mode m_mode;
    std::uint16_t m_base;
    std::unique_ptr<Library> m_lib;
    std::unique_ptr<IPortIo> m_driverPort;
    std::unique_ptr<IPortIo> m_directPort;
    AbsentPort m_absent;
    bool m_started = false;
    std::optional<std::uint8_t> m_foundEcr; // an ECP port's ECR as found, while in byte mode
    bool m_directAllowed = false;
    bool m_driverFileMissing = false; // the driver path handed to InstallDriver names no file
    std::wstring m_dir;               // where the library and its driver belong
    std::string m_reason;
};

// The backends of the port choice on Windows: the port at 0x378 as the system's version says
// (a device name means nothing here: Windows reaches ports by address), or port instructions.
std::unique_ptr<IPortPlatform> MakeWinIoPlatform(const PortChoice& choice);
std::unique_ptr<IPortPlatform> MakeWinIoDirectPlatform(const PortChoice& choice);
