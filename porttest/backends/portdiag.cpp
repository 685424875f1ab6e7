#include "portdiag.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <string>

namespace fs = std::filesystem;

namespace {

// "parport12" -> 12; anything else -> -1.
int PortNumber(const std::string& name)
{
    constexpr std::string_view prefix = "parport";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    int n = -1;
    const char* first = name.data() + prefix.size();
    const char* last = name.data() + name.size();
    auto [ptr, ec] = std::from_chars(first, last, n);
    if (ec != std::errc() || ptr != last || n < 0)
        return -1;
    return n;
}

// The first decimal number of a base-addr file ("888\t0\n" -> 888).
std::optional<unsigned> ReadBase(const fs::path& file)
{
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    std::string text;
    std::getline(in, text, '\0');
    const auto start = text.find_first_not_of(" \t\r\n");
    if (start == std::string::npos)
        return std::nullopt;
    unsigned value = 0;
    auto [ptr, ec] = std::from_chars(text.data() + start, text.data() + text.size(), value);
    if (ec != std::errc() || ptr == text.data() + start)
        return std::nullopt;
    return value;
}

std::string Hex(unsigned value)
{
    char buf[16];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, 16);
    (void)ec; // 16 bytes hold any unsigned in hex
    return "0x" + std::string(buf, ptr);
}

} // namespace

std::vector<ParportInfo> ListParports(const std::string& procRoot, const std::string& devRoot)
{
    std::vector<ParportInfo> ports;
    std::error_code ec;
    const fs::path dir = fs::path(procRoot) / "sys" / "dev" / "parport";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const int n = PortNumber(name);
        if (n < 0)
            continue;
        const auto base = ReadBase(it->path() / "base-addr");
        if (!base)
            continue;
        std::ifstream modesFile(it->path() / "modes");
        std::string modes;
        std::getline(modesFile, modes);
        ports.push_back({n, *base, (fs::path(devRoot) / name).string(), modes});
    }
    std::sort(ports.begin(), ports.end(),
              [](const ParportInfo& a, const ParportInfo& b) { return a.number < b.number; });
    return ports;
}

std::string PortHolder(const std::string& procRoot, int number)
{
    std::error_code ec;
    const fs::path dir = fs::path(procRoot) / "sys" / "dev" / "parport" / ("parport" + std::to_string(number)) / "devices";
    if (fs::exists(dir / "lp", ec))
        return "lp";
    std::ifstream in(dir / "active");
    std::string active;
    std::getline(in, active);
    active = active.substr(0, active.find_last_not_of(" \t\r\n") + 1);
    return active == "none" ? std::string() : active;
}

std::optional<std::string> FindPortDevice(const std::vector<ParportInfo>& ports, unsigned base)
{
    for (const ParportInfo& p : ports)
        if (p.base == base)
            return p.device;
    return std::nullopt;
}

std::vector<std::string> ListUsbPrinters(const std::string& devRoot)
{
    std::vector<std::string> found;
    std::error_code ec;
    const fs::path dir = fs::path(devRoot) / "usb";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > 2 && name.compare(0, 2, "lp") == 0)
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

PortProblem ClassifyOpenError(OpenStage stage, int err)
{
    switch (err) {
    case ENOENT:
        return PortProblem::DeviceMissing;
    case EACCES:
    case EPERM:
        return stage == OpenStage::Open ? PortProblem::NoPermission : PortProblem::Other;
    case ENXIO:
    case ENODEV:
        // ppdev opens any minor without looking for the port; a claim that cannot register
        // exclusively answers ENXIO. Opening itself fails so only when there is no such port.
        return stage == OpenStage::Claim ? PortProblem::Busy : PortProblem::DeviceMissing;
    case EBUSY:
        return PortProblem::Busy;
    case ENOTTY:
    case EINVAL:
        return stage == OpenStage::Register ? PortProblem::AccessFailed : PortProblem::NotAPort;
    default:
        return stage == OpenStage::Register ? PortProblem::AccessFailed : PortProblem::Other;
    }
}

PortProblem ClassifyIopermError(int err, bool rawIo)
{
    switch (err) {
    case ENOSYS:
        return PortProblem::DirectUnsupported;
    case EPERM:
    case EACCES:
        return rawIo ? PortProblem::DirectLockedDown : PortProblem::DirectNeedsRawIo;
    default:
        return PortProblem::DirectRefused;
    }
}

