#include "window_system_double.h"

#include <cstring>
#include <map>

// The double's window: the dialog has id 0, controls their own ids.
struct HWND__ {
    int id;
    std::string text;
};

namespace {

std::map<int, HWND__> windows;
std::vector<window_double::Event> events;
std::function<void()> messageBoxHandler;
std::function<BOOL(OPENFILENAMEA&)> chooserHandler;
std::function<INT_PTR(const window_double::DialogBoxRequest&)> dialogBoxHandler;

HWND Window(int id) {
    HWND__& window = windows[id];
    window.id = id;
    return &window;
}

}  // namespace

namespace window_double {

void Reset() {
    windows.clear();
    events.clear();
    messageBoxHandler = nullptr;
    chooserHandler = nullptr;
    dialogBoxHandler = nullptr;
}

HWND Dialog() { return Window(0); }

void SetControlText(int controlId, const std::string& text) { Window(controlId)->text = text; }

std::string ControlText(int controlId) { return Window(controlId)->text; }

const std::vector<Event>& Events() { return events; }

void OnMessageBox(std::function<void()> handler) { messageBoxHandler = std::move(handler); }

void OnGetOpenFileName(std::function<BOOL(OPENFILENAMEA&)> handler) {
    chooserHandler = std::move(handler);
}

void OnDialogBox(std::function<INT_PTR(const DialogBoxRequest&)> handler) {
    dialogBoxHandler = std::move(handler);
}

}  // namespace window_double

using window_double::Call;

// The signatures are the window system's; a handle is not ours to make const.
// cppcheck-suppress constParameter
HWND GetDlgItem(HWND dialog, int controlId) {
    return dialog == window_double::Dialog() ? Window(controlId) : nullptr;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    window->text = text;
    events.push_back({Call::SetText, window->id, text, {}, 0, false});
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    return SetWindowTextA(GetDlgItem(dialog, controlId), text);
}

// As Windows does: at most bufferSize - 1 bytes and a terminator; with no
// room even for the terminator, nothing written at all.
UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize) {
    if (bufferSize <= 0) {
        return 0;
    }
    const std::string& text = GetDlgItem(dialog, controlId)->text;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<UINT>(count);
}

BOOL UpdateWindow(HWND window) {
    events.push_back({Call::Update, window->id, {}, {}, 0, false});
    return TRUE;
}

// cppcheck-suppress constParameter
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    events.push_back({Call::MessageBox, 0, text, caption, type, owner == nullptr});
    // The handler may run a nested command that replaces the handler.
    const std::function<void()> handler = messageBoxHandler;
    if (handler) {
        handler();
    }
    return IDOK;
}

BOOL EndDialog(HWND /*dialog*/, INT_PTR result) {
    events.push_back({Call::EndDialog, static_cast<int>(result), {}, {}, 0, false});
    return TRUE;
}

BOOL GetOpenFileNameA(OPENFILENAMEA* request) {
    return chooserHandler ? chooserHandler(*request) : FALSE;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM initParam) {
    const window_double::DialogBoxRequest request{instance, templateName, owner, dialogProc,
                                                  initParam};
    return dialogBoxHandler ? dialogBoxHandler(request) : -1;
}
