// Helpers shared by the tests: digests as text, and test data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The engine's digest of `data` fed in one piece, as 32 uppercase hex digits.
std::string Md5Hex(const void* data, std::size_t size);
std::string Md5Hex(const std::vector<unsigned char>& data);

// Uppercase hex of any bytes.
std::string Hex(const unsigned char* bytes, std::size_t size);

// Writes `bytes` to a new file at `path`; false if any of it failed,
// the close included (it writes what is still buffered).
bool WriteBytesToFile(const std::string& path, const std::vector<unsigned char>& bytes);

// Makes a new file at `path` of `size` bytes: `head`, then a hole read as
// zeros, which takes no room on disk. False if any step failed.
bool MakeSparseFile(const std::string& path, std::uint64_t size, const std::string& head = {});

// A Unix socket bound to `path`: a name in the file system that is no file.
// Its descriptor is closed when this goes, however the test ends, so that a
// failed assertion leaves nothing open for the next check to count.
class BoundUnixSocket {
public:
    explicit BoundUnixSocket(const std::string& path);
    ~BoundUnixSocket();
    BoundUnixSocket(const BoundUnixSocket&) = delete;
    BoundUnixSocket& operator=(const BoundUnixSocket&) = delete;

    // False if the socket could not be made or bound, a path too long for a
    // socket address included.
    bool Bound() const { return bound_; }

private:
    int descriptor_;
    bool bound_ = false;
};

// Deterministic pseudo-random bytes.
std::vector<unsigned char> RandomBytes(std::size_t size, std::uint_fast32_t seed);

// A test file's contents: RandomBytes seeded by the size, so that files of
// different sizes differ and each size is the same from run to run.
std::vector<unsigned char> SampleBytes(std::size_t size);
