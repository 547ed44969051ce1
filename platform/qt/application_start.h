// Making Qt's application object, which opens the window system.
#pragma once

#include <QApplication>

#include <optional>

// Makes the application object in `application`, with Qt's own texts in
// the user's language. Where Qt can start none of the platforms it tries,
// ends the process with status 1, as a dialog that cannot be created ends
// it, instead of with Qt's abort.
void StartApplication(std::optional<QApplication>& application);