namespace {

std::string PortList(const std::vector<ParportInfo>& ports)
{
    std::string text;
    for (std::size_t i = 0; i < ports.size(); ++i)
        text += (i ? "、" : "") + ports[i].device + " (" + Hex(ports[i].base) + ")";
    return text;
}

std::string DriverLoadText(DriverLoad load)
{
    switch (load) {
    case DriverLoad::NeedsRoot:
        return "加载驱动 parport_pc 和 ppdev 需要 root 权限(sudo modprobe parport_pc ppdev)。";
    case DriverLoad::NoModprobe:
        return "本机找不到 modprobe 程序,无法加载驱动 parport_pc 和 ppdev(请安装 kmod)。";
    case DriverLoad::Failed:
        return "加载驱动 parport_pc 和 ppdev 失败:内核可能不带这些驱动。";
    case DriverLoad::NotTried:
    case DriverLoad::Loaded:
        break;
    }
    return {};
}

} // namespace

std::string DescribePortProblem(const PortDiagnosis& d)
{
    const std::string dev = d.device.empty() ? std::string("并口设备") : d.device;
    std::string text;
    switch (d.problem) {
    case PortProblem::None:
        return {};
    case PortProblem::NoParport:
        text = d.device.empty() ? "本机没有并口:系统中找不到任何并口。"
                                : "设备 " + d.device + " 不存在:本机没有并口,系统中找不到任何并口。";
        break;
    case PortProblem::UsbPrinterOnly:
        text = "本机没有并口,只有 USB 打印机转接线(";
        for (std::size_t i = 0; i < d.usbPrinters.size(); ++i)
            text += (i ? "、" : "") + d.usbPrinters[i];
        text += "):它只能打印,不能逐个引脚控制。";
        break;
    case PortProblem::NoPortAtBase:
        text = "地址 " + Hex(d.base) + " 处没有并口。";
        if (!d.ports.empty())
            text += "找到的并口:" + PortList(d.ports) + "。可用 --port " + d.ports.front().device +
                    " 或环境变量 PORVIK_PORT 指定。";
        break;
    case PortProblem::DeviceMissing:
        text = "设备 " + dev + " 不存在,请检查设备名。";
        if (!d.ports.empty())
            text += "找到的并口:" + PortList(d.ports) + "。";
        break;
    case PortProblem::PpdevNotLoaded:
        text = "系统有并口,但设备 " + dev + " 不存在:并口驱动 ppdev 未加载(sudo modprobe ppdev)。";
        break;
    case PortProblem::NoPermission:
        text = "没有权限打开 " + dev + ":请把用户加入 lp 组(sudo usermod -aG lp " +
               (d.user.empty() ? std::string("用户名") : d.user) + "),重新登录后再试。";
        break;
    case PortProblem::Busy:
        if (d.holder == "lp")
            text = "并口 " + dev + " 正被打印机驱动 lp 占用:请卸载 lp(sudo modprobe -r lp)。";
        else if (!d.holder.empty())
            text = "并口 " + dev + " 正被另一个程序或驱动(" + d.holder + ")占用:请先关闭它。";
        else
            text = "并口 " + dev + " 正被占用(打印机驱动 lp 或其他程序):请卸载 lp"
                   "(sudo modprobe -r lp)或关闭占用它的程序。";
        break;
    case PortProblem::NotAPort:
        text = dev + " 不是并口设备。";
        break;
    case PortProblem::AccessFailed:
        text = "并口 " + dev + " 访问失败:" + ErrnoText(d.err) + ",此后的读写都无效。";
        break;
    case PortProblem::DirectNeedsRawIo:
        text = "不允许直接访问 I/O 端口 " + Hex(d.base) + ":需要 root 或 CAP_SYS_RAWIO 权限。"
               "不必提权的办法:经 ppdev 访问并口(--port=auto,用户加入 lp 组)。";
        break;
    case PortProblem::DirectLockedDown:
        text = "内核拒绝直接访问 I/O 端口 " + Hex(d.base) + ",虽然本程序有 root 或 CAP_SYS_RAWIO 权限:"
               "内核处于锁定状态(例如开启了安全启动)。请改用 ppdev 访问并口(--port=auto)。";
        break;
    case PortProblem::DirectUnsupported:
        text = "本机的处理器或内核不支持直接端口指令(ENOSYS):请改用 ppdev 访问并口(--port=auto)。";
        break;
    case PortProblem::DirectRefused:
        text = "不能直接访问 I/O 端口 " + Hex(d.base) + ":" + ErrnoText(d.err) + "。";
        break;
    case PortProblem::Other:
        text = "打开 " + dev + " 失败:" + ErrnoText(d.err) + "。";
        break;
    }
    if (d.problem == PortProblem::NoParport || d.problem == PortProblem::PpdevNotLoaded)
        text += DriverLoadText(d.driverLoad);
    return text;
}
