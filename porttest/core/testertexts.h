#pragma once
// Words of the tester window that both of its front ends (Qt and Win32) show; UTF-8.

// The program's version, as the About box, --version and the wiring test's record give it.
inline constexpr const char* kPorvikVersion = "1.0.0.1";
// String 101: the About entry of the window's menu.
inline constexpr const char* kAboutMenuText = "关于 Porvik(&A)...";
// A register text that is not one or two hexadecimal digits.
inline constexpr const char* kBadRegisterValue = "请输入正确的数值.";
// Beside a status line too long for its room: the whole text in a message.
inline constexpr const char* kPortDetailsButton = "详情...";
// The two wiring tests (F5, Shift+F5) as menu entries, and their result dialog.
inline constexpr const char* kWiringPlugEntry = "接线测试: 标准回环插头(&W)";
inline constexpr const char* kWiringCableEntry = "接线测试: 所选下载线 ISP 端回环(&I)";
inline constexpr const char* kWiringDialogTitle = "接线测试";
inline constexpr const char* kExpectedWiringLabel = "期望的接线: ";
// After a failed open or a port that failed: the same port opened again.
inline constexpr const char* kReopenPortEntry = "重新打开并口(&R)";
// The wiring test's result dialog: its buttons, the wiggle test's line, a save that failed.
inline constexpr const char* kSaveReportButton = "保存报告...";
inline constexpr const char* kRepeatButton = "连续测试";
inline constexpr const char* kStopRepeatButton = "停止";
inline constexpr const char* kWiringOkButton = "确定";
inline constexpr const char* kSaveReportTitle = "保存报告";
inline constexpr const char* kSaveReportDefaultName = "接线测试.json";
