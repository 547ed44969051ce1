// MD5 message digest, RFC 1321.
//
// The compression function is written out as the RFC's 64 steps, one line
// each, with the sine constants and rotations in plain sight: a straight
// line of code with immediate operands, no table and no loop. Every whole
// block is first copied into the context's buffer, so that every transform
// reads only that buffer: whole blocks and blocks assembled from pieces take
// one code path. (Alignment is no reason: LoadWord reads through memcpy.)
//
// Speed: each step needs the previous step's result, so a block costs the
// length of that chain, not its instruction count. The round functions and
// the step are arranged so that as little as possible waits for b, and the
// chaining words stay in registers from one block to the next.
#include "digest/md5.h"

#include <bit>
#include <cstring>

namespace {

using std::uint32_t;

constexpr uint32_t kBlockSize = sizeof(Md5Context::block);

// Block words are little-endian. On a little-endian host that is plain
// memory order; elsewhere the word is assembled from its bytes.
inline uint32_t LoadWord(const unsigned char* bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        uint32_t word;
        std::memcpy(&word, bytes, sizeof word);
        return word;
    } else {
        return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
               uint32_t{bytes[3]} << 24;
    }
}

inline void StoreWord(unsigned char* bytes, uint32_t word) {
    bytes[0] = static_cast<unsigned char>(word);
    bytes[1] = static_cast<unsigned char>(word >> 8);
    bytes[2] = static_cast<unsigned char>(word >> 16);
    bytes[3] = static_cast<unsigned char>(word >> 24);
}

// RFC 1321 section 3.4 round functions, each in its cheapest equivalent form.
// F selects c or d by b; as d ^ (b & (c ^ d)) it needs no NOT.
inline uint32_t F(uint32_t b, uint32_t c, uint32_t d) { return d ^ (b & (c ^ d)); }
// G selects b or c by d; the two ANDs have disjoint bits, so their sum is
// their OR, and b enters only at the last operation of the chain.
inline uint32_t G(uint32_t b, uint32_t c, uint32_t d) { return (d & b) + (~d & c); }
inline uint32_t H(uint32_t b, uint32_t c, uint32_t d) { return b ^ c ^ d; }
inline uint32_t I(uint32_t b, uint32_t c, uint32_t d) { return c ^ (b | ~d); }

// GCC for AArch64 reassociates (a + X[k] + T[i]) + f into (f + a) + (X[k] +
// T[i]), which puts a second add after f on the chain: a cycle more in three
// steps of four (337 cycles a block instead of 289). An empty asm that claims
// to change the sum keeps it whole. Other targets already keep it so.
inline void KeepSumWhole([[maybe_unused]] uint32_t& sum) {
#if defined(__aarch64__)
    asm("" : "+r"(sum));
#endif
}

// One step: a = b + ((a + f(b, c, d) + X[k] + T[i]) <<< s). The message word
// and the constant are added first; they do not wait for b.
template <uint32_t (*f)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, uint32_t t, int s) {
    a += x + t;
    KeepSumWhole(a);
    a += f(b, c, d);
    a = std::rotl(a, s) + b;
}

