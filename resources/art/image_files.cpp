// The file formats' encoders. Every field is written byte by byte in the
// order its format gives, so the files come out the same on every host.
#include "resources/art/image_files.h"

#include <zlib.h>

#include <cstddef>
#include <string_view>
#include <utility>

namespace {

void Put16(Bytes& out, int value) {
    out.push_back(ToByte(value & 0xFF));
    out.push_back(ToByte((value >> 8) & 0xFF));
}

void Put32(Bytes& out, int value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

constexpr int kBmpBits = 24;

// DIB rows start on 4-byte boundaries.
int RowStride(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

constexpr int kInfoHeaderSize = 40;
constexpr int kBiRgb = 0;
constexpr int kPixelsPerMetre = 3780;  // 96 dpi

// In an icon image's header only the size, width, height, planes, bit count
// and image size mean anything; every other field, the resolution among
// them, is to be 0. A plain bitmap states its resolution.
void PutInfoHeader(Bytes& out, int width, int height, int bitsPerPixel, int imageSize,
                   int pixelsPerMetre) {
    Put32(out, kInfoHeaderSize);
    Put32(out, width);
    Put32(out, height);
    Put16(out, 1);  // planes
    Put16(out, bitsPerPixel);
    Put32(out, kBiRgb);
    Put32(out, imageSize);
    Put32(out, pixelsPerMetre);
    Put32(out, pixelsPerMetre);
    Put32(out, 0);  // all palette entries used
    Put32(out, 0);  // all palette entries important
}

void PadRow(Bytes& out, std::size_t rowStart, int stride) {
    out.resize(rowStart + static_cast<std::size_t>(stride), 0);
}

// An icon image's AND mask: one bit a pixel, set where the screen shows through.
void PutAndMask(Bytes& out, int width, int height, const std::vector<bool>& transparent) {
    const int stride = RowStride(width, 1);
    for (int y = height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        PadRow(out, rowStart, stride);
        for (int x = 0; x < width; ++x) {
            if (transparent[PixelIndex(width, x, y)]) {
                out[rowStart + static_cast<std::size_t>(x / 8)] |= ToByte(0x80 >> (x % 8));
            }
        }
    }
}

// An icon's DIB stacks the colour rows and the mask rows, hence twice the height.
void PutIconHeader(Bytes& out, int width, int height, int bitsPerPixel) {
    const int imageSize = (RowStride(width, bitsPerPixel) + RowStride(width, 1)) * height;
    PutInfoHeader(out, width, 2 * height, bitsPerPixel, imageSize, 0);
}

void Put32BigEndian(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

void PutPngChunk(Bytes& out, std::string_view type, const Bytes& data) {
    Put32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeStart = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    const uLong crc = crc32(0, out.data() + typeStart, static_cast<uInt>(out.size() - typeStart));
    Put32BigEndian(out, static_cast<std::uint32_t>(crc));
}

std::uint8_t Difference(std::uint8_t value, std::uint8_t from) {
    return static_cast<std::uint8_t>(value - from);  // modulo 256, as PNG's filters are
}

}  // namespace

Bytes EncodeBmp(const Image& image) {
    constexpr int kFileHeaderSize = 14;
    const int stride = RowStride(image.width, kBmpBits);
    const int imageSize = stride * image.height;
    const int offset = kFileHeaderSize + kInfoHeaderSize;
    Bytes out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageSize);
    Put32(out, 0);  // reserved
    Put32(out, offset);
    PutInfoHeader(out, image.width, image.height, kBmpBits, imageSize, kPixelsPerMetre);
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const Rgba c = Pixel(image, x, y);
            out.insert(out.end(), {c.b, c.g, c.r});
        }
        PadRow(out, rowStart, stride);
    }
    return out;
}

