// Bad input given to the real Quorvin.exe under Wine: paths too long or not
// GBK, files that vanish, are locked, change size or are no files at all,
// and a hundred computes nested inside each other's notice. One program
// serves the whole suite; after every case it must still be running, and
// the files it was given must not be left open.
//
// run_under_wine.sh makes what a Windows program cannot (a FIFO, a Unix
// socket, symbolic links) and names them in the environment.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/wine/driver.h"

namespace {

using namespace driver;

// The compute command reads at most this much of the path field.
constexpr std::size_t kLongestPath = 1023;
constexpr int kNestedComputes = 100;

// A file can be deleted only when no one has it open: the C runtime opens
// without sharing deletion, so this fails while the program holds the file.
bool Delete(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

// A path as the wide functions take it beyond 260 characters.
std::wstring LongPath(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

class BadInput : public OneProgramSuite {
protected:
    void SetUp() override {
        ASSERT_NE(program_.dialog, nullptr);
        ASSERT_TRUE(StillRunning(program_));
        handlesBefore_ = OpenHandleCount(program_);
        ASSERT_GE(handlesBefore_, 0) << "no count of the program's handles";
    }

    void TearDown() override {
        EXPECT_TRUE(StillRunning(program_)) << "the program ended or stopped answering";
        EXPECT_EQ(OpenHandleCount(program_), handlesBefore_) << "a file left open";
    }

    // Presses compute without waiting and returns the notice it opens: one
    // not among `shown`, the notices already up.
    static HWND ComputeUntilNotice(const std::vector<HWND>& shown) {
        PressWithoutWaiting(program_.dialog, IDC_COMPUTE);
        for (DWORD waited = 0; waited < kPatienceMs; waited += kPollMs) {
            for (HWND notice : DialogWindows(ProcessId(), kNoticeCaption)) {
                if (std::find(shown.begin(), shown.end(), notice) == shown.end()) {
                    return notice;
                }
            }
            Sleep(kPollMs);
        }
        return nullptr;
    }

    long handlesBefore_ = 0;
};

using BadPath = BadInput;

TEST_F(BadPath, APathOfTheLongestLengthIsHashedOrRefusedNeverMisread) {
    // A real file, named by a path of exactly the longest length the field
    // gives the command, in folders of 200-character names.
    std::vector<std::string> folders = {Environment("QUORVIN_SCRATCH")};
    while (folders.back().size() < kLongestPath - 300) {
        folders.push_back(folders.back() + "\\" + std::string(200, 'd'));
        ASSERT_TRUE(CreateDirectoryW(LongPath(folders.back()).c_str(), nullptr)) << GetLastError();
    }
    const std::string& folder = folders.back();
    const std::string path = folder + "\\" + std::string(kLongestPath - folder.size() - 1, 'f');
    ASSERT_EQ(path.size(), kLongestPath);
    const std::vector<unsigned char> bytes = SampleBytes(3000);
    HANDLE file = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);

    // Windows' C runtime refuses a path beyond 260 characters; Wine's opens
    // it. Either is sound; any other text is not.
    const std::string result = Compute(path);
    EXPECT_TRUE(result == ReferenceMd5(bytes) || result == kOpenFailedText) << result;

    // The field holds all 5,000 bytes; the command takes the first 1,023,
    // the same path, and must come to the same result.
    const std::string longer = path + std::string(5000 - path.size(), 'x');
    SetText(Field(IDC_PATH), longer);
    DWORD_PTR length = 0;
    SendMessageTimeoutA(Field(IDC_PATH), WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kPatienceMs, &length);
    EXPECT_EQ(length, longer.size());
    EXPECT_EQ(Compute(longer), result);

    EXPECT_TRUE(DeleteFileW(LongPath(path).c_str())) << "left open";
    for (std::size_t depth = folders.size() - 1; depth > 0; --depth) {
        EXPECT_TRUE(RemoveDirectoryW(LongPath(folders[depth]).c_str()));
    }
}

TEST_F(BadPath, BytesThatAreNotGbkFailToOpen) {
    for (const std::string& path :
         {Scratch("lead byte before a blank \x81\x20.bin"), Scratch("undefined byte \xFF.bin"),
          Scratch("lead byte at the end \x81")}) {
        EXPECT_EQ(Compute(path), kOpenFailedText) << path;
        EXPECT_TRUE(StillRunning(program_)) << path;
    }
}

using VanishingFile = BadInput;

TEST_F(VanishingFile, AFileDeletedBetweenTwoComputesFailsToOpenTheSecondTime) {
    const std::vector<unsigned char> bytes = SampleBytes(5000);
    const std::string path = Scratch("deleted.bin");
    WriteFileBytes(path, bytes);
    EXPECT_EQ(Compute(path), ReferenceMd5(bytes));
    ASSERT_TRUE(Delete(path)) << "left open";
    EXPECT_EQ(Compute(path), kOpenFailedText);
}

TEST_F(VanishingFile, AFileLockedByAnotherProgramFailsToOpenUntilReleased) {
    const std::vector<unsigned char> bytes = SampleBytes(6000);
    const std::string path = Scratch("locked.bin");
    WriteFileBytes(path, bytes);
    // No sharing at all: every other open fails with a sharing violation.
    HANDLE lock = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Compute(path), kOpenFailedText);
    CloseHandle(lock);
    EXPECT_EQ(Compute(path), ReferenceMd5(bytes));
    EXPECT_TRUE(Delete(path)) << "left open";
}

TEST_F(VanishingFile, AFileThatShrinksOrGrowsWhileReadGivesTheReadFailedText) {
    const std::string path = Scratch("changing.bin");
    for (const std::uint64_t changedSize : {kNoticeThreshold - 1, kNoticeThreshold + 1}) {
        WriteZeroFile(path, kNoticeThreshold);
        SetText(Field(IDC_PATH), path);
        HWND notice = ComputeUntilNotice({});
        ASSERT_NE(notice, nullptr);
        // The size has been measured, the reading not begun: the program
        // holds the file open, so it cannot be deleted, but it shares
        // writing, so its size can be changed.
        EXPECT_FALSE(Delete(path)) << "the file is not held open during the notice";
        EXPECT_EQ(OpenHandleCount(program_), handlesBefore_ + 1) << "the open file is counted";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        LARGE_INTEGER end;
        end.QuadPart = static_cast<LONGLONG>(changedSize);
        EXPECT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
        EXPECT_TRUE(SetEndOfFile(file));
        CloseHandle(file);

        PostMessageA(notice, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(WaitUntilGone(notice));
        EXPECT_EQ(Text(Field(IDC_RESULT)), kReadFailedText) << "changed to " << changedSize;
        EXPECT_TRUE(Delete(path)) << "left open";
    }
}

using NotAFile = BadInput;

// Wine opens a FIFO (without waiting for a writer) and the devices as
// pipe and character files: only the program's own check of the kind of
// file keeps it from waiting on the FIFO or reading /dev/zero forever. A
// Unix socket does not open at all (ERROR_NO_SUCH_DEVICE), which is not the
// same as being absent.
TEST_F(NotAFile, FifosDevicesSocketsAndFoldersFailToOpen) {
    const std::string fifo = Environment("QUORVIN_FIFO");
    const std::string socket = Environment("QUORVIN_SOCKET");
    ASSERT_FALSE(fifo.empty() || socket.empty()) << "the test script makes a FIFO and a socket";
    const std::string folder = Scratch("folder");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

    for (const std::string& path :
         {fifo, std::string("Z:\\dev\\zero"), std::string("Z:\\dev\\null")}) {
        HANDLE opened = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(opened, INVALID_HANDLE_VALUE) << path << " opens for any other program";
        CloseHandle(opened);
    }
    HANDLE opened = CreateFileA(socket.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_EQ(opened, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "the socket exists";

    for (const std::string& path :
         {fifo, std::string("Z:\\dev\\zero"), std::string("Z:\\dev\\null"), socket, folder}) {
        EXPECT_EQ(Compute(path), kOpenFailedText) << path;
        EXPECT_TRUE(StillRunning(program_)) << path;
    }
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str())) << "left open";
}

TEST_F(NotAFile, ASymbolicLinkIsHashedAsItsTargetAndADanglingOneFailsToOpen) {
    const std::string link = Environment("QUORVIN_FILE_LINK");
    const std::string target = Environment("QUORVIN_LINK_TARGET");
    const std::string dangling = Environment("QUORVIN_DANGLING_LINK");
    ASSERT_FALSE(link.empty() || target.empty() || dangling.empty())
        << "the test script makes the links";
    const std::vector<unsigned char> bytes = SampleBytes(7000);
    WriteFileBytes(target, bytes);

    EXPECT_EQ(Compute(link), ReferenceMd5(bytes));
    EXPECT_EQ(Compute(dangling), kOpenFailedText);
    EXPECT_TRUE(Delete(target)) << "left open";
}

using NestedNotices = BadInput;

TEST_F(NestedNotices, AHundredComputesInsideEachOthersNoticeAllFinish) {
    const std::string path = Scratch("nested.bin");
    WriteZeroFile(path, kNoticeThreshold);
    SetText(Field(IDC_PATH), path);

    // Each compute is started from inside the notice of the one before.
    std::vector<HWND> notices;
    for (int started = 0; started < kNestedComputes; ++started) {
        HWND notice = ComputeUntilNotice(notices);
        ASSERT_NE(notice, nullptr) << "no notice for compute " << started + 1;
        notices.push_back(notice);
    }
    EXPECT_EQ(DialogWindows(ProcessId(), kNoticeCaption).size(), notices.size());
    EXPECT_EQ(OpenHandleCount(program_), handlesBefore_ + kNestedComputes) << "one open file each";
    EXPECT_EQ(Text(Field(IDC_RESULT)), kBusyText);

    // Newest first, as each notice's wait is inside the one before it.
    for (auto notice = notices.rbegin(); notice != notices.rend(); ++notice) {
        PostMessageA(*notice, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntilGone(*notice));
    }
    const std::string digest = ReferenceMd5({}, kNoticeThreshold);
    EXPECT_EQ(digest, "2F282B84E7E608D5852449ED940BFC51");
    EXPECT_EQ(Text(Field(IDC_RESULT)), digest);
    EXPECT_TRUE(Delete(path)) << "left open";
}

}  // namespace
