// The main dialog: its procedure, which only dispatches, and the browse
// command. The compute command lives in checksum/.
#pragma once

#include "platform/window_system.h"

// The size of the chooser's file buffer, terminator included.
inline constexpr int kBrowsePathBufferSize = 260;

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Lets the user pick a file and puts its full path into the path field.
void OnBrowse(HWND dialog);
