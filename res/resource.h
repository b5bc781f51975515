#pragma once

// Numbers of the program's resources and of the main window's controls. Tests and the window
// builder both look controls up by these ids.

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDD_WATCH_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDM_ABOUTBOX = 0x0010;  // system-menu command of the About item

#ifndef IDOK  // windows.h defines it as a macro, of the same value
inline constexpr int IDOK = 1;
#endif
inline constexpr int IDC_STATIC = -1;

inline constexpr int IDC_ADD_GNOTIFY = 1001;
inline constexpr int IDC_REMOVE = 1002;
inline constexpr int IDC_NAME_EDIT = 1005;
inline constexpr int IDC_FOLLOW_LIST = 1010;
inline constexpr int IDC_REMOVE_GNOTIFY = 1011;
inline constexpr int IDC_CLEAR_ALL = 1012;
inline constexpr int IDC_MAX_WINDOWS_VALUE = 1018;
inline constexpr int IDC_RESERVED_VALUE = 1021;
inline constexpr int IDC_MIN_ETIME_VALUE = 1024;
inline constexpr int IDC_MAX_WINDOWS_SLIDER = 1026;
inline constexpr int IDC_MODE_FOLLOW = 1028;
inline constexpr int IDC_MODE_ALL = 1029;
inline constexpr int IDC_RESERVED_SLIDER = 1030;
inline constexpr int IDC_RESERVED_LABEL = 1031;
inline constexpr int IDC_MIN_ETIME_SLIDER = 1032;
inline constexpr int IDC_MODE_NONE = 1033;
inline constexpr int IDC_NO_WILD = 1037;
inline constexpr int IDC_NO_UNRATED = 1038;
inline constexpr int IDC_NO_STANDARD = 1039;
inline constexpr int IDC_MY_ETIME_ONLY = 1040;
inline constexpr int IDC_NO_INCREMENT = 1041;
inline constexpr int IDC_STATUS = 1042;
