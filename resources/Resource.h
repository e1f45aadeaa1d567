#pragma once

// Identifiers of the program's resources: commands, controls, dialog templates,
// menus, images and texts. The numbers are fixed: commands and controls keep
// them across every part of the program, and the string table is keyed by them.

// Frame resources: menu, accelerators, toolbar, main icon and the title string.
#define IDR_MAINFRAME 128
#define IDR_VAULTLINE_CONTEXT 141 // the tree's context menu (its first popup)

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_TRANSFER 130
#define IDD_FORM_BLANK 136
#define IDD_FORM_MEMDATA 141
#define IDD_LEFTVIEW 146

// Icons and bitmaps
#define IDI_MAINFRAME 128
#define IDI_ROOT 131
#define IDI_TRANSFER 132
#define IDI_MEMORY 135
#define IDB_ABOUT 137

// Controls
#define IDOK 1
#define IDCANCEL 2
#define IDC_TREE 500
#define IDC_LIST 500
#define IDC_START_MEM 1001
#define IDC_END_MEM 1002
#define IDC_ALL 1003
#define IDC_PARTIAL 1004
#define IDC_VERSION 1004
#define IDC_TRANSFER 1007
#define IDC_PROGRESS 1040
#define IDC_RESOURCE 1045

// Commands of the program
#define ID_TRANSFER_UPLOAD 32775
#define ID_TRANSFER_DOWNLOAD 32776
#define ID_TRANSFER_VERIFY 32777
#define ID_EDIT_PREFERENCES 32779
#define ID_EDIT_PASTE_OVERWRITE 32790
#define ID_EDIT_COPY_MEMORY 32794

// Commands of the framework
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP_INDEX 57666
#define ID_HELP 57670
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// Status-bar indicators and control-bar identifiers of the frame
#define ID_SEPARATOR 0
#define ID_INDICATOR_CAPS 0xE701
#define ID_INDICATOR_NUM 0xE702
#define ID_INDICATOR_SCRL 0xE703
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_PANE_FIRST 0xE900

// Texts of the framework itself
#define AFX_IDS_IDLEMESSAGE 57345
#define AFX_IDS_UNTITLED 61443
#define AFX_IDP_ASK_TO_SAVE 61699

// Texts of the program
#define IDS_APP_TITLE 128
#define IDS_MEMORIES 201
#define IDS_UPLOAD 202
#define IDS_DOWNLOAD 203
#define IDS_UPLOAD_TITLE 204
#define IDS_DOWNLOAD_TITLE 205
#define IDS_NO_VALUE 300
#define IDS_GROUP_DEFAULT 301
#define IDS_GROUP_OTHER 302
#define IDS_GROUP_ABC 303
#define IDS_HDR_ITEM 304
#define IDS_HDR_SETTINGS 305
#define IDS_HDR_PROTECTION 306
#define IDS_HDR_ACTION 307
#define IDS_RANGE_LOW 311
#define IDS_RANGE_MEDIUM 312
#define IDS_RANGE_HIGH 313
#define IDS_A_MEMORY 314
#define IDS_B_MEMORY 315
#define IDS_C_MEMORY 316
#define IDS_ROW_MODE 319
#define IDS_ROW_MEMO 320
#define IDS_ROW_CRANGE 321
#define IDS_ROW_VRANGE 322
#define IDS_ROW_CURRENT 323
#define IDS_ROW_POWER 324
#define IDS_ROW_VOLTAGE 325
#define IDS_ROW_CONDUCTANCE 326
#define IDS_ROW_SOFTSTART 327
#define IDS_ROW_COUNTTIME 328
#define IDS_ROW_RESPONSE 329
#define IDS_ROW_SLEWRATE 330
#define IDS_ROW_PULSEFREQ 331
#define IDS_ROW_PULSEDUTY 332
#define IDS_ROW_INPUTTIME 333
#define IDS_FILE_NOT_READ 1002
#define IDS_FILE_NOT_WRITTEN 1003
#define IDS_TRANSFER_COMPLETED 1005
#define IDS_TRANSFER_ABORTED 1006
#define IDS_WRONG_MODEL 1007
