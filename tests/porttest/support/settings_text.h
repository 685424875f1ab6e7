#pragma once
// The head of the settings file's pin section in GBK, as the shipped files have it: the section
// every platform's reader finds (Windows' own reader compares names in the ANSI code page).
#include <string>

inline const std::string kPinsSectionGbk = "[\xD2\xFD\xBD\xC5\xBF\xD8\xD6\xC6]\n"; // [引脚控制]
