// Resource and control identifiers, shared by the resource script and the code.
#pragma once

#define IDD_MAIN 129
#define IDB_LOGO 132
#define IDI_MAIN 107
#define IDI_MAIN_SMALL 108

#define IDC_PATH 1000
#define IDC_BROWSE 1001
#define IDC_RESULT 1002
#define IDC_COMPUTE 1003
