#include "tests/native/program_driver.h"

#include "platform/qt/dialog_window.h"
#include "platform/qt/window_handles.h"
#include "resources/resource.h"
#include "tests/test_support.h"
#include "ui/win_main.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

namespace program {

namespace fs = std::filesystem;

void RunInsideLoopOf(const std::function<void()>& enter, const std::function<void()>& inside) {
    // A timer fires only when a loop runs: the first one is the loop that
    // `enter` starts. Owned here, it cannot outlive what `inside` refers to.
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, inside);
    timer.start(0);
    enter();
}

int RunProgram(const std::function<void(QDialog&)>& steps, bool* endedBySteps) {
    bool closedHere = false;
    int result = 0;
    RunInsideLoopOf(
        [&] {
            char commandLine[] = "";
            result = WinMain(nullptr, nullptr, commandLine, 1);
        },
        [&] {
            const std::vector<DialogWindow*> dialogs = WindowsShown<DialogWindow>();
            if (dialogs.empty()) {
                ADD_FAILURE() << "no dialog on screen";
                return;
            }
            DialogWindow* dialog = dialogs.front();
            steps(*dialog);
            if (dialog->isVisible()) {
                closedHere = true;
                QTest::keyClick(dialog, Qt::Key_Escape);
            }
        });
    if (endedBySteps != nullptr) {
        *endedBySteps = !closedHere;
    }
    return result;
}

QLineEdit* Field(QDialog& dialog, int id) {
    return qobject_cast<QLineEdit*>(WidgetOfHandle(GetDlgItem(HandleOfWidget(&dialog), id)));
}

QPushButton* Button(QDialog& dialog, int id) {
    return qobject_cast<QPushButton*>(WidgetOfHandle(GetDlgItem(HandleOfWidget(&dialog), id)));
}

std::string Shown(QDialog& dialog, int id) { return Field(dialog, id)->text().toStdString(); }

void SetPath(QDialog& dialog, const std::string& path) {
    EXPECT_TRUE(SetDlgItemTextA(HandleOfWidget(&dialog), IDC_PATH, path.c_str()));
}

std::string Compute(QDialog& dialog) {
    QTest::mouseClick(Button(dialog, IDC_COMPUTE), Qt::LeftButton);
    return Shown(dialog, IDC_RESULT);
}

std::string Compute(QDialog& dialog, const std::string& path) {
    SetPath(dialog, path);
    return Compute(dialog);
}

bool ComputeThroughNotice(QDialog& dialog, const std::function<void(QMessageBox&)>& insideNotice) {
    const std::vector<QMessageBox*> before = Notices();
    bool noticed = false;
    RunInsideLoopOf([&] { QTest::mouseClick(Button(dialog, IDC_COMPUTE), Qt::LeftButton); },
                    [&] {
                        for (QMessageBox* box : Notices()) {
                            if (std::find(before.begin(), before.end(), box) == before.end()) {
                                noticed = true;
                                insideNotice(*box);
                                box->button(QMessageBox::Ok)->click();
                                return;
                            }
                        }
                    });
    return noticed;
}

class PaintedTexts::Recorder : public QObject {
public:
    std::vector<std::string> texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            texts.push_back(static_cast<QLineEdit*>(watched)->text().toStdString());
        }
        return false;
    }
};

PaintedTexts::PaintedTexts(QLineEdit* field) : recorder_(new Recorder) {
    field->installEventFilter(recorder_);
}

PaintedTexts::~PaintedTexts() { delete recorder_; }

const std::vector<std::string>& PaintedTexts::Texts() const { return recorder_->texts; }

std::string ReferenceMd5(const std::vector<unsigned char>& bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned size = 0;
    EXPECT_EQ(EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr), 1);
    return Hex(digest, size);
}

std::string ReferenceMd5OfZeros(std::uint64_t size) {
    static const std::vector<unsigned char> zeros(1 << 20);
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EXPECT_EQ(EVP_DigestInit_ex(context, EVP_md5(), nullptr), 1);
    for (; size > 0;) {
        const std::size_t piece = std::min<std::uint64_t>(size, zeros.size());
        EXPECT_EQ(EVP_DigestUpdate(context, zeros.data(), piece), 1);
        size -= piece;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned digestSize = 0;
    EXPECT_EQ(EVP_DigestFinal_ex(context, digest, &digestSize), 1);
    EVP_MD_CTX_free(context);
    return Hex(digest, digestSize);
}

std::size_t OpenFilesIn(const std::vector<std::string>& places) {
    std::size_t count = 0;
    std::error_code error;
    for (const fs::directory_entry& descriptor : fs::directory_iterator("/proc/self/fd", error)) {
        const std::string target = fs::read_symlink(descriptor.path(), error).string();
        for (const std::string& place : places) {
            if (!error && target.starts_with(place)) {
                ++count;
                break;
            }
        }
    }
    return count;
}

ScratchFolder::ScratchFolder() {
    char pattern[] = "/tmp/quorvin_native.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        ADD_FAILURE() << "no scratch folder";
        return;
    }
    folder_ = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
}

std::string ScratchFolder::Path(const std::string& name) const { return (folder_ / name).string(); }

std::string ScratchFolder::Write(const std::string& name,
                                 const std::vector<unsigned char>& bytes) const {
    std::string path = Path(name);
    EXPECT_TRUE(WriteBytesToFile(path, bytes)) << path;
    return path;
}

std::string ScratchFolder::WriteZeros(const std::string& name, std::uint64_t size) const {
    std::string path = Path(name);
    EXPECT_TRUE(MakeSparseFile(path, size)) << path;
    return path;
}

}  // namespace program
