// Window handles as this realisation gives them out: the address of the
// widget itself. Open dialogs are registered while their loop runs, and a
// handle is used only after it is found among them or their controls, so a
// stale or made-up handle is refused rather than followed.
#pragma once

#include "platform/window_system.h"

class QWidget;

inline HWND HandleOfWidget(const QWidget* widget) {
    return reinterpret_cast<HWND>(const_cast<QWidget*>(widget));
}

// The open dialog or dialog control behind `handle`; null for any other.
QWidget* WidgetOfHandle(HWND handle);
