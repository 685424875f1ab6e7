/* Porvik's described dialogs, written once: dialog 102 (the tester window) and dialog 100 (About).
   Control ids, and x, y, width, height in dialog units (RC_ names), read by the resource compiler
   for porvik.rc and by the Qt window, which places its controls from the same numbers. Plain
   #defines only: windres runs this through the C preprocessor. */
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_PORVIK_DIALOG 102

/* Dialog 102: 307 x 281, in template order (also the tab order). */
#define DLG_PORVIK_W 307
#define DLG_PORVIK_H 281
#define IDC_EXIT 2 /* IDCANCEL */
#define RC_EXIT 227, 261, 50, 14
#define IDC_PICTURE 1046
#define RC_PICTURE 7, 7, 55, 248

#define IDC_PIN1 1000
#define IDC_PIN2 1001
#define IDC_PIN14 1002
#define IDC_PIN15 1003
#define IDC_PIN16 1004
#define IDC_PIN17 1005
#define IDC_PIN3 1006
#define IDC_PIN4 1007
#define IDC_PIN5 1008
#define IDC_PIN6 1009
#define IDC_PIN7 1010
#define IDC_PIN8 1011
#define IDC_PIN9 1012
#define IDC_PIN10 1013
#define IDC_PIN11 1014
#define IDC_PIN12 1015
#define IDC_PIN13 1016
#define RC_PIN1 62, 238, 39, 10
#define RC_PIN2 62, 219, 33, 10
#define RC_PIN14 62, 229, 36, 10
#define RC_PIN15 62, 210, 76, 10
#define RC_PIN16 62, 192, 36, 10
#define RC_PIN17 62, 173, 36, 10
#define RC_PIN3 62, 201, 33, 10
#define RC_PIN4 62, 183, 33, 10
#define RC_PIN5 62, 164, 33, 10
#define RC_PIN6 62, 145, 33, 10
#define RC_PIN7 62, 127, 33, 10
#define RC_PIN8 62, 108, 33, 10
#define RC_PIN9 62, 89, 33, 10
#define RC_PIN10 62, 71, 74, 10
#define RC_PIN11 62, 52, 72, 10
#define RC_PIN12 62, 33, 73, 10
#define RC_PIN13 62, 15, 74, 10

#define IDC_DATA 1017
#define RC_DATA 209, 17, 21, 12
#define IDC_DATA_LABEL 1040
#define RC_DATA_LABEL 179, 19, 29, 8
#define IDC_CONTROL_LABEL 1041
#define RC_CONTROL_LABEL 179, 37, 29, 8
#define IDC_STATUS_LABEL 1042
#define RC_STATUS_LABEL 179, 55, 30, 8
#define IDC_WRITE_DATA 1019
#define RC_WRITE_DATA 239, 15, 25, 14
#define IDC_CONTROL 1018
#define RC_CONTROL 209, 35, 21, 12
#define IDC_STATUS 1020
#define RC_STATUS 209, 53, 21, 12
#define IDC_WRITE_CONTROL 1022
#define RC_WRITE_CONTROL 239, 33, 25, 14
#define IDC_REFRESH 1024
#define RC_REFRESH 239, 53, 25, 14
#define IDC_PORT_GROUP 1043
#define RC_PORT_GROUP 150, 7, 150, 68
/* The eight "GND" labels beside connector pins 25 down to 18, with room for the widest dialog
   font's "GND". */
#define RC_GND1 62, 25, 20, 8
#define RC_GND2 62, 43, 20, 8
#define RC_GND3 62, 62, 20, 8
#define RC_GND4 62, 81, 20, 8
#define RC_GND5 62, 100, 20, 8
#define RC_GND6 61, 118, 20, 8
#define RC_GND7 62, 137, 20, 8
#define RC_GND8 62, 156, 20, 8
#define IDC_CABLE_GROUP 1044
#define RC_CABLE_GROUP 150, 79, 150, 178
#define IDC_RST 1021
#define RC_RST 167, 193, 50, 14
#define IDC_MISO 1023
#define RC_MISO 167, 153, 50, 14
#define IDC_MOSI 1025
#define RC_MOSI 167, 133, 50, 14
#define IDC_SCK 1026
#define RC_SCK 167, 173, 50, 14
#define IDC_MOSI_PIN 1031
#define RC_MOSI_PIN 227, 136, 37, 8
#define IDC_MISO_PIN 1032
#define RC_MISO_PIN 227, 156, 60, 8
#define IDC_SCK_PIN 1033
#define RC_SCK_PIN 227, 176, 33, 8
#define IDC_RST_PIN 1034
#define RC_RST_PIN 227, 196, 37, 8
#define IDC_HINT 1045
#define RC_HINT 167, 92, 120, 15
#define IDC_CABLE 1028
#define RC_CABLE 168, 114, 115, 67
#define IDC_R1 1027
#define RC_R1 167, 213, 50, 14
#define IDC_R2 1029
#define RC_R2 167, 233, 50, 14
#define IDC_R1_PIN 1035
#define RC_R1_PIN 228, 216, 37, 8
#define IDC_R2_PIN 1036
#define RC_R2_PIN 228, 235, 37, 8
/* Below the template's controls, 2 units clear of the bottom edge: which port is driven, and,
   when its text does not fit, the line made narrower beside the button that shows the whole text. */
#define IDC_PORT_STATUS 1050
#define RC_PORT_STATUS 7, 256, 216, 22
#define RC_PORT_STATUS_CUT 7, 256, 182, 22
#define IDC_PORT_DETAILS 1051
#define RC_PORT_DETAILS 195, 261, 28, 14

/* Dialog 100, the About box: 235 x 55. */
#define DLG_ABOUT_W 235
#define DLG_ABOUT_H 55
#define RC_ABOUT_ICON 11, 17, 20, 20
#define RC_ABOUT_TEXT 40, 10, 119, 8
#define IDC_ABOUT_OK 1 /* IDOK */
#define RC_ABOUT_OK 178, 7, 50, 14
