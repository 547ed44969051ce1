// Opening the file to be hashed, on POSIX hosts and on Windows.
//
// The kind of file and its size come from one fstat of the opened file, not
// from a separate look at the path, so a path that is swapped between the
// check and the open cannot slip something else past the check. A regular
// file's size is still checked for a sign: it is signed in the stat record
// and is whatever the file system reports (a FUSE server's or a network
// redirector's own number), and the size given back is unsigned.
#include "checksum/file_input.h"

#ifdef _WIN32

#include <sys/stat.h>

std::FILE* OpenRegularFile(const char* path, std::uint64_t& size) {
    // The C runtime opens without denying others read or write access, and
    // refuses folders itself.
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    // Consoles (CON), pipes and devices open too; only disk files are hashed.
    struct _stati64 info = {};
    if (_fstati64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG ||
        info.st_size < 0) {
        static_cast<void>(std::fclose(file));  // only opened: nothing to lose
        return nullptr;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* OpenRegularFile(const char* path, std::uint64_t& size) {
    // O_NONBLOCK so that opening a FIFO with no writer returns at once
    // instead of waiting for one; it is cleared again before reading.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info = {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    std::FILE* file =
        flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? fdopen(fd, "rb") : nullptr;
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    return file;
}

#endif
