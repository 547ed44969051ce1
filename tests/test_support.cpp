#include "test_support.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "digest/md5.h"

std::string Hex(const unsigned char* bytes, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < size; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0f];
    }
    return text;
}

std::string Md5Hex(const void* data, std::size_t size) {
    Md5Context context;
    Md5Init(context);
    // Pieces below 4 GiB: the engine counts lengths in 32 bits.
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const std::size_t piece = size < 0x40000000 ? size : 0x40000000;
        Md5Update(context, bytes, static_cast<std::uint32_t>(piece));
        bytes += piece;
        size -= piece;
    }
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);
    return Hex(digest, sizeof digest);
}

std::string Md5Hex(const std::vector<unsigned char>& data) {
    return Md5Hex(data.data(), data.size());
}

std::vector<unsigned char> RandomBytes(std::size_t size, std::uint_fast32_t seed) {
    std::mt19937 generator(seed);
    std::vector<unsigned char> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<unsigned char>(generator());
    }
    return bytes;
}

std::vector<unsigned char> SampleBytes(std::size_t size) {
    return RandomBytes(size, static_cast<std::uint_fast32_t>(size));
}

bool WriteBytesToFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

bool MakeSparseFile(const std::string& path, std::uint64_t size, const std::string& head) {
    const int descriptor = open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    if (descriptor < 0) {
        return false;
    }
    const bool made =
        write(descriptor, head.data(), head.size()) == static_cast<ssize_t>(head.size()) &&
        ftruncate(descriptor, static_cast<off_t>(size)) == 0;
    return close(descriptor) == 0 && made;
}

BoundUnixSocket::BoundUnixSocket(const std::string& path)
    : descriptor_(socket(AF_UNIX, SOCK_STREAM, 0)) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (descriptor_ < 0 || path.size() >= sizeof address.sun_path) {
        return;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    bound_ = bind(descriptor_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

BoundUnixSocket::~BoundUnixSocket() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}
