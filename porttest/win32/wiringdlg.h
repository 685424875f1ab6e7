#pragma once
#include <windows.h>

#include "wiringtest.h"

// The wiring test's result (template 132 of `instance`), modal over `owner`: which wiring was
// expected, one row per wire (green: pass, red: fail), the verdict and a "确定" button.
void RunWiringDialog(HINSTANCE instance, HWND owner, const WiringReport& report);
