// Resource ids of tessaro.rc, shared with the C++ that loads them. Control ids are the templates'
// own (windowtext.h names them for both front ends); these are the ones only the native window has.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_TESSARO_DIALOG 102
#define IDD_ADD_DEVICE 129
#define IDD_EDIT_DEVICE 132
#define IDR_MAINFRAME 128
#define IDS_ABOUTBOX 101

// The entry dialogs' labels, in the order of kEntryLabels: their texts are set at run time.
#define IDC_LABEL_FIRST 1030
// The context menu's commands.
#define IDM_UNDO 40001
#define IDM_REDO 40002
