// The engine against OpenSSL's MD5, over many random lengths and cuts.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <random>
#include <string>
#include <vector>

#include "digest/md5.h"
#include "test_support.h"

namespace {

std::string OpenSslMd5Hex(const std::vector<unsigned char>& message) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EXPECT_EQ(EVP_Digest(message.data(), message.size(), digest, &size, EVP_md5(), nullptr), 1);
    return Hex(digest, size);
}

TEST(Md5AgainstOpenSsl, RandomLengthsAndCuts) {
    std::mt19937 generator(3);
    for (int round = 0; round < 4000; ++round) {
        // Mostly under a few blocks, now and then up to 64 KiB and beyond.
        const std::size_t length = round % 16 == 0 ? generator() % 200000 : generator() % 1100;
        const std::vector<unsigned char> message = RandomBytes(length, generator());

        Md5Context context;
        Md5Init(context);
        std::size_t offset = 0;
        while (offset < length) {
            const std::size_t piece = std::min<std::size_t>(length - offset, generator() % 300);
            Md5Update(context, message.data() + offset, static_cast<std::uint32_t>(piece));
            offset += piece;
        }
        unsigned char digest[kMd5DigestSize];
        Md5Final(digest, context);
        ASSERT_EQ(Hex(digest, sizeof digest), OpenSslMd5Hex(message)) << "length " << length;
    }
}

// Long runs of whole blocks in one update, from any alignment of the caller's
// buffer, in one piece and in the compute command's 64 KiB reads: the path
// where the chaining words are carried from block to block in registers.
TEST(Md5AgainstOpenSsl, LongUpdatesOfManyBlocks) {
    std::mt19937 generator(4);
    for (int round = 0; round < 60; ++round) {
        const std::size_t length = generator() % 300000;
        const std::size_t misalignment = generator() % 8;
        const std::vector<unsigned char> bytes = RandomBytes(length + misalignment, generator());
        const std::vector<unsigned char> message(
            bytes.begin() + static_cast<std::ptrdiff_t>(misalignment), bytes.end());
        const std::string expected = OpenSslMd5Hex(message);
        for (const std::size_t readSize : {length + 1, std::size_t{65536}}) {
            Md5Context context;
            Md5Init(context);
            for (std::size_t offset = 0; offset < length; offset += readSize) {
                Md5Update(context, bytes.data() + misalignment + offset,
                          static_cast<std::uint32_t>(std::min(readSize, length - offset)));
            }
            unsigned char digest[kMd5DigestSize];
            Md5Final(digest, context);
            ASSERT_EQ(Hex(digest, sizeof digest), expected)
                << "length " << length << ", reads of " << readSize;
        }
    }
}

}  // namespace
