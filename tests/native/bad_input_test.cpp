// Bad input given to the native program: paths too long or not UTF-8,
// files that vanish, become unreadable, change size or are no files at all,
// and a hundred computes nested inside each other's notice. After every
// case the dialog must still be open, the result field must hold the right
// text, and no file may be left open.
#include "resources/resource.h"
#include "resources/texts.h"
#include "tests/native/program_driver.h"
#include "tests/notice_threshold.h"
#include "tests/test_support.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using program::Compute;
using program::RunProgram;
using program::Shown;

// The compute command reads at most this much of the path field.
constexpr std::size_t kLongestPath = 1023;
constexpr int kNestedComputes = 100;

class NativeBadInput : public testing::Test {
protected:
    // Runs `steps` in the program, which must still be running after them.
    void Run(const std::function<void(QDialog&)>& steps) {
        bool endedBySteps = true;
        RunProgram(
            [&](QDialog& dialog) {
                dialog_ = &dialog;
                openBefore_ = OpenFiles();
                steps(dialog);
                EXPECT_TRUE(dialog.isVisible()) << "the dialog ended";
                EXPECT_EQ(OpenFiles(), openBefore_) << "a file left open";
            },
            &endedBySteps);
        EXPECT_FALSE(endedBySteps) << "the dialog ended";
    }

    void ExpectStillRunning(const std::string& what) const {
        EXPECT_TRUE(dialog_->isVisible()) << what;
        EXPECT_EQ(OpenFiles(), openBefore_) << what << ": a file left open";
    }

    // The files of the test that the process has open (its standard input
    // may be /dev/null: hence the count before).
    std::size_t OpenFiles() const {
        return program::OpenFilesIn({scratch_.Folder().string(), "/dev/zero", "/dev/null"});
    }

    program::ScratchFolder scratch_;
    QDialog* dialog_ = nullptr;
    std::size_t openBefore_ = 0;
};

TEST_F(NativeBadInput, ThePathsLongestLengthIsHashedAndA5000BytePathIsCutToIt) {
    // A real file named by a path of exactly the longest length the field
    // gives the command, in folders of 200-character names.
    std::string folder = scratch_.Folder().string();
    while (folder.size() < kLongestPath - 300) {
        folder += "/" + std::string(200, 'd');
        ASSERT_TRUE(fs::create_directory(folder));
    }
    const std::string path = folder + "/" + std::string(kLongestPath - folder.size() - 1, 'f');
    ASSERT_EQ(path.size(), kLongestPath);
    std::vector<unsigned char> bytes = SampleBytes(3000);
    scratch_.Write(path.substr(scratch_.Folder().string().size() + 1), bytes);

    Run([&](QDialog& dialog) {
        EXPECT_EQ(Compute(dialog, path), program::ReferenceMd5(bytes));
        // The field holds all 5,000 bytes; the command takes the first
        // 1,023, the same path.
        const std::string longer = path + std::string(5000 - path.size(), 'x');
        EXPECT_EQ(Compute(dialog, longer), program::ReferenceMd5(bytes));
        EXPECT_EQ(Shown(dialog, IDC_PATH), longer);
        EXPECT_EQ(program::Field(dialog, IDC_PATH)->cursorPosition(), 0) << "shown from its start";
        ExpectStillRunning("a 5,000-byte path");
    });
}

TEST_F(NativeBadInput, BytesThatAreNotUtf8ReachTheFileUnchanged) {
    const std::vector<unsigned char> bytes = SampleBytes(4000);
    const std::string named = scratch_.Write("not utf-8 \xFF\xFE \xC3.bin", bytes);
    Run([&](QDialog& dialog) {
        // Typed in first: the program's bytes then replace the user's text.
        QTest::keyClick(program::Field(dialog, IDC_PATH), Qt::Key_X);
        EXPECT_EQ(Compute(dialog, named), program::ReferenceMd5(bytes));
        // Then a path set from outside the program, as an assistive tool
        // sets it through the accessibility tree: the path shown is hashed.
        const std::vector<unsigned char> otherBytes = SampleBytes(4001);
        const std::string other = scratch_.Write("set from outside.bin", otherBytes);
        QAccessibleInterface* field =
            QAccessible::queryAccessibleInterface(program::Field(dialog, IDC_PATH));
        field->editableTextInterface()->replaceText(0, field->textInterface()->characterCount(),
                                                    QString::fromStdString(other));
        EXPECT_EQ(program::Compute(dialog), program::ReferenceMd5(otherBytes));
        for (const std::string& missing :
             {scratch_.Path("lone continuation \x80"), scratch_.Path("cut at the end \xE6\xA0"),
              scratch_.Path("overlong \xC0\xAF")}) {
            EXPECT_EQ(Compute(dialog, missing), kOpenFailedText) << missing;
            ExpectStillRunning(missing);
        }
    });
}

