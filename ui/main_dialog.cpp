#include "ui/main_dialog.h"

#include "checksum/compute.h"
#include "resources/resource.h"
#include "resources/texts.h"

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_PATH, kPathPrompt);
        SetDlgItemTextA(dialog, IDC_RESULT, kResultStart);
        // FALSE: no focus of the procedure's own. Activating the dialog
        // puts it on the first tab stop, the path field.
        return FALSE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    // Only the command id matters: edit-field notifications share the
    // fields' ids and fall through to the default answer.
    const int commandId = LOWORD(wParam);
    switch (commandId) {
    case IDOK:
    case IDCANCEL:
        EndDialog(dialog, commandId);
        return TRUE;
    case IDC_BROWSE:
        OnBrowse(dialog);
        return TRUE;
    case IDC_COMPUTE:
        OnCompute(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void OnBrowse(HWND dialog) {
    char path[kBrowsePathBufferSize] = {};

    OPENFILENAMEA request = {};
    // The older, shorter request: every field the chooser needs is in it.
    request.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    request.hwndOwner = dialog;
    request.lpstrFilter = kBrowseFilter;
    request.nFilterIndex = 1;
    request.lpstrFile = path;
    request.nMaxFile = sizeof path;
    request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;

    // Anything but 1 is a cancel or a failure (the path did not fit, say),
    // and both leave the field as it was.
    if (GetOpenFileNameA(&request) == 1) {
        SetWindowTextA(GetDlgItem(dialog, IDC_PATH), path);
    }
}
