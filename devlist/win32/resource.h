// Resource ids of tessaro.rc, shared with the C++ that loads them. Dialogs and control ids are
// in dialoglayout.h with the templates' geometry; these are the ones only the native window has.
#pragma once

#include "dialoglayout.h"

#define IDR_MAINFRAME 128
#define IDS_ABOUTBOX 101
