#pragma once
// Resource and control identifiers; shared by the resource script and the code,
// so plain macros.

#define IDS_DISPLAY_NAME 1
#define IDI_ZUVARIR 102
#define IDD_SETTINGS 103
#define IDB_SPRITE 104

#define IDC_MOVING 1004
#define IDC_ATTRACTIVE 1005
#define IDC_FLOOR 1006
#define IDC_MUSIC_FILE 1032
#define IDC_MUSIC 1033
#define IDC_BROWSE 1034
#define IDC_EVERY_MONITOR 1035
#define IDC_KEEP_PROPORTIONS 1036
#define IDC_SAVE_POWER 1037
