// Drives the real Quorvin.exe as a user would, through window messages, from
// a separate Windows process: run under Wine in a virtual X server by
// tests/wine/run_under_wine.sh.
//
// The expected texts (tests/wine/driver.h) are this test's own, written in
// UTF-8 and compiled to GBK: the bytes a user's code page 936 shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/wine/driver.h"

namespace {

using namespace driver;

constexpr int kChooserFilterList = 0x470;  // cmb1
constexpr int kChooserNameCombo = 0x47C;   // cmb13
constexpr int kChooserNameEdit = 0x480;    // edt1, older choosers

void Type(HWND window, char character) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_CHAR, static_cast<unsigned char>(character), 1, SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

// --- The screenshot ---------------------------------------------------------

// Copies the window's pixels from the screen into a 24-bit BMP file.
void SaveScreenshot(HWND window, const std::string& path) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* pixels = nullptr;
    HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HGDIOBJ previous = SelectObject(copy, picture);
    BitBlt(copy, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();

    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info.bmiHeader;
    header.bfSize = header.bfOffBits + imageBytes;
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(&header, sizeof header, 1, file);
        std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, file);
        std::fwrite(pixels, 1, imageBytes, file);
        std::fclose(file);
    }
    SelectObject(copy, previous);
    DeleteObject(picture);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
}

// --- One program for the dialog's behaviour ---------------------------------

class QuorvinDialog : public OneProgramSuite {
protected:
    void SetUp() override { ASSERT_NE(program_.dialog, nullptr); }
};

TEST_F(QuorvinDialog, StartsWithThePromptAndTheStartText) {
    EXPECT_EQ(Text(Field(IDC_PATH)), kPathPrompt);
    EXPECT_EQ(Text(Field(IDC_RESULT)), kResultStart);
    EXPECT_EQ(Text(Dialog()), "Quorvin");
}

TEST_F(QuorvinDialog, ShowsTheDigestOfFilesOfEverySize) {
    for (std::size_t size : {0u, 1u, 63u, 64u, 65u, 65535u, 65536u, 65537u, 3u << 20}) {
        const std::vector<unsigned char> bytes = SampleBytes(size);
        const std::string path = Scratch("sample-" + std::to_string(size) + ".bin");
        WriteFileBytes(path, bytes);
        EXPECT_EQ(Compute(path), ReferenceMd5(bytes)) << size << " bytes";
    }
}

TEST_F(QuorvinDialog, ReportsWhatWentWrong) {
    EXPECT_EQ(Compute(""), kEmptyPathText);
    EXPECT_EQ(Compute(Scratch("no such file.bin")), kOpenFailedText);
    EXPECT_EQ(Compute(Environment("QUORVIN_SCRATCH")), kOpenFailedText) << "a folder";
    EXPECT_EQ(Compute(kPathPrompt), kOpenFailedText) << "the start prompt as a path";
}

TEST_F(QuorvinDialog, TheResultFieldRefusesTyping) {
    SetText(Field(IDC_PATH), "");
    Type(Field(IDC_PATH), 'x');
    EXPECT_EQ(Text(Field(IDC_PATH)), "x") << "typing reaches an ordinary edit field";

    const std::string before = Text(Field(IDC_RESULT));
    Type(Field(IDC_RESULT), 'x');
    EXPECT_EQ(Text(Field(IDC_RESULT)), before);
    EXPECT_NE(GetWindowLongA(Field(IDC_RESULT), GWL_STYLE) & ES_READONLY, 0);
}

