// The digest engine against published and independently computed digests.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "digest/md5.h"
#include "test_support.h"

namespace {

// The engine reads block words through a byte-order seam with one branch per
// byte order. A build meant to exercise the big-endian branch must really run
// big-endian, or the branch passes untested.
TEST(Md5ByteOrder, TheTestHostHasTheByteOrderTheBuildWasMadeFor) {
#if defined(QUORVIN_EXPECTED_BYTE_ORDER_big)
    EXPECT_TRUE(std::endian::native == std::endian::big);
#elif defined(QUORVIN_EXPECTED_BYTE_ORDER_little)
    EXPECT_TRUE(std::endian::native == std::endian::little);
#else
    GTEST_SKIP() << "this build accepts either byte order";
#endif
}

std::string Md5HexOfText(const char* text) { return Md5Hex(text, std::strlen(text)); }

TEST(Md5Rfc1321, TestSuiteOfAppendixA5) {
    EXPECT_EQ(Md5HexOfText(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Md5HexOfText("a"), "0CC175B9C0F1B6A831C399E269772661");
    EXPECT_EQ(Md5HexOfText("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(Md5HexOfText("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(Md5HexOfText("abcdefghijklmnopqrstuvwxyz"), "C3FCD3D76192E4007DFB496CCA67E13B");
    EXPECT_EQ(Md5HexOfText("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "D174AB98D277D9F5A5611C2C9F419D9F");
    EXPECT_EQ(Md5HexOfText("1234567890123456789012345678901234567890"
                           "1234567890123456789012345678901234567890"),
              "57EDF4A22BE3C955AC49DA2E2107B67A");
}

// Bytes (7i + 3) mod 256: the messages of the reference digests below,
// computed with Python's hashlib.
std::vector<unsigned char> PatternBytes(std::size_t length) {
    std::vector<unsigned char> message(length);
    for (std::size_t i = 0; i < length; ++i) {
        message[i] = static_cast<unsigned char>(7 * i + 3);
    }
    return message;
}

// Where the 0x80 marker and the bit count land decides whether padding
// takes one block or two.
TEST(Md5Padding, LengthsAroundTheBlockBoundaries) {
    const struct {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {0, "D41D8CD98F00B204E9800998ECF8427E"},   {55, "52C0E574E1198DE5FE3F8F11440DCB1B"},
        {56, "46C9907FC908EE68B1E7B8E71286A518"},  {63, "A62F6D59E837867693F042F5B8F5A236"},
        {64, "7160B8FB5E9E4023D549C3971FBAEEAD"},  {65, "70BD662E7AEFBDA85A0F7244167B7897"},
        {119, "E84905D4214F4D1CA56C2CDCC152B143"}, {120, "E3EB5A6C8669EA01A8C185B8ABC8A5DC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Md5Hex(PatternBytes(c.length)), c.digest) << "length " << c.length;
    }
}

// Feeds `message` in the given piece lengths; zero-length pieces pass a
// null buffer, which the engine must not read.
std::string Md5HexInPieces(const std::vector<unsigned char>& message,
                           const std::vector<std::size_t>& pieces) {
    Md5Context context;
    Md5Init(context);
    std::size_t offset = 0;
    for (const std::size_t piece : pieces) {
        Md5Update(context, piece == 0 ? nullptr : message.data() + offset,
                  static_cast<std::uint32_t>(piece));
        offset += piece;
    }
    EXPECT_EQ(offset, message.size());
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);
    return Hex(digest, sizeof digest);
}

TEST(Md5CutInvariance, PiecesThatFillABlockExactlyAndEmptyOnesGiveTheOnePieceDigest) {
    const std::vector<unsigned char> message = RandomBytes(135, 1);
    EXPECT_EQ(Md5HexInPieces(message, {1, 63, 64, 7}), Md5Hex(message));
    EXPECT_EQ(Md5HexInPieces(message, {0, 1, 0, 0, 63, 64, 0, 7, 0}), Md5Hex(message));
}

TEST(Md5CutInvariance, RandomPiecesWithEmptyOnesGiveTheOnePieceDigest) {
    std::mt19937 generator(2);
    for (int round = 0; round < 2000; ++round) {
        const std::size_t length = generator() % 600;
        const std::vector<unsigned char> message = RandomBytes(length, generator());
        std::vector<std::size_t> pieces;
        std::size_t left = length;
        while (left > 0) {
            // Mostly short pieces around the block size, some empty.
            const std::size_t piece = std::min<std::size_t>(left, generator() % 140);
            pieces.push_back(piece);
            left -= piece;
        }
        ASSERT_EQ(Md5HexInPieces(message, pieces), Md5Hex(message)) << "length " << length;
    }
}

// Whole blocks given in one update are compressed by the block loop; pieces
// shorter than a block are all assembled in the context and compressed out
// of line. The two must agree, and match digests computed elsewhere.
TEST(Md5CodePaths, TheBlockLoopAgreesWithTheAssembledBlocks) {
    std::mt19937 generator(5);
    for (int round = 0; round < 300; ++round) {
        const std::size_t length = generator() % 5000;
        const std::vector<unsigned char> message = RandomBytes(length, generator());
        std::vector<std::size_t> pieces;
        for (std::size_t left = length; left > 0;) {
            const std::size_t piece = std::min<std::size_t>(left, 1 + generator() % 63);
            pieces.push_back(piece);
            left -= piece;
        }
        ASSERT_EQ(Md5Hex(message), Md5HexInPieces(message, pieces)) << "length " << length;
    }
}

TEST(Md5CodePaths, LongMessagesInOneUpdate) {
    const struct {
        std::size_t length;
        const char* digest;
    } cases[] = {
        {1000, "10046F077F2082AC19676B8079F1CB1A"},
        {65536, "55F3DA07043D8F6F30808F9309120B1D"},
        {1048593, "102120DFDB8B423A98C69EF89D76F2C8"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Md5Hex(PatternBytes(c.length)), c.digest) << "length " << c.length;
    }
}

// 2^29 + 5 bytes: the bit count of one piece this large does not fit in the
// low word, and the total passes 2^32 - 1 bits.
std::vector<unsigned char> CarryMessage() {
    std::vector<unsigned char> message((std::size_t{1} << 29) + 5);
    for (std::size_t i = 0; i < message.size(); ++i) {
        message[i] = static_cast<unsigned char>(i % 251);
    }
    return message;
}
// Python: hashlib.md5((bytes(range(251)) * N)[:2**29 + 5]).
constexpr char kCarryMessageDigest[] = "E7E500F546D67FF5DA3B0C977BE2FF03";

TEST(Md5BitCountCarry, OneHugeUpdateCarriesIntoTheHighWord) {
    const std::vector<unsigned char> message = CarryMessage();
    Md5Context context;
    Md5Init(context);
    Md5Update(context, message.data(), static_cast<std::uint32_t>(message.size()));
    EXPECT_EQ(context.bitCount[0], 40u);
    EXPECT_EQ(context.bitCount[1], 1u);
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);
    EXPECT_EQ(Hex(digest, sizeof digest), kCarryMessageDigest);
}

TEST(Md5BitCountCarry, LowWordOverflowCarriesIntoTheHighWord) {
    const std::vector<unsigned char> message = CarryMessage();
    Md5Context context;
    Md5Init(context);
    // Reads of 65,536 bytes, as the compute command does, then the odd rest.
    std::size_t offset = 0;
    for (; offset + 65536 <= message.size(); offset += 65536) {
        Md5Update(context, message.data() + offset, 65536);
    }
    Md5Update(context, message.data() + offset,
              static_cast<std::uint32_t>(message.size() - offset));
    EXPECT_EQ(context.bitCount[0], 40u);
    EXPECT_EQ(context.bitCount[1], 1u);
    unsigned char digest[kMd5DigestSize];
    Md5Final(digest, context);
    EXPECT_EQ(Hex(digest, sizeof digest), kCarryMessageDigest);
}

}  // namespace
