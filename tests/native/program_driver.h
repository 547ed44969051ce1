// Drives the native program inside the test process: its real entry, dialog
// procedure and compute command on the real Qt layer, offscreen. A test
// hands Run() the steps a user would take; they run inside the dialog's own
// modal loop, as clicks and key presses on its widgets.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace program {

// Runs WinMain and, once the dialog shows, `steps` on it. If the dialog is
// still open after them, Escape ends it and `endedBySteps` (if given) is
// set false. Returns what WinMain returned.
int RunProgram(const std::function<void(QDialog&)>& steps, bool* endedBySteps = nullptr);

// The top-level windows of type `Window` on screen, oldest first.
template <typename Window>
std::vector<Window*> WindowsShown() {
    std::vector<Window*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (auto* found = dynamic_cast<Window*>(window); found != nullptr && found->isVisible()) {
            shown.push_back(found);
        }
    }
    return shown;
}

// Calls `enter`, which runs a modal loop (a click that opens a box, say),
// and runs `inside` in that loop once it is running.
void RunInsideLoopOf(const std::function<void()>& enter, const std::function<void()>& inside);

QLineEdit* Field(QDialog& dialog, int id);
QPushButton* Button(QDialog& dialog, int id);
// What a field shows, as UTF-8.
std::string Shown(QDialog& dialog, int id);

// Puts `path` into the path field the way the program's own texts get
// there (SetDlgItemTextA): byte for byte.
void SetPath(QDialog& dialog, const std::string& path);
// Presses compute and returns what the result field then shows.
std::string Compute(QDialog& dialog);
std::string Compute(QDialog& dialog, const std::string& path);

// Presses compute and, while the notice it opens waits, runs `insideNotice`
// on it, then presses the notice's OK. False when no notice came.
bool ComputeThroughNotice(QDialog& dialog, const std::function<void(QMessageBox&)>& insideNotice);
// The notices on screen, oldest first.
inline std::vector<QMessageBox*> Notices() { return WindowsShown<QMessageBox>(); }

// Every text a field was painted with, in order, from now on.
class PaintedTexts {
public:
    explicit PaintedTexts(QLineEdit* field);
    ~PaintedTexts();
    PaintedTexts(const PaintedTexts&) = delete;
    PaintedTexts& operator=(const PaintedTexts&) = delete;
    const std::vector<std::string>& Texts() const;

private:
    class Recorder;
    Recorder* recorder_;
};

// OpenSSL's MD5, the reference the program's digests are checked against.
std::string ReferenceMd5(const std::vector<unsigned char>& bytes);
std::string ReferenceMd5OfZeros(std::uint64_t size);

// How many of this process's open descriptors name a file in one of
// `places` (folders or files, as absolute paths). Qt opens files of its own
// (fonts, the clipboard) as it pleases, so only these are counted.
std::size_t OpenFilesIn(const std::vector<std::string>& places);

// A fresh folder under /tmp, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string Path(const std::string& name) const;
    std::string Write(const std::string& name, const std::vector<unsigned char>& bytes) const;
    // A file of `size` zero bytes that takes no room on disk.
    std::string WriteZeros(const std::string& name, std::uint64_t size) const;
    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

}  // namespace program
