#pragma once
#define IDD_THROWAWAY 200
#define IDC_NAME 1001
#define IDC_ASK 1002
#define IDC_RESULT 1003
#define IDC_LABEL 1004
