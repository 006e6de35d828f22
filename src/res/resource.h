// Resource, control and command ids shared by the resource script and the code.
#pragma once

// Dialog templates
#define IDD_MAIN 102
#define IDD_QUICK_CONFIG 162
#define IDD_WIZARD 173
#define IDD_PROGRESS 175
#define IDD_STARTUP_ITEMS 177

// Bitmaps
#define IDB_FRAME 129

// Menus
#define IDR_MAIN_MENU 149

// Icons
#define IDI_APP 128
#define IDI_STATUS 163
#define IDI_DISABLED 164
#define IDI_AUTO 165
#define IDI_FOLDER 166
#define IDI_MANUAL 168
#define IDI_ROOT 176

// Main window controls
#define IDC_BTN_CLOSE 1000
#define IDC_BTN_ABOUT 1001
#define IDC_BTN_MINIMIZE 1002
#define IDC_BTN_START 1005
#define IDC_BTN_PAUSE 1006
#define IDC_BTN_TOOLS 1007
#define IDC_BTN_STOP 1008
#define IDC_BTN_CONFIGURE 1009
#define IDC_BTN_WIZARD 1010
#define IDC_BTN_HELP 1011
#define IDC_SUMMARY 1013
#define IDC_CATEGORY_TREE 1016
#define IDC_STATUS_LINE 1017
#define IDC_STATUS_ICON 1018
#define IDC_DEPENDS_TREE 1019
#define IDC_BTN_AUTO 1020
#define IDC_BTN_MANUAL 1021
#define IDC_BTN_DISABLED 1022
#define IDC_TOOL_STRIP 1023
#define IDC_WORK_FRAME 1024
#define IDC_STATUS_FRAME 1025
#define IDC_DEPENDS_RULE 1026
#define IDC_DEPENDS_LABEL 1027
#define IDC_SERVICE_LIST 1039
#define IDC_BTN_IMPORT 1042
#define IDC_BTN_EXPORT 1043
#define IDC_MENU_STRIP 1044

// Quick configuration and wizard controls
#define IDC_CHOICE_1 1028
#define IDC_CHOICE_2 1029
#define IDC_CHOICE_3 1030
#define IDC_CHOICE_4 1031
#define IDC_CHOICE_5 1032
#define IDC_BTN_CANCEL 1033
#define IDC_BTN_NEXT 1034
#define IDC_BTN_PREV 1035
#define IDC_QUESTION 1036
#define IDC_QUESTION_SERVICES 1037
#define IDC_BTN_EXIT 1038

// Startup items window controls (the list is 1039 and the details 1013, as
// in the main window)
#define IDC_STARTUP_LIST 1039
#define IDC_BTN_STARTUP_EXIT 1040
#define IDC_BTN_STARTUP_DELETE 1041

// Menu commands
#define ID_QUICK_CONFIG 32771
#define ID_IMPORT_CONFIG 32773
#define ID_PAUSE_SERVICE 32774
#define ID_STOP_SERVICE 32775
#define ID_START_SERVICE 32778
#define ID_MENU_AUTO 32779
#define ID_MENU_MANUAL 32780
#define ID_MENU_DISABLED 32781
#define ID_EXPORT_CONFIG 32782
#define ID_STARTUP_ITEMS 32783
#define ID_ABOUT 32787
#define ID_DELETE_SERVICE 32789
