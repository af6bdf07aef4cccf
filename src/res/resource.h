// Every resource and command id of Kavrin, grouped by kind, each kind in its own range.
// res/id_check.cpp lists them all as case labels, so a value used twice fails the build.
#pragma once

// Dialog templates
#define IDD_VERSION_DIALOG 100
#define IDD_MERGE_DIALOG 102

// Strings
#define IDS_VERSION_MENU 101

// Icons and bitmaps
#define IDI_MAIN 128
#define IDB_BANNER 131

// Controls of the main dialog (IDCANCEL, 2, is its Exit button)
#define IDC_AVI_PATH 1000
#define IDC_WAVE_PATH 1001
#define IDC_NEWAVI_PATH 1002
#define IDC_BROWSE_AVI 1003
#define IDC_BROWSE_WAVE 1004
#define IDC_BROWSE_NEWAVI 1005
#define IDC_EXECUTE 1007
#define IDC_WAVE_BUFFER 1008
#define IDC_BANNER 1010
// Labels and pictures that no code reaches share the id -1 (0xFFFF in a template).
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// System menu commands: the low four bits stay clear, as the system uses them itself.
#define IDM_VERSION 0x0010
