// The host's entry. The program takes no arguments, so none are passed on,
// not to WinMain and not to Qt.
#include "ui/win_main.h"

int main() {
    constexpr int kShowNormal = 1;  // SW_SHOWNORMAL
    char emptyCommandLine[] = "";
    return WinMain(nullptr, nullptr, emptyCommandLine, kShowNormal);
}
