// The window-system operations on Qt 6 Widgets, all nine but the file
// chooser (file_chooser.cpp).
//
// Texts cross as UTF-8 byte strings, this host's narrow encoding. Every
// operation runs on the thread that runs the dialogs, as on Windows.
#include "platform/qt/application_start.h"
#include "platform/qt/dialog_window.h"
#include "platform/qt/edit_control.h"
#include "platform/qt/embedded_resources.h"
#include "platform/qt/resource_image.h"
#include "platform/qt/window_handles.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

// The dialogs whose modal loop is running, innermost last.
std::vector<DialogWindow*>& OpenDialogs() {
    static std::vector<DialogWindow*> dialogs;
    return dialogs;
}

// The program's texts go to and come from its edit fields only.
EditControl* EditOfHandle(HWND handle) {
    return dynamic_cast<EditControl*>(WidgetOfHandle(handle));
}

// The open dialog `handle` names; null for a control or any other handle.
DialogWindow* DialogOfHandle(HWND handle) {
    return dynamic_cast<DialogWindow*>(WidgetOfHandle(handle));
}

}  // namespace

QWidget* WidgetOfHandle(HWND handle) {
    auto* widget = reinterpret_cast<QWidget*>(handle);
    for (const DialogWindow* dialog : OpenDialogs()) {
        if (widget == dialog || dialog->HasControl(widget)) {
            return widget;
        }
    }
    return nullptr;
}

INT_PTR DialogBoxParamA(HINSTANCE /*instance*/, LPCSTR templateName, HWND /*owner*/,
                        DLGPROC dialogProc, LPARAM initParam) {
    constexpr INT_PTR kFailed = -1;
    // Only numbered templates: a name would be a pointer at or above 0x10000.
    const auto number = reinterpret_cast<std::uintptr_t>(templateName);
    ResourceBytes data;
    DialogTemplate dialogTemplate;
    if (dialogProc == nullptr || number > UINT16_MAX ||
        !FindResourceData(EmbeddedResourceImage(), kResourceTypeDialog,
                          static_cast<std::uint16_t>(number), data) ||
        !ParseDialogTemplate(data, dialogTemplate)) {
        return kFailed;
    }

    // The application object lives as long as the outermost dialog.
    std::optional<QApplication> application;
    // Which platform Qt tries, and whether it opens, is Qt's to find out:
    // where none opens, StartApplication ends the program with a line saying so.
    if (QApplication::instance() == nullptr) {
        StartApplication(application);
    }
    // Windows of their own come and go (notices, the chooser); only
    // EndDialog ends a loop.
    QApplication::setQuitOnLastWindowClosed(false);

    DialogWindow dialog(dialogTemplate, dialogProc);
    if (!dialog.IsComplete()) {
        return kFailed;
    }
    OpenDialogs().push_back(&dialog);
    const INT_PTR result = dialog.RunModal(initParam);
    std::erase(OpenDialogs(), &dialog);
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogWindow* window = DialogOfHandle(dialog);
    if (window == nullptr) {
        return FALSE;
    }
    window->End(result);
    return TRUE;
}

HWND GetDlgItem(HWND dialog, int controlId) {
    const DialogWindow* window = DialogOfHandle(dialog);
    return window != nullptr ? HandleOfWidget(window->Control(controlId)) : nullptr;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    EditControl* edit = EditOfHandle(window);
    if (edit == nullptr) {
        return FALSE;
    }
    edit->SetBytes(text != nullptr ? text : "");
    return TRUE;
}

BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    return SetWindowTextA(GetDlgItem(dialog, controlId), text);
}

UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize) {
    const EditControl* edit = EditOfHandle(GetDlgItem(dialog, controlId));
    if (buffer == nullptr || bufferSize <= 0) {
        return 0;
    }
    // As much as fits before the terminator, cut in bytes.
    const std::string text = edit != nullptr ? edit->Bytes() : std::string();
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(bufferSize) - 1);
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
    return static_cast<UINT>(count);
}

BOOL UpdateWindow(HWND window) {
    QWidget* widget = WidgetOfHandle(window);
    if (widget == nullptr) {
        return FALSE;
    }
    // Painted now, not when the loop next runs: the caller is about to keep
    // the thread busy.
    widget->repaint();
    return TRUE;
}

// The owner's type is the window system's, as in every other operation.
// cppcheck-suppress constParameter
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // A notice without owner, with OK alone: the program shows no other, and
    // a box asking a question would need answers this one cannot give.
    if (QApplication::instance() == nullptr || owner != nullptr || type != MB_OK) {
        return 0;
    }
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(caption != nullptr ? caption : ""),
                    QString::fromUtf8(text != nullptr ? text : ""), QMessageBox::Ok);
    // The box blocks nothing: the dialogs stay enabled and their commands
    // run inside this wait, in its own loop.
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.show();
    loop.exec(QEventLoop::DialogExec);
    return IDOK;
}
