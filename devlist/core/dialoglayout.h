/* Tessaro's dialogs as the templates give them: control ids, and each control's x, y, width,
   height in dialog units. The one home of that geometry: tessaro.rc includes this file (the
   resource compiler runs the C preprocessor, so it holds #defines only, in C comments) and the
   Qt windows place their widgets from the same macros. */
#ifndef DEVLIST_DIALOGLAYOUT_H
#define DEVLIST_DIALOGLAYOUT_H

#define IDD_ABOUTBOX 100
#define IDD_TESSARO_DIALOG 102
#define IDD_ADD_DEVICE 129
#define IDD_EDIT_DEVICE 132

/* Main window, template 102: 384 x 269. */
#define DLG_MAIN_SIZE 384, 269
#define IDC_EXIT 2
#define IDC_DEVICE_LIST 1000
#define IDC_OPEN 1001
#define IDC_SAVE 1003
#define IDC_ADD 1004
#define IDC_TIDY 1005
#define IDC_MODIFY 1012
#define IDC_DELETE 1013
#define RECT_EXIT 325, 160, 50, 14
#define RECT_DEVICE_LIST 0, 0, 313, 269
#define RECT_OPEN 325, 10, 50, 14
#define RECT_SAVE 325, 35, 50, 14
#define RECT_ADD 325, 60, 50, 14
#define RECT_TIDY 325, 135, 50, 14
#define RECT_MODIFY 325, 85, 50, 14
#define RECT_DELETE 325, 110, 50, 14
#define RECT_MAIN_ICON 340, 225, 20, 20
#define RECT_MAKER 320, 255, 60, 8

/* The find bar, hidden until Ctrl+F: the list gives up its last FIND_BAR_HEIGHT units to it. */
#define LIST_HEIGHT 269
#define FIND_BAR_TOP 253
#define FIND_BAR_HEIGHT 16
#define IDC_FIND_LABEL 1020
#define IDC_FIND_FIELD 1021
#define IDC_FIND_TEXT 1022
#define IDC_FIND_STATUS 1023
#define RECT_FIND_LABEL 3, 257, 22, 8
/* A drop-down list's height includes its open list. */
#define RECT_FIND_FIELD 26, 255, 40, 60
#define RECT_FIND_TEXT 70, 255, 190, 12
#define RECT_FIND_STATUS 264, 257, 47, 8

/* Entry dialogs: add (template 129) and modify (132). */
#define DLG_ADD_SIZE 250, 143
#define DLG_EDIT_SIZE 241, 143
#define IDC_ENTRY_OK 1
#define IDC_ENTRY_CANCEL 2
#define IDC_NAME 1006
#define IDC_IMPORT 1007
#define IDC_FID 1008
#define IDC_ROM 1009
#define IDC_VOLTAGE 1010
#define IDC_SIG1 1011
#define IDC_SIG2 1014
#define IDC_SIG3 1015
#define RECT_ADD_OK 30, 120, 50, 16
#define RECT_ADD_CANCEL 100, 120, 50, 16
#define RECT_IMPORT 170, 120, 50, 16
#define RECT_EDIT_OK 57, 120, 50, 16
#define RECT_EDIT_CANCEL 139, 120, 50, 16
#define RECT_NAME 118, 10, 90, 12
#define RECT_FID 118, 29, 40, 12
#define RECT_ROM 118, 49, 40, 12
#define RECT_VOLTAGE 118, 70, 40, 12
#define RECT_SIG1 118, 90, 25, 12
#define RECT_SIG2 152, 90, 25, 12
#define RECT_SIG3 186, 90, 25, 12
/* The labels, right-aligned on the line of their edit from the leftmost label's start to the
   rightmost one's end: the template placed them for a narrower font, each ending just short of
   its edit, and only so do they line up in any font. */
#define IDC_LABEL_NAME 1030
#define IDC_LABEL_FID 1031
#define IDC_LABEL_ROM 1032
#define IDC_LABEL_VOLTAGE 1033
#define IDC_LABEL_SIG 1034
#define RECT_LABEL_NAME 21, 10, 89, 12
#define RECT_LABEL_FID 21, 29, 89, 12
#define RECT_LABEL_ROM 21, 49, 89, 12
#define RECT_LABEL_VOLTAGE 21, 70, 89, 12
#define RECT_LABEL_SIG 21, 90, 89, 12

#endif