TEST_F(QuorvinDialog, WarnsBeforeALargeFileAndRunsComputesMeanwhile) {
    const std::string below = Scratch("just-below.bin");
    const std::string large = Scratch("large.bin");
    WriteZeroFile(below, kNoticeThreshold - 1);
    WriteZeroFile(large, kNoticeThreshold);

    // One byte below the threshold: the digest, and no box on the way.
    EXPECT_EQ(Compute(below), ReferenceMd5({}, kNoticeThreshold - 1));
    EXPECT_EQ(FindDialogWindow(ProcessId(), &kNoticeCaption, nullptr), nullptr);

    SetText(Field(IDC_PATH), large);
    PressWithoutWaiting(Dialog(), IDC_COMPUTE);
    HWND notice = WaitForDialogWindow(ProcessId(), &kNoticeCaption, nullptr);
    ASSERT_NE(notice, nullptr) << "no notice at " << kNoticeThreshold << " bytes";
    EXPECT_EQ(Text(GetDlgItem(notice, kMessageBoxTextId)), kNoticeText);
    EXPECT_EQ(GetWindow(notice, GW_OWNER), nullptr) << "the notice has no owner";
    EXPECT_EQ(Text(Field(IDC_RESULT)), kBusyText);

    // The dialog stays usable while the notice waits.
    const std::vector<unsigned char> small = SampleBytes(100);
    const std::string smallPath = Scratch("while-waiting.bin");
    WriteFileBytes(smallPath, small);
    EXPECT_EQ(Compute(smallPath), ReferenceMd5(small));

    PostMessageA(notice, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntilGone(notice));
    // The first run goes on with the file it had opened.
    EXPECT_EQ(Text(Field(IDC_RESULT)), ReferenceMd5({}, kNoticeThreshold));

    DeleteFileA(below.c_str());
    DeleteFileA(large.c_str());
}

TEST_F(QuorvinDialog, BrowseFillsThePathFieldOrLeavesItAlone) {
    const std::vector<unsigned char> bytes = SampleBytes(4096);
    const std::string chosen = Scratch("chosen.txt");
    WriteFileBytes(chosen, bytes);
    SetText(Field(IDC_PATH), "typed by hand");
    const std::string result = Text(Field(IDC_RESULT));

    PressWithoutWaiting(Dialog(), IDC_BROWSE);
    HWND chooser = WaitForDialogWindow(ProcessId(), nullptr, Dialog());
    if (chooser == nullptr) {
        Abandon(program_);
        FAIL() << "no file chooser";
    }
    EXPECT_EQ(Text(GetDlgItem(chooser, kChooserFilterList)), "All");
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntilGone(chooser));
    EXPECT_EQ(Text(Field(IDC_PATH)), "typed by hand");

    PressWithoutWaiting(Dialog(), IDC_BROWSE);
    chooser = WaitForDialogWindow(ProcessId(), nullptr, Dialog());
    if (chooser == nullptr) {
        Abandon(program_);
        FAIL() << "no file chooser";
    }
    HWND name = GetDlgItem(chooser, kChooserNameCombo);
    if (name == nullptr) {
        name = GetDlgItem(chooser, kChooserNameEdit);
    }
    ASSERT_NE(name, nullptr) << "no file name field in the chooser";
    SetText(name, chosen);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntilGone(chooser));
    EXPECT_EQ(Text(Field(IDC_PATH)), chosen);
    EXPECT_EQ(Text(Field(IDC_RESULT)), result) << "browsing leaves the result alone";
    EXPECT_EQ(Compute(chosen), ReferenceMd5(bytes));
}

// Last: the picture for the README, with a digest on show.
TEST_F(QuorvinDialog, LeavesAScreenshot) {
    const std::vector<unsigned char> bytes = SampleBytes(1000);
    const std::string path = Scratch("example.txt");
    WriteFileBytes(path, bytes);
    ASSERT_EQ(Compute(path), ReferenceMd5(bytes));
    Sleep(1000);  // let the dialog repaint after the run
    const std::string screenshot = Environment("QUORVIN_SCREENSHOT");
    ASSERT_FALSE(screenshot.empty());
    SaveScreenshot(Dialog(), screenshot);
    EXPECT_NE(GetFileAttributesA(screenshot.c_str()), INVALID_FILE_ATTRIBUTES);
}

// --- Every way out ends with status 1 ---------------------------------------

TEST(QuorvinEnds, WithStatusOneOnEnterInAnEditField) {
    Program program = Start();
    ASSERT_NE(program.dialog, nullptr);
    PressKey(GetDlgItem(program.dialog, IDC_PATH), VK_RETURN);
    EXPECT_EQ(ExitStatus(program), 1);
}

TEST(QuorvinEnds, WithStatusOneOnEscape) {
    Program program = Start();
    ASSERT_NE(program.dialog, nullptr);
    PressKey(GetDlgItem(program.dialog, IDC_RESULT), VK_ESCAPE);
    EXPECT_EQ(ExitStatus(program), 1);
}

TEST(QuorvinEnds, WithStatusOneOnTheCloseBox) {
    Program program = Start();
    ASSERT_NE(program.dialog, nullptr);
    PostMessageA(program.dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ExitStatus(program), 1);
}

}  // namespace
