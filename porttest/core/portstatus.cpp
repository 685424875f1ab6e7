#include "portstatus.h"

#include <algorithm>

#include "settings.h"
#include "wiringtest.h"

std::string PortInUseText(const PortInUse& inUse, const std::string& failureReason, const char* hint)
{
    if (inUse.isAbsent)
        return "未驱动任何并口(读入全为 FF,写出无效),测试结果与电缆无关。" + failureReason + hint;
    if (inUse.isVirtual)
        return "虚拟并口(无真实端口): 内存中的端口带回环插头, 测试结果与电缆无关";
    // A real port whose register access broke after opening reads 0xFF from then on; that must
    // not pass for what the cable does.
    if (!failureReason.empty())
        return failureReason;
    return "正在使用并口: " + inUse.description;
}

std::string SettingsWarningMark(const MapSource& map)
{
    if (map.warnings.empty())
        return {};
    return "[设置文件有 " + std::to_string(map.warnings.size()) + " 条警告, 见详情] ";
}

std::string PortStatusText(const PortInUse& inUse, const std::string& failureReason, const MapSource& map,
                           const char* hint)
{
    // The mark leads the first row, so that a line cut to fit still shows it whole.
    return SettingsWarningMark(map) + PortInUseText(inUse, failureReason, hint) + "\n" + MapSourceStatusText(map);
}

std::vector<std::string> WiringNotices(const WiringReport& report, const std::vector<std::string>& openMessages,
                                       const PortInUse& inUse, const std::string& failureReason, const MapSource& map)
{
    std::vector<std::string> lines;
    std::string open;
    for (const std::string& m : openMessages)
        open += (open.empty() ? "" : " ") + m;
    std::replace(open.begin(), open.end(), '\n', ' ');
    if (report.noPort)
        open = open.empty() ? PortInUseText(inUse, failureReason) : open + " " + kTryVirtualPortHint;
    if (!open.empty())
        lines.push_back(open);
    for (const std::string& w : map.warnings)
        lines.push_back("警告: 设置文件 " + map.file.value_or(QOREL_ISP_INI) + ": " + w);
    return lines;
}

bool PortStatusWarns(const PortInUse& inUse, const std::string& failureReason, const MapSource& map)
{
    return inUse.isVirtual || inUse.isAbsent || !failureReason.empty() || !map.warnings.empty();
}
