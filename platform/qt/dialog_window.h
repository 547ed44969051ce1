// A dialog realised from its template, and the modal loop that runs it.
//
// The window and its controls are made from the compiled template: each
// control at its rectangle converted from dialog units, in template order
// (which is also the Tab order). The dialog procedure receives what a
// Windows dialog's procedure would: WM_INITDIALOG before the window shows,
// then WM_COMMAND for button clicks, for Enter (IDOK) and for Escape and
// the close box (IDCANCEL).
#pragma once

#include "platform/qt/resource_image.h"
#include "platform/window_system.h"

#include <QDialog>
#include <QEventLoop>

#include <vector>

class DialogWindow : public QDialog {
public:
    // The template's pictures show the bitmaps the program carries
    // (embedded_resources.h) under the numbers they name.
    DialogWindow(const DialogTemplate& dialogTemplate, DLGPROC procedure);

    // False when a picture's bitmap or layers could not be read.
    bool IsComplete() const { return complete_; }

    // Sends WM_INITDIALOG, shows the dialog and runs its loop until End().
    INT_PTR RunModal(LPARAM initParam);
    // Ends the loop with `result`; whatever handler is running finishes first.
    void End(INT_PTR result);

    // The control with `id`, the first in template order; null if none.
    QWidget* Control(int id) const;
    bool HasControl(const QWidget* widget) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct ControlEntry {
        int id;
        QWidget* widget;
    };

    QWidget* MakeControl(const DialogControlTemplate& control);
    void SendCommand(int id, const QWidget* control);

    DLGPROC procedure_;
    std::vector<ControlEntry> controls_;
    bool complete_ = true;
    bool ended_ = false;
    INT_PTR result_ = 0;
    QEventLoop loop_;
};
