// Resource and control ids of Porvik's Win32 window; included by porvik.rc and the C++ code.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_PORVIK_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_CONNECTOR 130
#define IDR_ACCELERATORS 131
#define IDD_WIRING 132

// Template 102, the ids of the description of the window.
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
#define IDC_DATA 1017
#define IDC_CONTROL 1018
#define IDC_WRITE_DATA 1019
#define IDC_STATUS 1020
#define IDC_RST 1021
#define IDC_WRITE_CONTROL 1022
#define IDC_MISO 1023
#define IDC_REFRESH 1024
#define IDC_MOSI 1025
#define IDC_SCK 1026
#define IDC_R1 1027
#define IDC_CABLE 1028
#define IDC_R2 1029
#define IDC_MOSI_PIN 1031
#define IDC_MISO_PIN 1032
#define IDC_SCK_PIN 1033
#define IDC_RST_PIN 1034
#define IDC_R1_PIN 1035
#define IDC_R2_PIN 1036

// Statics whose Chinese captions are set at run time (the resource compiler garbles UTF-8).
#define IDC_DATA_LABEL 1040
#define IDC_CONTROL_LABEL 1041
#define IDC_STATUS_LABEL 1042
#define IDC_PORT_GROUP 1043
#define IDC_CABLE_GROUP 1044
#define IDC_HINT 1045
#define IDC_PICTURE 1046
// Below the template's controls: which port is driven, and the whole text one click away.
#define IDC_PORT_STATUS 1050
#define IDC_PORT_DETAILS 1051

// Template 132, the wiring test's result.
#define IDC_WIRING_EXPECTED 1060
#define IDC_WIRING_TABLE 1061
#define IDC_WIRING_SUMMARY 1062

// Keyboard commands (accelerators 131).
#define ID_KEY_ABOUT 32771
#define ID_WIRING_PLUG 32772
#define ID_WIRING_CABLE 32773
