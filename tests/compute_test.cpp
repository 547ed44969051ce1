// The compute command, driven through the recording window-system double,
// on real files, folders, FIFOs, sockets and devices.
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "checksum/compute.h"
#include "digest/md5.h"
#include "notice_threshold.h"
#include "resources/resource.h"
#include "resources/texts.h"
#include "test_support.h"
#include "window_system_double.h"

namespace {

namespace fs = std::filesystem;
using window_double::Call;
using window_double::Event;

std::size_t OpenFileCount() {
    return static_cast<std::size_t>(
        std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

// The digest of `size` zero bytes, fed as the compute command feeds them.
std::string ZerosMd5Hex(std::uint64_t size) {
    static const std::vector<unsigned char> zeros(65536);
    Md5Context context;
    Md5Init(context);
    for (; size >= zeros.size(); size -= zeros.size()) {
        Md5Update(context, zeros.data(), static_cast<std::uint32_t>(zeros.size()));
    }
    Md5Update(context, zeros.data(), static_cast<std::uint32_t>(size));
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);
    return Hex(digest, sizeof digest);
}

class ComputeTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_double::Reset();
        openFilesBefore_ = OpenFileCount();
        char pattern[] = "/tmp/compute_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        EXPECT_EQ(OpenFileCount(), openFilesBefore_) << "a run left a file open";
        fs::remove_all(dir_);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    std::string WriteFile(const std::string& name, const std::vector<unsigned char>& bytes) {
        std::string path = PathOf(name);
        EXPECT_TRUE(WriteBytesToFile(path, bytes)) << path;
        return path;
    }

    // `head` at the start, then a hole up to `size` bytes, read as zeros.
    std::string WriteSparseFile(const std::string& name, std::uint64_t size,
                                const std::string& head = {}) {
        std::string path = PathOf(name);
        EXPECT_TRUE(MakeSparseFile(path, size, head)) << path;
        return path;
    }

    // Puts `path` into the path field, presses compute, returns the result.
    static std::string Compute(const std::string& path) {
        window_double::SetControlText(IDC_PATH, path);
        OnCompute(window_double::Dialog());
        return window_double::ControlText(IDC_RESULT);
    }

    static std::vector<Event> EventsOf(Call call) {
        std::vector<Event> found;
        for (const Event& event : window_double::Events()) {
            if (event.call == call) {
                found.push_back(event);
            }
        }
        return found;
    }

    fs::path dir_;
    std::size_t openFilesBefore_ = 0;
};

// Every run, whatever its outcome, shows the busy text and has the result
// field repainted before anything else, and ends by writing its result.
void ExpectBusyTextFirstAndResultLast() {
    const std::vector<Event>& events = window_double::Events();
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[0].call, Call::SetText);
    EXPECT_EQ(events[0].controlId, IDC_RESULT);
    EXPECT_EQ(events[0].text, kBusyText);
    EXPECT_EQ(events[1].call, Call::Update);
    EXPECT_EQ(events[1].controlId, IDC_RESULT);
    EXPECT_EQ(events.back().call, Call::SetText);
    EXPECT_EQ(events.back().controlId, IDC_RESULT);
    EXPECT_EQ(events.back().text, window_double::ControlText(IDC_RESULT));
}

using ComputeDigest = ComputeTest;

TEST_F(ComputeDigest, FilesOfManySizesGiveTheDigestOfAllTheirBytes) {
    const std::size_t sizes[] = {0, 1, 63, 64, 65, 65535, 65536, 65537, 131079, (3 << 20) + 1};
    for (const std::size_t size : sizes) {
        window_double::Reset();
        const std::vector<unsigned char> bytes = SampleBytes(size);
        const std::string path = WriteFile("data.bin", bytes);
        EXPECT_EQ(Compute(path), Md5Hex(bytes)) << "size " << size;
        ExpectBusyTextFirstAndResultLast();
        EXPECT_TRUE(EventsOf(Call::MessageBox).empty());
    }
}

TEST_F(ComputeDigest, DigestTextIsUppercaseWithLeadingZeros) {
    EXPECT_EQ(Compute(WriteFile("empty", {})), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Compute(WriteFile("a", {'a'})), "0CC175B9C0F1B6A831C399E269772661");
}

using ComputeFailure = ComputeTest;

TEST_F(ComputeFailure, AnEmptyPathFieldGivesTheFileNameText) {
    EXPECT_EQ(Compute(""), kEmptyPathText);
    ExpectBusyTextFirstAndResultLast();
}