// Inlined into the block loop below, so that the chaining words it starts
// from and adds into are the loop's locals rather than memory.
[[gnu::always_inline]] inline void Md5Transform(uint32_t state[4], const unsigned char block[64]) {
    uint32_t a = state[0];
    uint32_t b = state[1];
    uint32_t c = state[2];
    uint32_t d = state[3];
    auto X = [block](std::size_t k) { return LoadWord(block + 4 * k); };

    // Round 1
    Step<F>(a, b, c, d, X(0), 0xd76aa478, 7);
    Step<F>(d, a, b, c, X(1), 0xe8c7b756, 12);
    Step<F>(c, d, a, b, X(2), 0x242070db, 17);
    Step<F>(b, c, d, a, X(3), 0xc1bdceee, 22);
    Step<F>(a, b, c, d, X(4), 0xf57c0faf, 7);
    Step<F>(d, a, b, c, X(5), 0x4787c62a, 12);
    Step<F>(c, d, a, b, X(6), 0xa8304613, 17);
    Step<F>(b, c, d, a, X(7), 0xfd469501, 22);
    Step<F>(a, b, c, d, X(8), 0x698098d8, 7);
    Step<F>(d, a, b, c, X(9), 0x8b44f7af, 12);
    Step<F>(c, d, a, b, X(10), 0xffff5bb1, 17);
    Step<F>(b, c, d, a, X(11), 0x895cd7be, 22);
    Step<F>(a, b, c, d, X(12), 0x6b901122, 7);
    Step<F>(d, a, b, c, X(13), 0xfd987193, 12);
    Step<F>(c, d, a, b, X(14), 0xa679438e, 17);
    Step<F>(b, c, d, a, X(15), 0x49b40821, 22);

    // Round 2
    Step<G>(a, b, c, d, X(1), 0xf61e2562, 5);
    Step<G>(d, a, b, c, X(6), 0xc040b340, 9);
    Step<G>(c, d, a, b, X(11), 0x265e5a51, 14);
    Step<G>(b, c, d, a, X(0), 0xe9b6c7aa, 20);
    Step<G>(a, b, c, d, X(5), 0xd62f105d, 5);
    Step<G>(d, a, b, c, X(10), 0x02441453, 9);
    Step<G>(c, d, a, b, X(15), 0xd8a1e681, 14);
    Step<G>(b, c, d, a, X(4), 0xe7d3fbc8, 20);
    Step<G>(a, b, c, d, X(9), 0x21e1cde6, 5);
    Step<G>(d, a, b, c, X(14), 0xc33707d6, 9);
    Step<G>(c, d, a, b, X(3), 0xf4d50d87, 14);
    Step<G>(b, c, d, a, X(8), 0x455a14ed, 20);
    Step<G>(a, b, c, d, X(13), 0xa9e3e905, 5);
    Step<G>(d, a, b, c, X(2), 0xfcefa3f8, 9);
    Step<G>(c, d, a, b, X(7), 0x676f02d9, 14);
    Step<G>(b, c, d, a, X(12), 0x8d2a4c8a, 20);

    // Round 3
    Step<H>(a, b, c, d, X(5), 0xfffa3942, 4);
    Step<H>(d, a, b, c, X(8), 0x8771f681, 11);
    Step<H>(c, d, a, b, X(11), 0x6d9d6122, 16);
    Step<H>(b, c, d, a, X(14), 0xfde5380c, 23);
    Step<H>(a, b, c, d, X(1), 0xa4beea44, 4);
    Step<H>(d, a, b, c, X(4), 0x4bdecfa9, 11);
    Step<H>(c, d, a, b, X(7), 0xf6bb4b60, 16);
    Step<H>(b, c, d, a, X(10), 0xbebfbc70, 23);
    Step<H>(a, b, c, d, X(13), 0x289b7ec6, 4);
    Step<H>(d, a, b, c, X(0), 0xeaa127fa, 11);
    Step<H>(c, d, a, b, X(3), 0xd4ef3085, 16);
    Step<H>(b, c, d, a, X(6), 0x04881d05, 23);
    Step<H>(a, b, c, d, X(9), 0xd9d4d039, 4);
    Step<H>(d, a, b, c, X(12), 0xe6db99e5, 11);
    Step<H>(c, d, a, b, X(15), 0x1fa27cf8, 16);
    Step<H>(b, c, d, a, X(2), 0xc4ac5665, 23);

    // Round 4
    Step<I>(a, b, c, d, X(0), 0xf4292244, 6);
    Step<I>(d, a, b, c, X(7), 0x432aff97, 10);
    Step<I>(c, d, a, b, X(14), 0xab9423a7, 15);
    Step<I>(b, c, d, a, X(5), 0xfc93a039, 21);
    Step<I>(a, b, c, d, X(12), 0x655b59c3, 6);
    Step<I>(d, a, b, c, X(3), 0x8f0ccc92, 10);
    Step<I>(c, d, a, b, X(10), 0xffeff47d, 15);
    Step<I>(b, c, d, a, X(1), 0x85845dd1, 21);
    Step<I>(a, b, c, d, X(8), 0x6fa87e4f, 6);
    Step<I>(d, a, b, c, X(15), 0xfe2ce6e0, 10);
    Step<I>(c, d, a, b, X(6), 0xa3014314, 15);
    Step<I>(b, c, d, a, X(13), 0x4e0811a1, 21);
    Step<I>(a, b, c, d, X(4), 0xf7537e82, 6);
    Step<I>(d, a, b, c, X(11), 0xbd3af235, 10);
    Step<I>(c, d, a, b, X(2), 0x2ad7d2bb, 15);
    Step<I>(b, c, d, a, X(9), 0xeb86d391, 21);

    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

// For the block that is assembled in the context from pieces, and for the
// padding. Out of line: the block loop holds the one inlined copy that
// matters for speed.
[[gnu::noinline]] void TransformHeldBlock(Md5Context& context) {
    Md5Transform(context.state, context.block);
}

// Copies each whole block into the context's buffer and compresses it there,
// as the assembled blocks are (see the top of this file). The
// chaining words are loaded once and stored once: written back to the
// context after every block, they would put a store and a reload between the
// last step of one block and the first step of the next.
void AbsorbBlocks(Md5Context& context, const unsigned char* bytes, uint32_t blockCount) {
    uint32_t state[4];
    std::memcpy(state, context.state, sizeof state);
    for (; blockCount != 0; --blockCount) {
        std::memcpy(context.block, bytes, kBlockSize);
        Md5Transform(state, context.block);
        bytes += kBlockSize;
    }
    std::memcpy(context.state, state, sizeof state);
}

}  // namespace

