// MD5 message digest (RFC 1321), over a byte stream that arrives in pieces.
//
// The caller owns the context; nothing here allocates or fails. Call order:
// Md5Init, any number of Md5Update, one Md5Final. A spent context is started
// again with Md5Init.
#pragma once

#include <cstdint>

struct Md5Context {
    std::uint32_t state[4];     // chaining words A, B, C, D
    std::uint32_t bitCount[2];  // message bits absorbed, mod 2^64: low word, high word
    unsigned char block[64];    // the current, incomplete block; (bitCount[0] >> 3) & 63 bytes held
};

inline constexpr int kMd5DigestSize = 16;

void Md5Init(Md5Context& context);

// Absorbs `length` bytes; with length 0 the buffer is not read.
void Md5Update(Md5Context& context, const unsigned char* bytes, std::uint32_t length);

// Pads the message and writes A, B, C, D, each least significant byte first.
void Md5Final(unsigned char digest[kMd5DigestSize], Md5Context& context);
