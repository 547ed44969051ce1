// The file formats the art program writes, each encoded into its bytes: the
// Windows bitmap, the icon file and the images it holds, and PNG. They take
// images as they are and know nothing of what is drawn in them.
#pragma once

#include <cstdint>
#include <vector>

#include "resources/art/raster.h"

using Bytes = std::vector<std::uint8_t>;

// An uncompressed 24-bit Windows bitmap (.bmp) of an opaque image.
Bytes EncodeBmp(const Image& image);

// One image of an icon file: its DIB (colour rows, then the AND mask), with
// the size and depth the file's directory gives for it.
struct IconImage {
    int width;
    int height;
    int bitsPerPixel;
    Bytes dib;
};

constexpr int kTrueColourBits = 32;

// A palette image with its palette, at 1, 4 or 8 bits a pixel.
IconImage EncodeIndexedIconImage(const IndexedImage& image, int bitsPerPixel);

// A full-colour image with its alpha, at 32 bits a pixel.
IconImage EncodeRgbaIconImage(const Image& image);

// The icon file (.ico) holding the images in the order given.
Bytes EncodeIconFile(const std::vector<IconImage>& images);

// A PNG of the image, alpha kept. Empty when zlib fails.
Bytes EncodePng(const Image& image);
