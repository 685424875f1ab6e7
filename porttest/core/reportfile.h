#pragma once
#include <optional>
#include <string>

// Where a wiring test's record goes. A bench files these: the path is checked before the test
// runs, and written through the safe save (common/files), so that a failed write keeps the old
// report and a finished one replaces it whole. Paths are UTF-8.

// Why `path` cannot take a report, in Chinese; nothing when it can, as far as can be told before
// writing: a symbolic link (never followed into another file), a folder, a pipe, a device or any
// other file that is not a regular one, an existing file that is not a Porvik report (a device
// list typed by mistake, say), a folder that does not exist or may not be written.
std::optional<std::string> ReportPathProblem(const std::string& path);

// Checks the path again, then writes `json` through the safe save; the reason in Chinese when it
// fails, the old report then left as it was.
std::optional<std::string> WriteReportFile(const std::string& path, const std::string& json);

// "无法写入报告文件 r.json: 是符号链接, ...": a failed report in one line.
std::string ReportNotWrittenText(const std::string& path, const std::string& reason);
