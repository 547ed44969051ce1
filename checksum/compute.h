// The compute command: hashes the file named in the path field and leaves
// the digest, or what went wrong, in the result field.
#pragma once

#include "platform/window_system.h"

void OnCompute(HWND dialog);