void Md5Init(Md5Context& context) {
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
    context.bitCount[0] = 0;
    context.bitCount[1] = 0;
}

void Md5Update(Md5Context& context, const unsigned char* bytes, uint32_t length) {
    if (length == 0) {
        return;  // nothing to absorb, and `bytes` may be null
    }
    const uint32_t old = context.bitCount[0];
    context.bitCount[0] = old + (length << 3);
    if (context.bitCount[0] < old) {
        ++context.bitCount[1];
    }
    // The bits of length * 8 that do not fit in the low word.
    context.bitCount[1] += length >> 29;

    const uint32_t held = (old >> 3) % kBlockSize;
    if (held != 0) {
        const uint32_t room = kBlockSize - held;
        if (length < room) {
            std::memcpy(context.block + held, bytes, length);
            return;
        }
        std::memcpy(context.block + held, bytes, room);
        TransformHeldBlock(context);
        bytes += room;
        length -= room;
    }
    const uint32_t blockCount = length / kBlockSize;
    AbsorbBlocks(context, bytes, blockCount);
    const uint32_t absorbed = blockCount * kBlockSize;
    std::memcpy(context.block, bytes + absorbed, length - absorbed);
}

void Md5Final(unsigned char digest[kMd5DigestSize], Md5Context& context) {
    const uint32_t held = (context.bitCount[0] >> 3) & 63;
    context.block[held] = 0x80;
    const uint32_t free = 63 - held;
    if (free < 8) {
        // No room left for the length: finish this block and start another.
        std::memset(context.block + held + 1, 0, free);
        TransformHeldBlock(context);
        std::memset(context.block, 0, 56);
    } else {
        std::memset(context.block + held + 1, 0, free - 8);
    }
    StoreWord(context.block + 56, context.bitCount[0]);
    StoreWord(context.block + 60, context.bitCount[1]);
    TransformHeldBlock(context);

    for (std::size_t i = 0; i < 4; ++i) {
        StoreWord(digest + 4 * i, context.state[i]);
    }
}
