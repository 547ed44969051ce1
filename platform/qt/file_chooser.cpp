// The common dialogs' file chooser on Qt's own file dialog.
#include "platform/qt/window_handles.h"
#include "platform/window_system.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The chooser's filters, from Windows' list of name and pattern pairs. A
// pattern list ("*.c;*.h") becomes Qt's ("*.c *.h"), and "*.*", which on
// Windows matches every name, with or without a dot, becomes "*". Names are
// shown without their patterns, as on Windows.
QStringList NameFilters(LPCSTR filterList) {
    QStringList filters;
    if (filterList == nullptr) {
        return filters;
    }
    for (const char* name = filterList; *name != '\0';) {
        const char* patterns = name + std::strlen(name) + 1;
        if (*patterns == '\0') {
            break;
        }
        QStringList qtPatterns = QString::fromUtf8(patterns).split(u';', Qt::SkipEmptyParts);
        for (QString& pattern : qtPatterns) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
        }
        filters << QStringLiteral("%1 (%2)").arg(QString::fromUtf8(name), qtPatterns.join(u' '));
        name = patterns + std::strlen(patterns) + 1;
    }
    return filters;
}

// Whether the request asks for what the browse command asks and no more:
// an owner, filters and the one to start with, an empty buffer for the
// path, and an existing file. A title, a starting folder or file, a default
// extension, a custom filter, a buffer for the name alone, or any other
// flag (several files, a hook, a template) is refused, not half done.
bool AsksOnlyForWhatIsRealised(const OPENFILENAMEA& request) {
    constexpr DWORD kRealisedFlags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
    const bool hasFlagsEx = request.lStructSize >= sizeof(OPENFILENAMEA);
    return request.lStructSize >= OPENFILENAME_SIZE_VERSION_400A && request.lpstrFile != nullptr &&
           request.nMaxFile > 0 && request.lpstrFile[0] == '\0' &&
           (request.Flags & OFN_FILEMUSTEXIST) != 0 && (request.Flags & ~kRealisedFlags) == 0 &&
           request.lpstrCustomFilter == nullptr && request.lpstrFileTitle == nullptr &&
           request.lpstrInitialDir == nullptr && request.lpstrTitle == nullptr &&
           request.lpstrDefExt == nullptr && (!hasFlagsEx || request.FlagsEx == 0);
}

}  // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* request) {
    if (request == nullptr || QApplication::instance() == nullptr ||
        !AsksOnlyForWhatIsRealised(*request)) {
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
    if (!filters.isEmpty()) {
        chooser.setNameFilters(filters);
        const qsizetype index = request->nFilterIndex > 0 ? request->nFilterIndex - 1 : 0;
        chooser.selectNameFilter(filters.value(index, filters.front()));
    }
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return FALSE;
    }

    const QString chosen = chooser.selectedFiles().front();
    const QByteArray path = QFile::encodeName(chosen);
    if (static_cast<std::size_t>(path.size()) >= request->nMaxFile) {
        // Too long for the buffer: Windows fails the call and leaves the
        // size needed in the buffer's first two bytes.
        if (request->nMaxFile >= 2) {
            const auto needed =
                static_cast<std::uint16_t>(std::min<qsizetype>(path.size() + 1, UINT16_MAX));
            request->lpstrFile[0] = static_cast<char>(needed & 0xFF);
            request->lpstrFile[1] = static_cast<char>(needed >> 8);
        }
        return FALSE;
    }
    std::memcpy(request->lpstrFile, path.constData(), static_cast<std::size_t>(path.size()));
    request->lpstrFile[path.size()] = '\0';
    const auto nameStart = static_cast<WORD>(path.lastIndexOf('/') + 1);
    const qsizetype dot = path.lastIndexOf('.');
    request->nFileOffset = nameStart;
    request->nFileExtension = static_cast<WORD>(dot >= nameStart ? dot + 1 : path.size());
    // As on Windows, the chooser leaves the process in the chosen file's
    // folder unless asked not to.
    if ((request->Flags & OFN_NOCHANGEDIR) == 0) {
        QDir::setCurrent(QFileInfo(chosen).absolutePath());
    }
    return TRUE;
}
