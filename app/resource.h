// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_DOWNLOAD 101
#define IDB_BACKGROUND 102
#define IDI_APPICON 103
#define IDI_APPICON2 104
#define IDC_PROGRESS 1003
#define IDC_CANCEL 1004
#define IDC_STATUS 1005
