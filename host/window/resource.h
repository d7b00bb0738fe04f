#pragma once

// Controls of the windowed host's dialog. The window tests find them by these numbers.
#define IDD_MAIN 100

#define IDC_TREE 1001
#define IDC_SAVE 1002
#define IDC_PARAMETERS 1003
#define IDC_NO_PARAMETERS 1004
#define IDC_FOLDER 1010
#define IDC_BROWSE 1011
#define IDC_PACK_EXE 1012
#define IDC_PACK_FOLDER 1013
#define IDC_PACK_SPLIT 1014
#define IDC_SPLIT_SIZE 1015
#define IDC_SPLIT_KIB 1016
#define IDC_PROGRESS 1020
#define IDC_STATUS 1021
#define IDC_COUNT 1022
#define IDC_SUMMARY 1023
#define IDC_START 1030
#define IDC_STOP 1031
#define IDC_OPEN 1032

// A plug-in's fields, created when it is chosen in the tree: field n has its
// label at IDC_FIELD_BASE + 2n and its input (an edit box or a check box) at
// IDC_FIELD_BASE + 2n + 1.
#define IDC_FIELD_BASE 3000
