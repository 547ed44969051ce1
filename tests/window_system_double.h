// A recording stand-in for the window system: controls are text slots
// addressed by id, and every call the program makes is logged in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace window_double {

enum class Call { SetText, Update, MessageBox, EndDialog };

struct Event {
    Call call;
    int controlId;        // SetText and Update; EndDialog: the result
    std::string text;     // SetText: the new text; MessageBox: the message
    std::string caption;  // MessageBox
    UINT type;            // MessageBox
    bool ownerless;       // MessageBox: no owner window
};

// Forgets all texts, the log and the message-box handler.
void Reset();

HWND Dialog();
void SetControlText(int controlId, const std::string& text);
std::string ControlText(int controlId);

const std::vector<Event>& Events();

// Runs inside MessageBoxA, as the window system's own loop would run the
// user's commands while the box is up.
void OnMessageBox(std::function<void()> handler);

// Runs inside GetOpenFileNameA with the request; its answer is the call's.
// Without a handler the chooser is cancelled.
void OnGetOpenFileName(std::function<BOOL(OPENFILENAMEA&)> handler);

// What DialogBoxParamA was given.
struct DialogBoxRequest {
    HINSTANCE instance;
    LPCSTR templateName;
    HWND owner;
    DLGPROC procedure;
    LPARAM parameter;
};

// Runs inside DialogBoxParamA; its answer is the call's.
void OnDialogBox(std::function<INT_PTR(const DialogBoxRequest&)> handler);

}  // namespace window_double
