#include "portstatus.h"

#include "settings.h"

std::string PortInUseText(const PortInUse& inUse, const std::string& failureReason)
{
    if (inUse.isAbsent)
        return "未驱动任何并口(读入全为 FF,写出无效),测试结果与电缆无关。" + failureReason + kTryVirtualPortHint;
    if (inUse.isVirtual)
        return "虚拟并口(无真实端口): 内存中的端口带回环插头, 测试结果与电缆无关";
    // A real port whose register access broke after opening reads 0xFF from then on; that must
    // not pass for what the cable does.
    if (!failureReason.empty())
        return failureReason;
    return "正在使用并口: " + inUse.description;
}

std::string PortStatusText(const PortInUse& inUse, const std::string& failureReason, bool usesDefaultQorelMap)
{
    std::string text = PortInUseText(inUse, failureReason);
    if (usesDefaultQorelMap)
        text += std::string("\n未找到设置文件 ") + QOREL_ISP_INI + ", Qorel Isp 下载线使用缺省引脚。";
    return text;
}
