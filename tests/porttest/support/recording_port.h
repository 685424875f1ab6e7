#pragma once
// Test doubles for the port layer: a register backend that logs every access in order and answers
// reads from a script, a platform with scripted version/driver results and call counts, and a
// prompt that records what the user would have seen.
#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "portio.h"
#include "portplatform.h"
#include "prompt.h"

enum class PortOp { ReadData, WriteData, ReadStatus, ReadControl, WriteControl };

struct PortAccess {
    PortOp op;
    std::uint8_t value; // byte written, or byte a read returned
    friend bool operator==(const PortAccess&, const PortAccess&) = default;
};

inline const char* PortOpName(PortOp op)
{
    switch (op) {
    case PortOp::ReadData: return "ReadData";
    case PortOp::WriteData: return "WriteData";
    case PortOp::ReadStatus: return "ReadStatus";
    case PortOp::ReadControl: return "ReadControl";
    case PortOp::WriteControl: return "WriteControl";
    }
    return "?";
}

inline std::ostream& operator<<(std::ostream& os, const PortAccess& a)
{
    return os << PortOpName(a.op) << "(0x" << std::hex << unsigned(a.value) << std::dec << ")";
}

// Shorthands for expected logs: {Wd(0x02), Wc(0x00)}.
inline PortAccess Rd(std::uint8_t v) { return {PortOp::ReadData, v}; }
inline PortAccess Wd(std::uint8_t v) { return {PortOp::WriteData, v}; }
inline PortAccess Rs(std::uint8_t v) { return {PortOp::ReadStatus, v}; }
inline PortAccess Rc(std::uint8_t v) { return {PortOp::ReadControl, v}; }
inline PortAccess Wc(std::uint8_t v) { return {PortOp::WriteControl, v}; }

// Registers as plain bytes: a write stores the byte, a read returns the next scripted value for
// that register if one is queued, else the stored byte (status: `status`).
class RecordingPortIo : public IPortIo {
public:
    std::uint8_t data = 0;
    std::uint8_t status = 0;
    std::uint8_t control = 0;
    std::deque<std::uint8_t> scriptedData, scriptedStatus, scriptedControl;
    std::vector<PortAccess> log;

    std::uint8_t ReadData() override { return Read(PortOp::ReadData, scriptedData, data); }
    void WriteData(std::uint8_t v) override
    {
        data = v;
        log.push_back({PortOp::WriteData, v});
    }
    std::uint8_t ReadStatus() override { return Read(PortOp::ReadStatus, scriptedStatus, status); }
    std::uint8_t ReadControl() override { return Read(PortOp::ReadControl, scriptedControl, control); }
    void WriteControl(std::uint8_t v) override
    {
        control = v;
        log.push_back({PortOp::WriteControl, v});
    }

private:
    std::uint8_t Read(PortOp op, std::deque<std::uint8_t>& script, std::uint8_t stored)
    {
        std::uint8_t v = stored;
        if (!script.empty()) {
            v = script.front();
            script.pop_front();
        }
        log.push_back({op, v});
        return v;
    }
};

// Scripted platform. InitializeDriver answers from `initResults` in order, then `initDefault`.
class FakePortPlatform : public IPortPlatform {
public:
    int major = kMajorVersionDriver;
    std::deque<bool> initResults;
    bool initDefault = true;
    bool installResult = true;
    std::string failureReason;
    PortInUse inUse{false, "fake"};

    int majorCalls = 0;
    int initCalls = 0;
    int installCalls = 0;
    int shutdownCalls = 0;
    std::string lastInstallPath;

    RecordingPortIo direct;
    RecordingPortIo driver;

    int MajorVersion() override
    {
        ++majorCalls;
        return major;
    }
    bool InitializeDriver() override
    {
        ++initCalls;
        if (initResults.empty())
            return initDefault;
        bool r = initResults.front();
        initResults.pop_front();
        return r;
    }
    bool InstallDriver(const std::string& path) override
    {
        ++installCalls;
        lastInstallPath = path;
        return installResult;
    }
    void ShutdownDriver() override { ++shutdownCalls; }
    IPortIo& DirectIo() override { return direct; }
    IPortIo& DriverIo() override { return driver; }
    PortInUse InUse() const override { return inUse; }
    std::string FailureReason() const override { return failureReason; }
};

// Records every message; answers with `answer` (Ok unless a test says otherwise).
class RecordingPrompt : public IPrompt {
public:
    std::vector<std::string> messages;
    Answer answer = Answer::Ok;
    Answer Message(const std::string& text, Buttons) override
    {
        messages.push_back(text);
        return answer;
    }
};
