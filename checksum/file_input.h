// Opening the file to be hashed: the one place that knows the host's file API.
#pragma once

#include <cstdint>
#include <cstdio>

// Opens `path` for binary reading, read-only and sharing it with other
// programs, if and only if it names a regular (disk) file; null otherwise.
// A folder, FIFO, socket or device is refused without blocking, so a FIFO
// with no writer cannot freeze the caller. On success `size` is the file's
// size in bytes, measured in 64 bits on every host.
std::FILE* OpenRegularFile(const char* path, std::uint64_t& size);
