// What the end-to-end tests share: starting Quorvin.exe, finding its
// windows, working them through window messages, and the files and reference
// digests the tests check it against. Compiled, like the tests, with
// -fexec-charset=GBK, so the expected texts below are the bytes a user's
// code page 936 shows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/notice_threshold.h"

namespace driver {

// The program's texts, written here independently of its own sources.
inline const std::string kPathPrompt = "请选择需要校验的文件...";
inline const std::string kResultStart = "校验结果";
inline const std::string kBusyText = "正在计算校验码....";
inline const std::string kEmptyPathText = "文件名错误! 请重新选择文件...";
inline const std::string kOpenFailedText = "打开指定文件失败! 请重新选择文件...";
inline const std::string kReadFailedText = "读取文件失败! 请重新选择文件...";
inline const std::string kNoticeText = "计算大文件的校验码需要较长时间,请耐心等待.";
inline const std::string kNoticeCaption = "请注意";

constexpr DWORD kPatienceMs = 120000;      // everything runs emulated here
constexpr DWORD kPollMs = 50;              // between looks for a window
constexpr int kMessageBoxTextId = 0xFFFF;  // the box's static text

std::string Environment(const char* name);

// --- Windows of the program under test ------------------------------------

// The window's text, or "<no answer>" if its thread does not answer.
std::string Text(HWND window);

// A visible dialog-class window of the process; `caption` and `owner`, when
// not null, must match as well.
HWND FindDialogWindow(DWORD processId, const std::string* caption, HWND owner);
HWND WaitForDialogWindow(DWORD processId, const std::string* caption, HWND owner);
// Every visible dialog-class window of the process with this caption.
std::vector<HWND> DialogWindows(DWORD processId, const std::string& caption);
bool WaitUntilGone(HWND window);

void SetText(HWND window, const std::string& text);
// A button press as the dialog receives it, waiting until it is handled.
void Press(HWND dialog, int buttonId);
// The same press without waiting: for commands that open a modal window.
void PressWithoutWaiting(HWND dialog, int buttonId);
// A key as the keyboard delivers it, through the dialog's own message loop.
void PressKey(HWND window, WPARAM key);

struct Program {
    PROCESS_INFORMATION process;
    HWND dialog;
};

Program Start();
// Waits for the program to end; its exit status, or -1 if it did not end.
int ExitStatus(Program& program);

// Puts the path into the path field, presses compute, waits for the run to
// end and returns the result field's text.
std::string Compute(const Program& program, const std::string& path);

// Ends a program that stopped answering, so that the tests after the one
// that found it fail at once instead of each waiting out its patience.
void Abandon(Program& program);
// The process has not ended and its dialog still answers messages.
bool StillRunning(const Program& program);
// How many kernel handles the process holds (files among them); -1 if the
// system does not tell.
long OpenHandleCount(const Program& program);

// A suite whose cases share one program: started before the first case,
// ended after the last by Escape, which must end it with status 1.
class OneProgramSuite : public testing::Test {
protected:
    static void SetUpTestSuite() { program_ = Start(); }

    static void TearDownTestSuite() {
        if (program_.dialog != nullptr) {
            PressKey(Field(IDC_PATH), VK_ESCAPE);
            EXPECT_EQ(ExitStatus(program_), 1);
        }
    }

    static HWND Dialog() { return program_.dialog; }
    static HWND Field(int id) { return GetDlgItem(program_.dialog, id); }
    static DWORD ProcessId() { return program_.process.dwProcessId; }

    static std::string Compute(const std::string& path) { return driver::Compute(program_, path); }

    static inline Program program_ = {};
};

// --- Files and their reference digests -------------------------------------

// A path in the scratch folder the test script made for this run.
std::string Scratch(const std::string& name);
std::vector<unsigned char> SampleBytes(std::size_t size);
void WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);
// A file of zero bytes of the given size, without writing them.
void WriteZeroFile(const std::string& path, long long size);
// MD5 by the system's cryptographic provider, which shares no code with the
// program's engine: of `bytes`, followed by `zeroBytes` zeros.
std::string ReferenceMd5(const std::vector<unsigned char>& bytes, long long zeroBytes = 0);

}  // namespace driver
