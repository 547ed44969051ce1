// Qt ends the process with qFatal, an abort and a core dump, when it can
// start none of the platforms it tries. That fatal message is caught here,
// while the application object is being made, and the process ends with one
// line. Qt's own warnings, which name the display or platform it tried,
// have gone out before it as Qt writes them.
//
// The display is not probed beforehand: an X server resets when its last
// client leaves, so a probe's own disconnect can make it refuse Qt a moment
// later (a server started with -terminate quits outright).
#include "platform/qt/application_start.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <unistd.h>

#include <cstdio>

namespace {

// The program's name, for Qt's arguments and for the failure line.
char programName[] = "quorvin";

QtMessageHandler qtHandler = nullptr;

void EndOnFatal(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        qtHandler(type, context, text);
        return;
    }
    // No platform yet: Qt's fatal message is that none could start, and it
    // goes on about reinstalling and plugins. Any other says what it is.
    const QByteArray what = QGuiApplication::platformName().isEmpty()
                                ? QByteArray("cannot open a window system")
                                : text.toLocal8Bit();
    static_cast<void>(std::fprintf(stderr, "%s: %s\n", programName, what.constData()));
    // qFatal aborts once this returns, so the process ends here, with the
    // status WinMain gives a dialog that cannot be created.
    _exit(1);
}

}  // namespace

void StartApplication(std::optional<QApplication>& application) {
    // The program takes no arguments, so Qt is given none either.
    static int argumentCount = 1;
    static char* arguments[] = {programName, nullptr};
    qtHandler = qInstallMessageHandler(EndOnFatal);
    application.emplace(argumentCount, arguments);
    qInstallMessageHandler(qtHandler);

    // Qt's own texts (the notice's button, the chooser, a field's menu) in
    // the user's language, as Windows gives its own; where Qt has no
    // translation for it, or none is installed, they stay English. The
    // program's texts are its own in every locale.
    auto* qtTexts = new QTranslator(&*application);
    if (qtTexts->load(QLocale(), "qtbase", "_",
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qtTexts);
    }
}
