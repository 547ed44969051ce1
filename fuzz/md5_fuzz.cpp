// Differential fuzzing of the digest engine against OpenSSL's MD5.
//
// libFuzzer's input is read as a sequence of (piece length, piece bytes):
// each piece is copied into an allocation of exactly its own size, so that
// AddressSanitizer catches any read past it, and fed to Md5Update; a piece of
// length zero passes a null buffer, which the engine must not touch. The
// digest of all the pieces must equal OpenSSL's digest of their
// concatenation, in one call. A difference aborts with both digests shown.
#include <fuzzer/FuzzedDataProvider.h>
#include <openssl/evp.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "digest/md5.h"
#include "test_support.h"

namespace {

// Up to four blocks per piece: pieces start and end at every offset within
// a block, and some span whole blocks.
constexpr std::uint8_t kLongestPiece = 255;

// libFuzzer takes the abort as a finding and keeps the input that caused it.
[[noreturn]] void Fail(const std::string& report) {
    // About to abort: a report that cannot be written changes nothing.
    static_cast<void>(std::fputs(report.c_str(), stderr));
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);

    Md5Context context;
    // Whatever the memory held before, Md5Init alone must make it a fresh
    // context: callers reuse spent ones.
    std::memset(&context, 0xA5, sizeof context);
    Md5Init(context);

    std::vector<unsigned char> message;
    while (input.remaining_bytes() > 0) {
        const auto length = input.ConsumeIntegralInRange<std::uint8_t>(0, kLongestPiece);
        const std::vector<unsigned char> piece = input.ConsumeBytes<unsigned char>(length);
        Md5Update(context, piece.empty() ? nullptr : piece.data(),
                  static_cast<std::uint32_t>(piece.size()));
        message.insert(message.end(), piece.begin(), piece.end());
    }
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);

    unsigned char expected[EVP_MAX_MD_SIZE];
    unsigned int expectedSize = 0;
    if (EVP_Digest(message.data(), message.size(), expected, &expectedSize, EVP_md5(), nullptr) !=
            1 ||
        expectedSize != kMd5DigestSize) {
        Fail("OpenSSL's MD5 failed\n");
    }
    if (std::memcmp(digest, expected, kMd5DigestSize) != 0) {
        Fail("digest differs for a " + std::to_string(message.size()) + "-byte message\nengine  " +
             Hex(digest, kMd5DigestSize) + "\nOpenSSL " + Hex(expected, kMd5DigestSize) + "\n");
    }
    return 0;
}
