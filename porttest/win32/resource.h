// Resource and control ids of Porvik's Win32 window; included by porvik.rc and the C++ code. The
// described dialogs' ids and places are in testerlayout.h, shared with the Qt window.
#pragma once

#include "testerlayout.h"

#define IDS_ABOUTBOX 101
#define IDR_MAINFRAME 128
#define IDB_CONNECTOR 130
#define IDD_WIRING 132

// Template 132, the wiring test's result.
#define IDC_WIRING_EXPECTED 1060
#define IDC_WIRING_TABLE 1061
#define IDC_WIRING_SUMMARY 1062
#define IDC_WIRING_SAVE 1063
#define IDC_WIRING_REPEAT 1064

// The command table's commands as menu and key commands: this base plus the command's number.
#define ID_TESTER_COMMAND 32800
