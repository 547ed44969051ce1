// The window-system operations the program calls, by their Windows names.
//
// On Windows these are <windows.h>'s own. Every other host gets the same
// names, types and constants declared here, and links in a realisation of
// the functions: a subfolder of platform/ for a real window system, or the
// recording double the tests use. Common code includes only this header.
//
// Nine operations in all: DialogBoxParamA, EndDialog, GetDlgItem,
// SetWindowTextA, SetDlgItemTextA, GetDlgItemTextA, UpdateWindow and
// MessageBoxA from the user-interface library, GetOpenFileNameA from the
// common dialogs.
#pragma once

#ifdef _WIN32

#include <windows.h>

#else

#include <cstddef>
#include <cstdint>

// Calling conventions mean nothing off 32-bit Windows.
#define WINAPI
#define CALLBACK

// <windows.h>'s own names for the structures handles point to.
struct HWND__;  // NOLINT(bugprone-reserved-identifier)
using HWND = HWND__*;
struct HINSTANCE__;  // NOLINT(bugprone-reserved-identifier)
using HINSTANCE = HINSTANCE__*;
using UINT = unsigned int;
using BOOL = int;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using INT_PTR = std::intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;

inline constexpr UINT MB_OK = 0x00000000;

inline constexpr WORD LOWORD(WPARAM value) { return static_cast<WORD>(value & 0xFFFF); }

// A resource number in the place of a resource name, as Windows has it: the
// number itself is the pointer, never dereferenced.
inline LPCSTR MAKEINTRESOURCEA(WORD number) {
    return reinterpret_cast<LPCSTR>(  // NOLINT(performance-no-int-to-ptr)
        static_cast<std::uintptr_t>(number));
}

struct OPENFILENAMEA {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCSTR lpstrFilter;
    LPSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;
    LPSTR lpstrFile;
    DWORD nMaxFile;
    LPSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCSTR lpstrInitialDir;
    LPCSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCSTR lpstrDefExt;
    LPARAM lCustData;
    void* lpfnHook;
    LPCSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
};

// The request as it was before the fields added in Windows 2000: the
// structure up to and including lpTemplateName.
inline constexpr DWORD OPENFILENAME_SIZE_VERSION_400A =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);

inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int controlId);
BOOL SetWindowTextA(HWND window, LPCSTR text);
BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize);
BOOL UpdateWindow(HWND window);
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
BOOL GetOpenFileNameA(OPENFILENAMEA* request);

#endif
