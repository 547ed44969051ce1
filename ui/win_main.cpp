// The entry: runs the main dialog until it ends. The command line is not
// used; whatever ends the dialog, the exit status is 1.
#include "ui/win_main.h"

#include "resources/resource.h"
#include "ui/main_dialog.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr, MainDialogProc, 0);
    return 1;
}