IconImage EncodeIndexedIconImage(const IndexedImage& image, int bitsPerPixel) {
    Bytes out;
    PutIconHeader(out, image.width, image.height, bitsPerPixel);
    for (const Rgb c : image.palette) {
        out.insert(out.end(), {c.b, c.g, c.r, 0});
    }
    const int stride = RowStride(image.width, bitsPerPixel);
    const int perByte = 8 / bitsPerPixel;
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        PadRow(out, rowStart, stride);
        for (int x = 0; x < image.width; ++x) {
            const int index = image.indices[PixelIndex(image.width, x, y)];
            const int shift =
                (perByte - 1 - x % perByte) * bitsPerPixel;  // leftmost pixel in the high bits
            out[rowStart + static_cast<std::size_t>(x / perByte)] |= ToByte(index << shift);
        }
    }
    PutAndMask(out, image.width, image.height, image.transparent);
    return {image.width, image.height, bitsPerPixel, std::move(out)};
}

IconImage EncodeRgbaIconImage(const Image& image) {
    Bytes out;
    PutIconHeader(out, image.width, image.height, kTrueColourBits);
    std::vector<bool> transparent;
    transparent.reserve(image.pixels.size());
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgba c = Pixel(image, x, y);
            out.insert(out.end(), {c.b, c.g, c.r, c.a});
        }
    }
    for (const Rgba c : image.pixels) {
        transparent.push_back(c.a == 0);
    }
    PutAndMask(out, image.width, image.height, transparent);
    return {image.width, image.height, kTrueColourBits, std::move(out)};
}

Bytes EncodeIconFile(const std::vector<IconImage>& images) {
    constexpr int kDirSize = 6;
    constexpr int kEntrySize = 16;
    constexpr int kTypeIcon = 1;
    Bytes out;
    Put16(out, 0);  // reserved
    Put16(out, kTypeIcon);
    Put16(out, static_cast<int>(images.size()));
    int offset = kDirSize + kEntrySize * static_cast<int>(images.size());
    for (const IconImage& image : images) {
        const int colours = image.bitsPerPixel < 8 ? 1 << image.bitsPerPixel : 0;  // 0: 256 or more
        out.insert(out.end(), {ToByte(image.width), ToByte(image.height), ToByte(colours), 0});
        Put16(out, 1);  // planes
        Put16(out, image.bitsPerPixel);
        Put32(out, static_cast<int>(image.dib.size()));
        Put32(out, offset);
        offset += static_cast<int>(image.dib.size());
    }
    for (const IconImage& image : images) {
        out.insert(out.end(), image.dib.begin(), image.dib.end());
    }
    return out;
}

// Straight (not premultiplied) alpha, as PNG stores it and as the mark is
// drawn. Each row is stored as its difference from the row above, which the
// mark's upright edges and gentle gradient make mostly zeros. Empty when
// zlib fails.
Bytes EncodePng(const Image& image) {
    constexpr std::uint8_t kBitDepth = 8;
    constexpr std::uint8_t kColourTypeRgba = 6;
    constexpr std::uint8_t kFilterUp = 2;
    Bytes header;
    Put32BigEndian(header, static_cast<std::uint32_t>(image.width));
    Put32BigEndian(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {kBitDepth, kColourTypeRgba, 0, 0, 0});  // deflate, no interlace

    Bytes rows;
    for (int y = 0; y < image.height; ++y) {
        rows.push_back(kFilterUp);
        for (int x = 0; x < image.width; ++x) {
            const Rgba c = Pixel(image, x, y);
            const Rgba up = y > 0 ? Pixel(image, x, y - 1) : Rgba{0, 0, 0, 0};
            rows.insert(rows.end(), {Difference(c.r, up.r), Difference(c.g, up.g),
                                     Difference(c.b, up.b), Difference(c.a, up.a)});
        }
    }
    uLongf compressedSize = compressBound(static_cast<uLong>(rows.size()));
    Bytes compressed(compressedSize);
    if (compress2(compressed.data(), &compressedSize, rows.data(), static_cast<uLong>(rows.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    compressed.resize(compressedSize);

    Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutPngChunk(out, "IHDR", header);
    PutPngChunk(out, "IDAT", compressed);
    PutPngChunk(out, "IEND", {});
    return out;
}
