// The program's entry, called once by the start-up code: on Windows by the
// C runtime, elsewhere by the host's main().
#pragma once

#include "platform/window_system.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand);
