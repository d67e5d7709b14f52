// Template, control and icon ids of the installer's dialogs: one name per id, included by the
// resource scripts (ui/win32) and by the dialogs' code. Plain #defines, as the resource compiler
// reads them.
#pragma once

// The main dialog (template 143) and its icon.
#define IDD_INSTALL 143
#define IDI_INSTALL 145
#define IDC_INSTALL_CANCEL 1007
#define IDC_MODEL_COMBO 1025
#define IDC_SET_DEFAULT 1057
#define IDC_PORT_LIST 1058
#define IDC_PROGRESS 1004
#define IDC_RADIO_USB 1059
#define IDC_RADIO_SERIAL 1060
#define IDC_RADIO_LPT 1062
#define IDC_RADIO_NETWORK 1063
#define IDC_RADIO_BLUETOOTH 1064
#define IDC_ADD_NETWORK_PORT 1066
#define IDC_SCAN_BLE 1069

// Windows the main dialog makes itself: the hidden wizard panel and its install folder field.
#define IDC_WIZARD_PANEL 0
#define IDC_INSTALL_FOLDER 1200

// The language dialog (template 151).
#define IDD_SELECT_LANGUAGE 151
#define IDC_LANGUAGE_LIST 1062

// The serial settings dialog (template 152): five lists, each with its label.
#define IDD_SERIAL_CONFIG 152
#define IDC_BAUD_LABEL 1101
#define IDC_PARITY_LABEL 1102
#define IDC_FLOW_LABEL 1103
#define IDC_DATA_BITS_LABEL 1104
#define IDC_STOP_BITS_LABEL 1105
#define IDC_BAUD_COMBO 1111
#define IDC_PARITY_COMBO 1112
#define IDC_FLOW_COMBO 1113
#define IDC_DATA_BITS_COMBO 1114
#define IDC_STOP_BITS_COMBO 1115
