// Making Qt's application object, which opens the window system.
#pragma once

#include <QApplication>

#include <optional>

// Makes the application object in `application`. Where Qt can start none of
// the platforms it tries (a display named but not answering, a platform
// that does not exist), ends the process with status 1, as a dialog that
// cannot be created ends it, and one line on stderr after Qt's warnings,
// instead of Qt's abort.
void StartApplication(std::optional<QApplication>& application);
