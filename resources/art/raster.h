// The art program's pixels: colours, full-colour images with coverage as
// alpha, and palette images, as the drawing makes them and the file writers
// take them. Rows are stored top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
    std::uint8_t r, g, b;
};

struct Rgba {
    std::uint8_t r, g, b, a;
};

constexpr int kOpaque = 255;

struct Image {
    int width;
    int height;
    std::vector<Rgba> pixels;  // top row first
};

// A palette image: a colour index per pixel plus which pixels are see-through.
// Transparent pixels use index 0, which is always black: an icon's AND mask
// leaves the screen alone there only if the colour XORed onto it is zero.
struct IndexedImage {
    int width;
    int height;
    std::vector<Rgb> palette;           // entry 0 is black
    std::vector<std::uint8_t> indices;  // top row first
    std::vector<bool> transparent;      // top row first
};

constexpr std::uint8_t kBlackIndex = 0;

inline std::uint8_t ToByte(int value) { return static_cast<std::uint8_t>(value); }

// Sizes and coordinates are ints, as the file headers store them; they are
// widened before they are multiplied, so no product is formed in int.
inline std::size_t Area(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Where pixel (x, y) sits in a raster `width` pixels wide, top row first.
inline std::size_t PixelIndex(int width, int x, int y) {
    return Area(width, y) + static_cast<std::size_t>(x);  // y whole rows, then x
}

inline Image MakeImage(int width, int height, Rgba fill) {
    return {width, height, std::vector<Rgba>(Area(width, height), fill)};
}

inline Rgba Pixel(const Image& image, int x, int y) {
    return image.pixels[PixelIndex(image.width, x, y)];
}

inline void SetPixel(Image& image, int x, int y, Rgba c) {
    image.pixels[PixelIndex(image.width, x, y)] = c;
}

inline bool MostlyOpaque(Rgba c) { return 2 * c.a > kOpaque; }