TEST_F(ComputeFailure, WhatIsNotAReadableRegularFileGivesTheOpenFailedText) {
    const std::string fifo = PathOf("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);

    const std::string socketPath = PathOf("socket");
    const BoundUnixSocket listener(socketPath);
    ASSERT_TRUE(listener.Bound()) << socketPath;

    const std::string paths[] = {
        PathOf("missing"),
        dir_.string(),  // a folder
        fifo,           // no writer: must not wait for one
        socketPath,
        "/dev/null",
        "/dev/zero",  // never ends
        kPathPrompt,  // the start text, tried as a path like any other
    };
    const std::size_t openFiles = OpenFileCount();
    for (const std::string& path : paths) {
        window_double::Reset();
        EXPECT_EQ(Compute(path), kOpenFailedText) << path;
        ExpectBusyTextFirstAndResultLast();
        EXPECT_EQ(OpenFileCount(), openFiles) << path;
    }
}

TEST_F(ComputeFailure, AFailedReadIsReportedNotShownAsADigest) {
    // Linux gives an I/O error on reading this process's memory at address
    // 0, which is never mapped: a regular file whose first read fails.
    struct stat info = {};
    ASSERT_EQ(stat("/proc/self/mem", &info), 0);
    ASSERT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(Compute("/proc/self/mem"), kReadFailedText);
    ExpectBusyTextFirstAndResultLast();
}

using ComputeChangingFile = ComputeTest;

// The notice comes after the size is measured and before the first read, so
// a change made while it is up lands between the two: the bytes read are
// then no version of the file, and must not be shown as its digest. One
// byte either way is the smallest change there is.
TEST_F(ComputeChangingFile, AFileThatShrinksOrGrowsBeforeTheReadGivesTheReadFailedText) {
    for (const std::uint64_t changedSize : {kNoticeThreshold - 1, kNoticeThreshold + 1}) {
        window_double::Reset();
        const std::string path = WriteSparseFile("changing", kNoticeThreshold);
        window_double::OnMessageBox(
            [&] { ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(changedSize)), 0); });
        EXPECT_EQ(Compute(path), kReadFailedText) << "changed to " << changedSize << " bytes";
        EXPECT_EQ(EventsOf(Call::MessageBox).size(), 1u);
        ExpectBusyTextFirstAndResultLast();
    }
}

// Bytes this process has read so far, through any file (Linux's count).
std::uint64_t BytesReadByProcess() {
    std::ifstream counts("/proc/self/io");
    std::string name;
    std::uint64_t value = 0;
    while (counts >> name >> value && name != "rchar:") {
    }
    return value;
}

// A file that keeps growing while it is read (a log being written, a
// download) is given up as soon as more than its size has been read, not
// followed for as long as it grows.
TEST_F(ComputeChangingFile, AFileGrownByGibibytesIsGivenUpJustPastItsSize) {
    const std::string path = WriteSparseFile("growing", kNoticeThreshold);
    window_double::OnMessageBox([&] {
        const std::uint64_t grown = kNoticeThreshold + (std::uint64_t{4} << 30);
        ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(grown)), 0);
    });
    const std::uint64_t readBefore = BytesReadByProcess();
    EXPECT_EQ(Compute(path), kReadFailedText);
    EXPECT_LT(BytesReadByProcess() - readBefore, kNoticeThreshold + (1U << 20));
}

using ComputePath = ComputeTest;

TEST_F(ComputePath, APathIsOnlyANameNeverAFormat) {
    // Conversions that would read or write through missing arguments if the
    // path ever reached a printf-style call; the result must be the digest,
    // or the open-failure text, and nothing else.
    const std::string name = "%s%n%x%p%%%1024d";
    EXPECT_EQ(Compute(WriteFile(name, {'a', 'b', 'c'})), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Compute(PathOf("missing %s%n")), kOpenFailedText);
}

