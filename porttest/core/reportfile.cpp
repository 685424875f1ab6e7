#include "reportfile.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "errnotext.h"
#include "safesave.h"
#include "writeaccess.h"

namespace fs = std::filesystem;

namespace {

fs::path FromUtf8(const std::string& s) { return fs::path(std::u8string(s.begin(), s.end())); }

// Words every record of the wiring test has had, the first without a schema field included.
bool LooksLikeReport(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::string head(64 * 1024, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.empty())
        return true; // an empty file holds nothing to lose
    return head.front() == '{' && head.find("\"wiring\":") != std::string::npos &&
           head.find("\"verdict\":") != std::string::npos;
}

} // namespace

std::optional<std::string> ReportPathProblem(const std::string& text)
{
    const fs::path path = FromUtf8(text);
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(path, ec);
    if (fs::is_symlink(link))
        return std::string("是符号链接, 不会经它写入别处的文件");
    if (fs::exists(link)) {
        if (fs::is_directory(link))
            return std::string("是一个文件夹");
        if (!fs::is_regular_file(link))
            return std::string("不是普通文件 (管道、设备或套接字)");
        if (!LooksLikeReport(path))
            return std::string("已有同名文件, 且不是 Porvik 的报告, 不覆盖");
        if (!MayWrite(path))
            return std::string("没有写入该文件的权限");
        return std::nullopt;
    }
    if (ec && ec != std::errc::no_such_file_or_directory)
        return "无法查看该路径: " + ErrnoText(ec.value());
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (!fs::is_directory(folder, ec))
        return std::string("所在的文件夹不存在");
    if (!MayWrite(folder))
        return std::string("没有在所在文件夹中写入的权限");
    return std::nullopt;
}

std::optional<std::string> WriteReportFile(const std::string& path, const std::string& json)
{
    // Again: the test may have run for hours, and the path is checked as late as it can be.
    if (auto problem = ReportPathProblem(path))
        return problem;
    const SaveResult r =
        SaveFileSafely(FromUtf8(path), reinterpret_cast<const std::byte*>(json.data()), json.size());
    if (r.ok)
        return std::nullopt;
    std::string why = r.sysErrno != 0 ? ErrnoText(r.sysErrno) : std::string("写入失败");
    if (r.targetDamaged) {
        const std::u8string kept = r.backupPath.u8string();
        why += "; 原报告可能已损坏, 旧内容保存在 " + std::string(kept.begin(), kept.end());
    }
    else if (r.targetExisted)
        why += "; 原报告未改动";
    return why;
}

std::string ReportNotWrittenText(const std::string& path, const std::string& reason)
{
    return "无法写入报告文件 " + path + ": " + reason;
}
