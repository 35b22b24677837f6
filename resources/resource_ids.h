#pragma once
// Identifiers of the program's resources: strings, menu commands, dialog
// templates and their controls, bitmaps and the icon.

// String table
enum StringId : int {
    IDS_STATUS_PANEL = 6,         // "Status Panel"
    IDS_MAIN_PANEL = 7,           // "Main Panel"
    IDS_TIMEOUT = 8,              // "Time Out !"
    IDS_INSTRUMENT_ERROR = 9,     // "Instrument reports error:  %s"
    IDS_API_FAILURE = 10,         // "API failure."
    IDS_IDN_PREFIX = 12,          // identity answer prefix
    IDS_NONLIVE_SELFTEST = 14,
    IDS_NONLIVE_RESET = 15,
    IDS_OPC_DONE = 16,
    IDS_OPC_NOT_DONE = 17,
    IDS_SETTING_PANEL = 18,       // "Setting Panel"
    IDS_RESET_OK = 19,
    IDS_CHANNEL_OPEN_ERROR = 20,
    IDS_RESET_ADVICE = 21,
    IDS_FRAME_TITLE = 109,        // "TSX4410 SFP"
    IDS_NO_DRIVER_DLL = 1064,
    IDS_NO_VISA_DLL = 1065,
    IDS_OPEN_RM_FAILED = 1066,
    IDS_NO_INSTRUMENT = 1067,
    IDS_SELECT_CANCELLED = 1068,
    IDS_INIT_FAILED = 1069,
    IDS_APP_TITLE = 57344,        // caption of every message box
};

// Menu 102 commands
enum CommandId : int {
    ID_OPTIONS_SELFTEST = 32771,
    ID_OPTIONS_RESET = 32774,
    ID_HELP_CONTENTS = 32775,
    ID_APP_ABOUT = 32776,
    ID_PANELS_MAIN = 32777,
    ID_PANELS_STATUS = 32778,
    ID_APP_EXIT = 32779,
    ID_PANELS_SETTING = 32781,
    ID_PANELS_TRAFFIC = 32782, // opens the Traffic window beside the main window
};

// Templates, menu, bitmaps, icon
enum ResourceId : int {
    IDI_APP = 2,
    IDD_ABOUTBOX = 100,
    IDR_MAINFRAME = 102,
    IDD_MAIN_PANEL = 103,
    IDB_LOGO = 104,
    IDB_STANDARDS_LOGO = 105,
    IDD_STATUS_PANEL = 106,
    IDD_SELECT_INSTRUMENT = 107,
    IDD_SETTING_PANEL = 113,
};

// Controls
enum ControlId : int {
    IDOK = 1,
    IDCANCEL = 2,
    // Main Panel
    IDC_BANNER = 1000,
    IDC_STANDARDS_LOGO = 1001,
    IDC_LOGO = 1002,
    IDC_ACTIVE_LAMP = 1004,
    IDC_ADDRESS_FRAME = 1006,
    IDC_SLOT_LABEL = 1007,
    IDC_SLOT = 1010,
    IDC_RESOURCE = 1011,
    IDC_BODY_FRAME = 1012,
    IDC_START_STOP = 1044,
    IDC_CHANNEL1_GROUP = 1300,
    IDC_CHANNEL3_GROUP = 1301,
    IDC_CHANNEL2_GROUP = 1302,
    IDC_CHANNEL4_GROUP = 1303,
    IDC_BAUD_LABEL = 1304,   // + channel index
    IDC_DATA_LABEL = 1308,   // + channel index
    IDC_PARITY_LABEL = 1312, // + channel index
    IDC_FLOW_LABEL = 1316,   // + channel index
    IDC_RX_LAMP = 1320,      // + channel index
    IDC_TX_LAMP = 1324,      // + channel index
    IDC_ERR_LAMP = 1328,     // + channel index
    IDC_TRANS = 1332,        // + channel index
    IDC_RECV = 1336,         // + channel index
    // Status panel
    IDC_READ_ERROR_QUEUE = 1015,
    IDC_ERROR_NUMBER = 1016,
    IDC_ERROR_MESSAGE = 1017,
    IDC_STATUS_TITLE = 1018,
    IDC_STATUS_BYTE = 1022,
    IDC_OPC = 1023,
    IDC_STATUS_FRAME = 1024,
    IDC_ERROR_FRAME = 1026,
    // Select Instrument
    IDC_INSTRUMENT_LIST = 1042,
    // Setting Panel
    IDC_SETTING_FRAME = 1065,
    IDC_APPLY = 1099,
    IDC_PARITY_CHECK = 1101,
    IDC_BAUD = 1102,
    IDC_DATA_BITS = 1103,
    IDC_PARITY = 1104,
    IDC_STOP_BITS = 1105,
    IDC_FLOW_CONTROL = 1106,
    IDC_CHANNEL_TABS = 1107,
    IDC_RESTORE = 1108,
    IDC_MODE = 1110,
};