TEST_F(ComputePath, OnlyTheFirst1023BytesOfTheFieldAreUsed) {
    // A file whose full path is exactly 1,023 bytes, named by a field that
    // holds more after it.
    fs::path folder = dir_;
    while (folder.string().size() < 1023 - 300) {
        folder /= std::string(200, 'd');
    }
    fs::create_directories(folder);
    const std::size_t nameLength = 1023 - folder.string().size() - 1;
    const fs::path file = folder / std::string(nameLength, 'f');
    ASSERT_EQ(file.string().size(), 1023u);
    ASSERT_TRUE(WriteBytesToFile(file.string(), {'a', 'b', 'c'}));
    EXPECT_EQ(Compute(file.string()), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Compute(file.string() + "tail beyond the field"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Compute(file.string() + std::string(5000, 'x')), "900150983CD24FB0D6963F7D28E17F72");
}

using ComputeNotice = ComputeTest;

TEST_F(ComputeNotice, ShownFromExactly100MiBAndNotOneByteBelow) {
    EXPECT_EQ(Compute(WriteSparseFile("below", kNoticeThreshold - 1)),
              ZerosMd5Hex(kNoticeThreshold - 1));
    EXPECT_TRUE(EventsOf(Call::MessageBox).empty());

    window_double::Reset();
    EXPECT_EQ(Compute(WriteSparseFile("at", kNoticeThreshold)), ZerosMd5Hex(kNoticeThreshold));
    const std::vector<Event> boxes = EventsOf(Call::MessageBox);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kLargeFileNotice);
    EXPECT_EQ(boxes[0].caption, kLargeFileCaption);
    EXPECT_EQ(boxes[0].type, MB_OK);
    EXPECT_TRUE(boxes[0].ownerless);
    // The notice comes after the busy text, and the digest after the notice.
    ASSERT_EQ(window_double::Events().size(), 4u);
    EXPECT_EQ(window_double::Events()[2].call, Call::MessageBox);
    ExpectBusyTextFirstAndResultLast();
}

TEST_F(ComputeNotice, ARunInsideTheNoticeWritesItsResultThenTheOuterOneWritesOver) {
    const std::string small = WriteFile("small", {'a', 'b', 'c'});
    const std::string large = WriteSparseFile("large", kNoticeThreshold);
    window_double::OnMessageBox([&] {
        window_double::OnMessageBox(nullptr);
        EXPECT_EQ(Compute(small), "900150983CD24FB0D6963F7D28E17F72");
    });
    EXPECT_EQ(Compute(large), ZerosMd5Hex(kNoticeThreshold));

    std::vector<std::string> texts;
    for (const Event& event : EventsOf(Call::SetText)) {
        texts.push_back(event.text);
    }
    const std::vector<std::string> expected = {
        kBusyText, kBusyText, "900150983CD24FB0D6963F7D28E17F72", ZerosMd5Hex(kNoticeThreshold)};
    EXPECT_EQ(texts, expected);
}

// Runs `body` on a thread with a 1 MiB stack, what a Windows thread gets.
void RunOnWindowsSizedStack(const std::function<void()>& body) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, std::size_t{1} << 20);
    pthread_t thread;
    auto start = [](void* argument) -> void* {
        (*static_cast<const std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(
        pthread_create(&thread, &attributes, start, const_cast<std::function<void()>*>(&body)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

TEST_F(ComputeNotice, AHundredRunsNestedInsideNoticesFitInAWindowsStack) {
    // Every run opens the same large file and shows the notice; inside the
    // innermost notice the file shrinks to "abc", so that all runs finish
    // quickly, each with its own open file, and each reports the file as
    // unreadable: it shrank after its size was measured.
    const std::string path = WriteSparseFile("large", kNoticeThreshold, "abc");
    constexpr int kNested = 100;
    int depth = 0;
    window_double::OnMessageBox([&] {
        if (depth == kNested) {
            ASSERT_EQ(truncate(path.c_str(), 3), 0);
            return;
        }
        ++depth;
        OnCompute(window_double::Dialog());
    });
    window_double::SetControlText(IDC_PATH, path);
    RunOnWindowsSizedStack([] { OnCompute(window_double::Dialog()); });

    EXPECT_EQ(depth, kNested);
    EXPECT_EQ(EventsOf(Call::MessageBox).size(), kNested + 1u);
    int readFailures = 0;
    for (const Event& event : EventsOf(Call::SetText)) {
        if (event.text == kReadFailedText) {
            ++readFailures;
        }
    }
    EXPECT_EQ(readFailures, kNested + 1);
    EXPECT_EQ(window_double::ControlText(IDC_RESULT), kReadFailedText);
}

using ComputeHugeFile = ComputeTest;

TEST_F(ComputeHugeFile, SparseFileOfFourGibibytesIsHashedInFull) {
    // 2^32 + 4 bytes: zeros, then "tail" past the 4 GiB mark.
    const std::string path = PathOf("huge");
    WriteSparseFile("huge", std::uint64_t{1} << 32);
    {
        std::FILE* file = std::fopen(path.c_str(), "ab");
        ASSERT_NE(file, nullptr);
        const bool written = std::fputs("tail", file) >= 0;
        ASSERT_EQ(std::fclose(file), 0);
        ASSERT_TRUE(written);
    }
    // md5sum of the same bytes.
    EXPECT_EQ(Compute(path), "4A1AE8314D38811A82AA7766B3FE9C20");
    EXPECT_EQ(EventsOf(Call::MessageBox).size(), 1u);
}

}  // namespace
