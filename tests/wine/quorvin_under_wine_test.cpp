// Drives the real Quorvin.exe as a user would, through window messages, from
// a separate Windows process: run under Wine in a virtual X server by
// tests/wine/run_under_wine.sh.
//
// The expected texts below are this test's own, written in UTF-8 and compiled
// to GBK (-fexec-charset=GBK): the bytes a user's code page 936 shows.
#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource.h"

namespace {

const std::string kPathPrompt = "请选择需要校验的文件...";
const std::string kResultStart = "校验结果";
const std::string kBusyText = "正在计算校验码....";
const std::string kEmptyPathText = "文件名错误! 请重新选择文件...";
const std::string kOpenFailedText = "打开指定文件失败! 请重新选择文件...";
const std::string kNoticeText = "计算大文件的校验码需要较长时间,请耐心等待.";
const std::string kNoticeCaption = "请注意";

constexpr long long kNoticeThreshold = 104857600;  // 100 MiB
constexpr DWORD kPatienceMs = 120000;               // everything runs emulated here
constexpr int kMessageBoxTextId = 0xFFFF;           // the box's static text
constexpr int kChooserFilterList = 0x470;           // cmb1
constexpr int kChooserNameCombo = 0x47C;            // cmb13
constexpr int kChooserNameEdit = 0x480;             // edt1, older choosers

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// --- Windows of the program under test ------------------------------------

struct WindowQuery {
    DWORD processId;
    const std::string* caption;  // null: any caption
    HWND owner;                  // null: any owner
    HWND found;
};

std::string ClassName(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string Text(HWND window) {
    char text[4096] = {};
    DWORD_PTR length = 0;
    if (SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_NORMAL, kPatienceMs, &length) == 0) {
        return "<no answer>";
    }
    return std::string(text, length);
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM parameter) {
    auto& query = *reinterpret_cast<WindowQuery*>(parameter);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != query.processId || !IsWindowVisible(window) || ClassName(window) != "#32770") {
        return TRUE;
    }
    if (query.owner != nullptr && GetWindow(window, GW_OWNER) != query.owner) {
        return TRUE;
    }
    if (query.caption != nullptr && Text(window) != *query.caption) {
        return TRUE;
    }
    query.found = window;
    return FALSE;
}

HWND FindDialogWindow(DWORD processId, const std::string* caption, HWND owner) {
    WindowQuery query{processId, caption, owner, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

HWND WaitForDialogWindow(DWORD processId, const std::string* caption, HWND owner) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
        if (HWND window = FindDialogWindow(processId, caption, owner)) {
            return window;
        }
        Sleep(50);
    }
    return nullptr;
}

bool WaitUntilGone(HWND window) {
    for (DWORD waited = 0; waited < kPatienceMs; waited += 50) {
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

void SetText(HWND window, const std::string& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

void Type(HWND window, char character) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(window, WM_CHAR, static_cast<unsigned char>(character), 1, SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

// A button press as the dialog receives it, waiting until it is handled.
void Press(HWND dialog, int buttonId) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)), SMTO_NORMAL,
                        kPatienceMs, &ignored);
}

// The same press without waiting: for commands that open a modal window.
void PressWithoutWaiting(HWND dialog, int buttonId) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

// A key as the keyboard delivers it, through the dialog's own message loop.
void PressKey(HWND window, WPARAM key) {
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
}

struct Program {
    PROCESS_INFORMATION process;
    HWND dialog;
};

Program Start() {
    const std::string executable = Environment("QUORVIN_EXE");
    std::string commandLine = "\"" + executable + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    Program program = {};
    if (!CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &program.process)) {
        ADD_FAILURE() << "cannot start " << executable << ": error " << GetLastError();
        return program;
    }
    const std::string caption = "Quorvin";
    program.dialog = WaitForDialogWindow(program.process.dwProcessId, &caption, nullptr);
    EXPECT_NE(program.dialog, nullptr) << "the dialog did not appear";
    return program;
}

// Waits for the program to end; its exit status, or -1 if it did not end.
int ExitStatus(Program& program) {
    if (WaitForSingleObject(program.process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(program.process.hProcess, 99);
        return -1;
    }
    DWORD status = 0;
    GetExitCodeProcess(program.process.hProcess, &status);
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    return static_cast<int>(status);
}

// --- Files and their reference digests -------------------------------------

std::string Scratch(const std::string& name) {
    return Environment("QUORVIN_SCRATCH") + "\\" + name;
}

std::vector<unsigned char> SampleBytes(std::size_t size) {
    std::vector<unsigned char> bytes(size);
    std::uint32_t state = 0x9E3779B9u ^ static_cast<std::uint32_t>(size);
    for (auto& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<unsigned char>(state >> 24);
    }
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

// A file of zero bytes of the given size, without writing them.
void WriteZeroFile(const std::string& path, long long size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    LARGE_INTEGER end;
    end.QuadPart = size;
    EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    EXPECT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

// MD5 by the system's cryptographic provider, which shares no code with the
// program's engine. Zero files are fed in pieces of zeros.
std::string ReferenceMd5(const std::vector<unsigned char>& bytes, long long zeroBytes = 0) {
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) ||
        !CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        return "<no provider>";
    }
    if (!bytes.empty()) {
        CryptHashData(hash, bytes.data(), static_cast<DWORD>(bytes.size()), 0);
    }
    const std::vector<unsigned char> zeros(1 << 20);
    for (long long left = zeroBytes; left > 0;) {
        const DWORD piece = static_cast<DWORD>(left < static_cast<long long>(zeros.size())
                                                   ? left
                                                   : static_cast<long long>(zeros.size()));
        CryptHashData(hash, zeros.data(), piece, 0);
        left -= piece;
    }
    BYTE digest[16] = {};
    DWORD length = sizeof digest;
    CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
    CryptDestroyHash(hash);
    CryptReleaseContext(provider, 0);
    std::string text;
    for (BYTE byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", byte);
        text += pair;
    }
    return text;
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

class QuorvinDialog : public testing::Test {
protected:
    static void SetUpTestSuite() { program_ = Start(); }

    static void TearDownTestSuite() {
        if (program_.dialog != nullptr) {
            PressKey(GetDlgItem(program_.dialog, IDC_PATH), VK_ESCAPE);
            EXPECT_EQ(ExitStatus(program_), 1);
        }
    }

    void SetUp() override { ASSERT_NE(program_.dialog, nullptr); }

    static HWND Dialog() { return program_.dialog; }
    static HWND Field(int id) { return GetDlgItem(program_.dialog, id); }
    static DWORD ProcessId() { return program_.process.dwProcessId; }

    static std::string Compute(const std::string& path) {
        SetText(Field(IDC_PATH), path);
        Press(Dialog(), IDC_COMPUTE);
        return Text(Field(IDC_RESULT));
    }

    static Program program_;
};

Program QuorvinDialog::program_ = {};

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
    ASSERT_NE(chooser, nullptr) << "no file chooser";
    EXPECT_EQ(Text(GetDlgItem(chooser, kChooserFilterList)), "All");
    PostMessageA(chooser, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntilGone(chooser));
    EXPECT_EQ(Text(Field(IDC_PATH)), "typed by hand");

    PressWithoutWaiting(Dialog(), IDC_BROWSE);
    chooser = WaitForDialogWindow(ProcessId(), nullptr, Dialog());
    ASSERT_NE(chooser, nullptr) << "no file chooser";
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