TEST_F(NativeBadInput, AFileDeletedOrMadeUnreadableBetweenTwoComputesFailsToOpen) {
    const std::vector<unsigned char> bytes = SampleBytes(5000);
    const std::string deleted = scratch_.Write("deleted.bin", bytes);
    const std::string unreadable = scratch_.Write("unreadable.bin", bytes);
    // Permissions bind root only through another identity: the second
    // compute runs as the unprivileged "nobody" when the test runs as root.
    ASSERT_EQ(chmod(scratch_.Folder().c_str(), 0755), 0);
    passwd entry{};
    passwd* nobody = nullptr;
    std::vector<char> entryTexts(4096);
    ASSERT_EQ(getpwnam_r("nobody", &entry, entryTexts.data(), entryTexts.size(), &nobody), 0);
    const bool asRoot = geteuid() == 0;
    ASSERT_TRUE(!asRoot || nobody != nullptr);

    Run([&](QDialog& dialog) {
        EXPECT_EQ(Compute(dialog, deleted), program::ReferenceMd5(bytes));
        ASSERT_EQ(unlink(deleted.c_str()), 0);
        EXPECT_EQ(Compute(dialog, deleted), kOpenFailedText);

        EXPECT_EQ(Compute(dialog, unreadable), program::ReferenceMd5(bytes));
        ASSERT_EQ(chmod(unreadable.c_str(), 0), 0);
        if (asRoot) {
            ASSERT_EQ(seteuid(nobody->pw_uid), 0);
        }
        EXPECT_EQ(Compute(dialog, unreadable), kOpenFailedText);
        if (asRoot) {
            ASSERT_EQ(seteuid(0), 0);
        }
        ExpectStillRunning("unreadable");
    });
}

// The notice comes after the size is measured and before the first read:
// a change made while it waits lands in the middle of the command.
TEST_F(NativeBadInput, AFileThatShrinksOrGrowsWhileReadGivesTheReadFailedText) {
    const std::string path = scratch_.Path("changing.bin");
    Run([&](QDialog& dialog) {
        for (const std::uint64_t changedSize : {kNoticeThreshold - 1, kNoticeThreshold + 1}) {
            scratch_.WriteZeros("changing.bin", kNoticeThreshold);
            program::SetPath(dialog, path);
            EXPECT_TRUE(program::ComputeThroughNotice(dialog, [&](QMessageBox&) {
                EXPECT_EQ(OpenFiles(), openBefore_ + 1) << "the file is open meanwhile";
                EXPECT_EQ(truncate(path.c_str(), static_cast<off_t>(changedSize)), 0);
            }));
            EXPECT_EQ(Shown(dialog, IDC_RESULT), kReadFailedText) << "changed to " << changedSize;
            ExpectStillRunning("changed to " + std::to_string(changedSize));
        }
    });
}

TEST_F(NativeBadInput, DevicesFifosSocketsAndFoldersFailToOpenAndLinksAreFollowed) {
    const std::string fifo = scratch_.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    const std::string socketPath = scratch_.Path("socket");
    const BoundUnixSocket listener(socketPath);
    ASSERT_TRUE(listener.Bound()) << socketPath;

    const std::vector<unsigned char> bytes = SampleBytes(7000);
    const std::string target = scratch_.Write("target.bin", bytes);
    const std::string link = scratch_.Path("link");
    const std::string dangling = scratch_.Path("dangling");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    ASSERT_EQ(symlink(scratch_.Path("gone").c_str(), dangling.c_str()), 0);

    Run([&](QDialog& dialog) {
        // The FIFO has no writer and /dev/zero never ends: either would
        // hold the program forever if it were read.
        for (const std::string& path : {std::string("/dev/zero"), std::string("/dev/null"), fifo,
                                        socketPath, scratch_.Folder().string(), dangling}) {
            EXPECT_EQ(Compute(dialog, path), kOpenFailedText) << path;
            ExpectStillRunning(path);
        }
        EXPECT_EQ(Compute(dialog, link), program::ReferenceMd5(bytes));
    });
}

TEST_F(NativeBadInput, AHundredComputesInsideEachOthersNoticeAllFinish) {
    const std::string path = scratch_.WriteZeros("nested.bin", kNoticeThreshold);
    Run([&](QDialog& dialog) {
        program::SetPath(dialog, path);
        int deepest = 0;
        // Each compute is started from inside the notice of the one before.
        std::function<void(int)> nest = [&](int depth) {
            const bool noticed = program::ComputeThroughNotice(dialog, [&](QMessageBox&) {
                if (depth < kNestedComputes) {
                    nest(depth + 1);
                    return;
                }
                deepest = depth;
                EXPECT_EQ(program::Notices().size(), static_cast<std::size_t>(kNestedComputes));
                EXPECT_EQ(OpenFiles(), openBefore_ + kNestedComputes) << "one open file each";
                EXPECT_EQ(Shown(dialog, IDC_RESULT), kBusyText);
            });
            EXPECT_TRUE(noticed) << "no notice for compute " << depth;
        };
        nest(1);
        EXPECT_EQ(deepest, kNestedComputes);
        EXPECT_TRUE(program::Notices().empty());
        EXPECT_EQ(Shown(dialog, IDC_RESULT), program::ReferenceMd5OfZeros(kNoticeThreshold));
        EXPECT_EQ(Shown(dialog, IDC_RESULT), "2F282B84E7E608D5852449ED940BFC51");
    });
}

}  // namespace
