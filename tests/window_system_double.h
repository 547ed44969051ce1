// A recording stand-in for the window system: controls are text slots
// addressed by id, and every call the program makes is logged in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace window_double {

enum class Call { SetText, Update, MessageBox };

struct Event {
    Call call;
    int controlId;        // SetText and Update
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

}  // namespace window_double
