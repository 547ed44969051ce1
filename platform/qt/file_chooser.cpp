// The common dialogs' file chooser on Qt's own file dialog.
#include "platform/qt/window_handles.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <cstring>

namespace {

// The chooser's filters, from Windows' list of name and pattern pairs.
// "*.*", which on Windows matches every name, with or without a dot,
// becomes "*". Names are shown without their patterns, as on Windows.
QStringList NameFilters(LPCSTR filterList) {
    QStringList filters;
    for (const char* name = filterList; *name != '\0';) {
        const char* pattern = name + std::strlen(name) + 1;
        if (*pattern == '\0') {
            break;
        }
        filters << QStringLiteral("%1 (%2)").arg(
            QString::fromUtf8(name),
            std::strcmp(pattern, "*.*") == 0 ? QStringLiteral("*") : QString::fromUtf8(pattern));
        name = pattern + std::strlen(pattern) + 1;
    }
    return filters;
}

// Whether the request is the browse command's: the shorter request with an
// owner, filters and the one to start with, an empty buffer for the path,
// and an existing file. Anything more (a title, a starting folder or file,
// a default extension, a custom filter, a buffer for the name alone, any
// other flag) is refused, not half done.
bool IsTheBrowseRequest(const OPENFILENAMEA& request) {
    return request.lStructSize == OPENFILENAME_SIZE_VERSION_400A &&
           request.Flags == (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST) &&
           request.lpstrFilter != nullptr && request.lpstrFile != nullptr && request.nMaxFile > 0 &&
           request.lpstrFile[0] == '\0' && request.lpstrCustomFilter == nullptr &&
           request.lpstrFileTitle == nullptr && request.lpstrInitialDir == nullptr &&
           request.lpstrTitle == nullptr && request.lpstrDefExt == nullptr;
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* request) {
    if (request == nullptr || QApplication::instance() == nullptr ||
        !IsTheBrowseRequest(*request)) {
        return FALSE;
    }
    QFileDialog chooser(WidgetOfHandle(request->hwndOwner));
    // Qt's own chooser, the same on every desktop: the platform's may read
    // patterns case-sensitively, and "*.TXT" must match "notes.txt" too.
    chooser.setOption(QFileDialog::DontUseNativeDialog);
    chooser.setOption(QFileDialog::HideNameFilterDetails);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = NameFilters(request->lpstrFilter);
    chooser.setNameFilters(filters);
    chooser.selectNameFilter(filters.value(static_cast<qsizetype>(request->nFilterIndex) - 1));
    // The chooser's own accept() closes it only on an existing file; closed
    // as accepted any other way (QDialog::done), it would have none.
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return FALSE;
    }

    const QString chosen = chooser.selectedFiles().front();
    const QByteArray path = QFile::encodeName(chosen);
    // Too long for the buffer: the call fails, as on Windows.
    if (static_cast<std::size_t>(path.size()) >= request->nMaxFile) {
        return FALSE;
    }
    std::memcpy(request->lpstrFile, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    // As on Windows, the chooser leaves the process in the chosen file's
    // folder.
    QDir::setCurrent(QFileInfo(chosen).absolutePath());
    return TRUE;
}
