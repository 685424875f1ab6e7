#pragma once
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "prompt.h"
#include "wiringsession.h"

// Asks where to save a wiring record (UTF-8 path); nothing: the user cancelled.
using ReportFileChooser = std::function<std::optional<std::string>(HWND owner)>;
// The system's save dialog, for JSON files.
std::optional<std::string> ChooseReportFile(HWND owner);

// The wiring test's result (template 132 of `instance`), modal over `owner`: the view of
// `session` (which wiring was expected, one row per wire in the colour of its verdict, the
// verdict), "保存报告..." (a failed save is said through `prompt`), "连续测试" and "确定".
void RunWiringDialog(HINSTANCE instance, HWND owner, CWiringSession& session, IPrompt& prompt,
                     const ReportFileChooser& chooseFile);
