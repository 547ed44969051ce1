// The window-system operations the program calls, by their Windows names.
//
// On Windows these are <windows.h>'s own. Every other host gets the same
// names, types and constants declared here, and links in a realisation of
// the functions: a subfolder of platform/ for a real window system, or the
// recording double the tests use. Common code includes only this header.
#pragma once

#ifdef _WIN32

#include <windows.h>

#else

#include <cstdint>

// <windows.h>'s own name for the structure a window handle points to.
struct HWND__;  // NOLINT(bugprone-reserved-identifier)
using HWND = HWND__*;
using UINT = unsigned int;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using INT_PTR = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

inline constexpr UINT MB_OK = 0x00000000;

HWND GetDlgItem(HWND dialog, int controlId);
BOOL SetWindowTextA(HWND window, LPCSTR text);
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize);
BOOL UpdateWindow(HWND window);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

#endif
