// Qt ends the process with qFatal, an abort and a core dump, when it can
// start none of the platforms it tries: DISPLAY naming an X server that has
// gone, WAYLAND_DISPLAY a socket that is not there, QT_QPA_PLATFORM a
// platform that does not exist. That fatal message is caught here, while
// the application object is being made, and the process ends quietly.
//
// The display is not probed beforehand: an X server resets when its last
// client leaves, so a probe's own disconnect can make it refuse Qt a moment
// later (a server started with -terminate quits outright).
#include "platform/qt/application_start.h"

#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

namespace {

// The program's name, for Qt's arguments and for the failure line.
char programName[] = "quorvin";

// What Qt 6.4 tries, in its order, for the failure line: the platforms
// QT_QPA_PLATFORM lists (';' between them, ':' before a platform's
// arguments), else xcb, after wayland where WAYLAND_DISPLAY is set or
// XDG_SESSION_TYPE is "wayland". xcb and wayland are named by the display
// libxcb and libwayland take from the environment, the others by themselves.
QByteArray WhatQtTries() {
    QByteArrayList platforms;
    const QByteArray listed = qgetenv("QT_QPA_PLATFORM");
    if (!listed.isEmpty()) {
        for (const QByteArray& entry : listed.split(';')) {
            platforms.append(entry.split(':').constFirst().toLower());
        }
    } else {
        if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
            qgetenv("XDG_SESSION_TYPE") == "wayland") {
            platforms.append("wayland");
        }
        platforms.append("xcb");
    }
    QByteArrayList tried;
    for (const QByteArray& platform : platforms) {
        QByteArray name;
        if (platform == "xcb") {
            name = qgetenv("DISPLAY");
        } else if (platform == "wayland" || platform.startsWith("wayland-")) {
            name = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ? qgetenv("WAYLAND_DISPLAY")
                                                                : "wayland-0";
        } else if (!platform.isEmpty()) {
            tried.append("platform " + platform);
            continue;
        }
        if (!name.isEmpty() && !tried.contains("display " + name)) {
            tried.append("display " + name);
        }
    }
    QByteArray description = tried.isEmpty() ? QByteArray("a display") : tried.join(" or ");
    // Bytes from the environment: a control character could break the line.
    for (char& byte : description) {
        if (static_cast<unsigned char>(byte) < 0x20 || byte == '\x7f') {
            byte = '?';
        }
    }
    return description;
}

struct HeldMessage {
    QtMsgType type;
    QByteArray file;
    QByteArray function;
    QByteArray category;
    int line;
    QString text;
};

// Qt's messages while the application object is being made, held back:
// where Qt fails, they would come before the one line.
struct StartMessages {
    QByteArray failureLine;
    std::mutex lock;
    std::vector<HeldMessage> held;
};

StartMessages& Start() {
    static StartMessages start;
    return start;
}

void HoldBack(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    StartMessages& start = Start();
    if (type == QtFatalMsg) {
        // qFatal aborts once this returns, so the process ends here, with
        // the status WinMain gives a dialog that cannot be created.
        static_cast<void>(std::fputs(start.failureLine.constData(), stderr));
        _exit(1);
    }
    const std::lock_guard guard(start.lock);
    start.held.push_back(
        {type, context.file, context.function, context.category, context.line, text});
}

const char* NullWhereNull(const QByteArray& bytes) {
    return bytes.isNull() ? nullptr : bytes.constData();
}

}  // namespace

void StartApplication(std::optional<QApplication>& application) {
    StartMessages& start = Start();
    start.failureLine = QByteArray(programName) + ": cannot open " + WhatQtTries() + '\n';
    // The program takes no arguments, so Qt is given none either.
    static int argumentCount = 1;
    static char* arguments[] = {programName, nullptr};
    const QtMessageHandler previous = qInstallMessageHandler(HoldBack);
    application.emplace(argumentCount, arguments);
    qInstallMessageHandler(previous);

    // Started: what was held back goes out as Qt would have sent it.
    std::vector<HeldMessage> held;
    {
        const std::lock_guard guard(start.lock);
        held = std::exchange(start.held, {});
    }
    for (const HeldMessage& message : held) {
        const QMessageLogContext context(NullWhereNull(message.file), message.line,
                                         NullWhereNull(message.function),
                                         NullWhereNull(message.category));
        qt_message_output(message.type, context, message.text);
    }
}
