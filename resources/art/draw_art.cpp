// Draws Quorvin's artwork: the application icon (a folded-corner document
// carrying a check mark) and the small wordmark logo shown in the dialog.
//
//   draw_art OUT_LOGO_BMP OUT_LOGO_2X_BMP OUT_ICO
//   draw_art --icon-theme OUT_DIR NAME SIZE...
//   draw_art --logo-layers OUT_MARK_PNG OUT_WORDMARK_PNG OUT_MARK_2X_PNG OUT_WORDMARK_2X_PNG
//
// The first form draws the logo, the logo at twice the size for dense
// screens, and the Windows icon file. Everything is integer arithmetic so
// the files come out byte-identical on every host; they are checked in, and
// rebuilding must not churn them. The second form draws the icon for a
// freedesktop icon theme: OUT_DIR/<S>x<S>/apps/NAME.png at each SIZE, and
// OUT_DIR/scalable/apps/NAME.svg, from the same geometry as the icon file.
// The third draws the logo at both sizes without its paper, in layers (see
// LogoLayers), for a program that lays it on a face of its own colour.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// ---------------------------------------------------------------- rasters

struct Rgb {
    std::uint8_t r, g, b;
};

struct Rgba {
    std::uint8_t r, g, b, a;
};

struct Image {
    int width;
    int height;
    std::vector<Rgba> pixels;  // top row first
};

// Sizes and coordinates are ints, as the file headers store them; they are
// widened before they are multiplied, so no product is formed in int.
std::size_t Area(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Where pixel (x, y) sits in a raster `width` pixels wide, top row first.
std::size_t PixelIndex(int width, int x, int y) {
    return Area(width, y) + static_cast<std::size_t>(x);  // y whole rows, then x
}

Image MakeImage(int width, int height, Rgba fill) {
    return {width, height, std::vector<Rgba>(Area(width, height), fill)};
}

Rgba Pixel(const Image& image, int x, int y) { return image.pixels[PixelIndex(image.width, x, y)]; }

void SetPixel(Image& image, int x, int y, Rgba c) {
    image.pixels[PixelIndex(image.width, x, y)] = c;
}

std::uint8_t ToByte(int value) { return static_cast<std::uint8_t>(value); }

constexpr int kOpaque = 255;

bool MostlyOpaque(Rgba c) { return 2 * c.a > kOpaque; }

// ---------------------------------------------------------------- the mark

// Geometry is in eighths of a pixel. Each pixel is sampled 4 x 4 at the odd
// eighths, so an edge on a whole pixel never splits a pixel's samples: that is
// how the small sizes are kept sharp.
constexpr int kUnitsPerPixel = 8;
constexpr int kSamplesPerAxis = 4;
constexpr int kSamplesPerPixel = kSamplesPerAxis * kSamplesPerAxis;
constexpr int kSampleStep = kUnitsPerPixel / kSamplesPerAxis;

constexpr int Px(int pixels) { return pixels * kUnitsPerPixel; }
constexpr int kHalfPixel = kUnitsPerPixel / 2;

struct Point {
    int x, y;
};

// One size of the mark, tuned by hand for its pixel grid.
struct MarkGeometry {
    int size;  // pixels, square
    int pageLeft, pageTop, pageRight, pageBottom;
    int fold;                    // side of the folded-over top-right corner
    int cornerRadius;            // of the other three corners
    int outline;                 // width of the dark rim
    std::array<Point, 3> check;  // short arm's end, the bend, long arm's end
    int checkHalfWidth;          // the stroke is rounded at its ends and its bend
    // At small sizes a smooth stroke only blurs; there the check is placed pixel
    // by pixel instead ('#' is check), one string a row from the top.
    std::span<const std::string_view> checkPixels;
    int checkShadow;  // how far below the check its shadow falls; 0 for none
};

constexpr std::array<std::string_view, 13> kCheckPixels16{{
    "",
    "",
    "",
    "",
    "",
    "",
    "..........##",
    ".........###",
    "....#...###",
    "....##.###",
    "....#####",
    ".....###",
    "......#",
}};

constexpr std::array<std::string_view, 19> kCheckPixels24{{
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "",
    "...............###",
    "..............####",
    ".............####",
    ".....##.....####",
    ".....###...####",
    ".....####.####",
    "......#######",
    ".......#####",
    "........###",
}};

// At 16 and 24 pixels every straight edge lies on a pixel boundary.
constexpr MarkGeometry kMark16{16, Px(2), Px(0), Px(14), Px(16),         Px(5),
                               0,  Px(1), {},    0,      kCheckPixels16, 0};
constexpr MarkGeometry kMark24{24,         Px(3), Px(0), Px(21), Px(24),         Px(7),
                               kHalfPixel, Px(1), {},    0,      kCheckPixels24, Px(1)};
constexpr MarkGeometry kMark32{
    32,
    Px(4),
    Px(1),
    Px(28),
    Px(31),
    Px(9),
    Px(1),
    Px(1),
    {{{Px(9) + kHalfPixel, Px(18) + kHalfPixel}, {Px(14), Px(23)}, {Px(22) + kHalfPixel, Px(13)}}},
    Px(7) / 4,
    {},
    Px(1)};
constexpr MarkGeometry kMark48{
    48,     Px(7),  Px(2),
    Px(41), Px(46), Px(13),
    Px(2),  Px(1),  {{{Px(14), Px(28)}, {Px(21), Px(35)}, {Px(34), Px(20)}}},
    Px(3),  {},     Px(1)};

// Above 48 pixels the mark is drawn from this geometry, laid out on 256
// pixels and scaled down to the size asked for: the scalable icon is this
// geometry too. Its edges lie on multiples of 4, whole pixels at 64.
constexpr MarkGeometry kMarkLarge{
    256,     Px(36),  Px(8),
    Px(220), Px(248), Px(68),
    Px(12),  Px(4),   {{{Px(76), Px(148)}, {Px(112), Px(184)}, {Px(180), Px(108)}}},
    Px(16),  {},      Px(4)};

// The mark for `size` pixels: tuned by hand up to 48, scaled from the large
// geometry above that.
MarkGeometry MarkOfSize(int size) {
    for (const MarkGeometry& tuned : {kMark16, kMark24, kMark32, kMark48}) {
        if (tuned.size == size) {
            return tuned;
        }
    }
    const auto scale = [size](int units) { return units * size / kMarkLarge.size; };
    const auto scalePoint = [&scale](Point p) { return Point{scale(p.x), scale(p.y)}; };
    const MarkGeometry& g = kMarkLarge;
    return {size,
            scale(g.pageLeft),
            scale(g.pageTop),
            scale(g.pageRight),
            scale(g.pageBottom),
            scale(g.fold),
            scale(g.cornerRadius),
            scale(g.outline),
            {scalePoint(g.check[0]), scalePoint(g.check[1]), scalePoint(g.check[2])},
            scale(g.checkHalfWidth),
            {},
            scale(g.checkShadow)};
}

// What a point of the mark belongs to, listed from back to front.
enum class Role : std::uint8_t { None, Body, Rim, Fold, Shadow, Check, Count };

// Inside the page, shrunk by `inset` on every side. The cut corner's edge is a
// 45-degree line, so its inset distance is compared squared to stay exact.
bool InsidePage(const MarkGeometry& g, Point p, int inset) {
    const int left = g.pageLeft + inset;
    const int right = g.pageRight - inset;
    const int top = g.pageTop + inset;
    const int bottom = g.pageBottom - inset;
    if (p.x < left || p.x >= right || p.y < top || p.y >= bottom) {
        return false;
    }
    const int toCut = (g.pageRight - g.fold - g.pageTop) - (p.x - p.y);
    if (toCut < 0 || toCut * toCut < 2 * inset * inset) {
        return false;
    }
    const int radius = g.cornerRadius - inset;
    if (radius <= 0) {
        return true;
    }
    const auto outsideArc = [p, radius](int centreX, int centreY) {
        const int dx = p.x - centreX;
        const int dy = p.y - centreY;
        return dx * dx + dy * dy > radius * radius;
    };
    const bool byLeft = p.x < left + radius;
    const bool byRight = p.x >= right - radius;
    const bool byTop = p.y < top + radius;
    const bool byBottom = p.y >= bottom - radius;
    if (byLeft && byTop && outsideArc(left + radius, top + radius)) {
        return false;
    }
    if (byLeft && byBottom && outsideArc(left + radius, bottom - radius)) {
        return false;
    }
    if (byRight && byBottom && outsideArc(right - radius, bottom - radius)) {
        return false;
    }
    return true;
}

// Within halfWidth of segment a-b, with round ends (so two segments join round).
// Compared squared, so no square root and no rounding.
bool NearSegment(Point p, Point a, Point b, int halfWidth) {
    const long long dx = b.x - a.x;
    const long long dy = b.y - a.y;
    const long long fromAX = p.x - a.x;
    const long long fromAY = p.y - a.y;
    const long long reachSquared = static_cast<long long>(halfWidth) * halfWidth;
    const long long along = fromAX * dx + fromAY * dy;
    const long long lengthSquared = dx * dx + dy * dy;
    if (along <= 0) {
        return fromAX * fromAX + fromAY * fromAY <= reachSquared;
    }
    if (along >= lengthSquared) {
        const long long fromBX = p.x - b.x;
        const long long fromBY = p.y - b.y;
        return fromBX * fromBX + fromBY * fromBY <= reachSquared;
    }
    const long long across = fromAX * dy - fromAY * dx;  // distance times length
    return across * across <= reachSquared * lengthSquared;
}

bool OnCheck(const MarkGeometry& g, Point p) {
    if (g.checkPixels.empty()) {
        return NearSegment(p, g.check[0], g.check[1], g.checkHalfWidth) ||
               NearSegment(p, g.check[1], g.check[2], g.checkHalfWidth);
    }
    const auto row = static_cast<std::size_t>(p.y / kUnitsPerPixel);
    const auto column = static_cast<std::size_t>(p.x / kUnitsPerPixel);
    if (row >= g.checkPixels.size()) {
        return false;
    }
    const std::string_view line = g.checkPixels[row];
    return column < line.size() && line[column] == '#';
}

Role RoleAt(const MarkGeometry& g, Point p) {
    if (!InsidePage(g, p, 0)) {
        return Role::None;
    }
    if (OnCheck(g, p)) {
        return Role::Check;
    }
    if (g.checkShadow != 0 && OnCheck(g, {p.x, p.y - g.checkShadow})) {
        return Role::Shadow;
    }
    if (!InsidePage(g, p, g.outline)) {
        return Role::Rim;
    }
    const int foldLeft = g.pageRight - g.fold;
    const int foldBottom = g.pageTop + g.fold;
    if (p.x >= foldLeft && p.y < foldBottom) {
        const bool onFoldEdge = p.x < foldLeft + g.outline || p.y >= foldBottom - g.outline;
        return onFoldEdge ? Role::Rim : Role::Fold;
    }
    return Role::Body;
}

constexpr Rgb kRim{16, 60, 128};
constexpr Rgb kBodyTop{58, 146, 232};
constexpr Rgb kBodyBottom{22, 98, 196};
constexpr Rgb kFold{196, 224, 250};
constexpr Rgb kCheck{255, 255, 255};
constexpr Rgb kShadow{12, 62, 138};

int BlendChannel(int from, int to, int step, int steps) {
    return from + (to - from) * step / steps;
}

// The body darkens downwards, as if lit from above.
Rgb ColourOf(const MarkGeometry& g, Role role, int y) {
    switch (role) {
    case Role::Rim:
        return kRim;
    case Role::Fold:
        return kFold;
    case Role::Check:
        return kCheck;
    case Role::Shadow:
        return kShadow;
    case Role::Body: {
        const int steps = g.pageBottom - g.pageTop;
        const int step = y - g.pageTop;
        return {ToByte(BlendChannel(kBodyTop.r, kBodyBottom.r, step, steps)),
                ToByte(BlendChannel(kBodyTop.g, kBodyBottom.g, step, steps)),
                ToByte(BlendChannel(kBodyTop.b, kBodyBottom.b, step, steps))};
    }
    case Role::None:
    case Role::Count:
        break;
    }
    return {0, 0, 0};
}

// The mark at one size: full-colour with coverage as alpha, and for the
// palette images the role most of each pixel's samples fell in.
struct MarkRaster {
    Image colour;
    std::vector<Role> roles;  // top row first
};

MarkRaster DrawMark(const MarkGeometry& g) {
    MarkRaster out{MakeImage(g.size, g.size, {0, 0, 0, 0}), {}};
    out.roles.reserve(Area(g.size, g.size));
    for (int y = 0; y < g.size; ++y) {
        for (int x = 0; x < g.size; ++x) {
            std::array<int, static_cast<std::size_t>(Role::Count)> votes{};
            int covered = 0;
            int red = 0;
            int green = 0;
            int blue = 0;
            for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
                for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
                    const Point p{Px(x) + sx * kSampleStep + kSampleStep / 2,
                                  Px(y) + sy * kSampleStep + kSampleStep / 2};
                    const Role role = RoleAt(g, p);
                    ++votes[static_cast<std::size_t>(role)];
                    if (role == Role::None) {
                        continue;
                    }
                    const Rgb c = ColourOf(g, role, p.y);
                    ++covered;
                    red += c.r;
                    green += c.g;
                    blue += c.b;
                }
            }
            // A tie goes to the role nearer the front, so thin features survive.
            std::size_t winner = 0;
            for (std::size_t i = 1; i < votes.size(); ++i) {
                if (votes[i] >= votes[winner]) {
                    winner = i;
                }
            }
            out.roles.push_back(static_cast<Role>(winner));
            if (covered == 0) {
                continue;
            }
            const int half = covered / 2;
            SetPixel(out.colour, x, y,
                     {ToByte((red + half) / covered), ToByte((green + half) / covered),
                      ToByte((blue + half) / covered),
                      ToByte((covered * kOpaque + kSamplesPerPixel / 2) / kSamplesPerPixel)});
        }
    }
    return out;
}

// ---------------------------------------------------------------- palettes

// The sixteen colours every Windows display shows unchanged.
constexpr std::array<Rgb, 16> kWindowsPalette{{
    {0, 0, 0},
    {128, 0, 0},
    {0, 128, 0},
    {128, 128, 0},
    {0, 0, 128},
    {128, 0, 128},
    {0, 128, 128},
    {192, 192, 192},
    {128, 128, 128},
    {255, 0, 0},
    {0, 255, 0},
    {255, 255, 0},
    {0, 0, 255},
    {255, 0, 255},
    {0, 255, 255},
    {255, 255, 255},
}};
constexpr int kWindowsPaletteBits = 4;
static_assert(kWindowsPalette.size() == 1 << kWindowsPaletteBits);
constexpr int kOwnPaletteBits = 8;
constexpr int kTrueColourBits = 32;
constexpr std::uint8_t kBlackIndex = 0;
constexpr std::uint8_t kNavyIndex = 4;
constexpr std::uint8_t kSilverIndex = 7;
constexpr std::uint8_t kBlueIndex = 12;
constexpr std::uint8_t kWhiteIndex = 15;

std::uint8_t WindowsIndexOf(Role role) {
    switch (role) {
    case Role::Rim:
        return kNavyIndex;
    case Role::Body:
        return kBlueIndex;
    case Role::Fold:
        return kSilverIndex;
    case Role::Check:
        return kWhiteIndex;
    case Role::Shadow:
        return kBlueIndex;  // a shadow in flat colour is only noise
    case Role::None:
    case Role::Count:
        break;
    }
    return kBlackIndex;
}

// A palette image: a colour index per pixel plus which pixels are see-through.
// Transparent pixels use index 0, which is always black: the AND mask leaves
// the screen alone there only if the colour XORed onto it is zero.
struct IndexedImage {
    int width;
    int height;
    std::vector<Rgb> palette;           // entry 0 is black
    std::vector<std::uint8_t> indices;  // top row first
    std::vector<bool> transparent;      // top row first
};

IndexedImage IndexWithWindowsPalette(const MarkRaster& mark) {
    IndexedImage out{mark.colour.width,
                     mark.colour.height,
                     {kWindowsPalette.begin(), kWindowsPalette.end()},
                     {},
                     {}};
    for (const Role role : mark.roles) {
        out.indices.push_back(WindowsIndexOf(role));
        out.transparent.push_back(role == Role::None);
    }
    return out;
}

// Pixels at least half covered become opaque. Their colours are grouped by the
// top bits of each channel, fewer bits until the groups fit in the palette,
// and each group is shown as its mean colour.
IndexedImage IndexWithOwnPalette(const MarkRaster& mark) {
    constexpr std::size_t kPaletteSize = 1 << kOwnPaletteBits;
    const Image& image = mark.colour;
    IndexedImage out{image.width, image.height, {{0, 0, 0}}, {}, {}};
    using Key = std::tuple<int, int, int>;
    struct Group {
        int r, g, b, count;
        std::uint8_t index;
    };
    std::map<Key, Group> groups;
    int shift = 0;
    const auto keyOf = [&shift](Rgba c) { return Key{c.r >> shift, c.g >> shift, c.b >> shift}; };
    for (;; ++shift) {
        groups.clear();
        for (const Rgba c : image.pixels) {
            if (!MostlyOpaque(c)) {
                continue;
            }
            Group& group = groups[keyOf(c)];
            group.r += c.r;
            group.g += c.g;
            group.b += c.b;
            ++group.count;
        }
        if (groups.size() < kPaletteSize) {  // entry 0 is spoken for
            break;
        }
    }
    for (auto& [key, group] : groups) {
        group.index = ToByte(static_cast<int>(out.palette.size()));
        const int half = group.count / 2;
        out.palette.push_back({ToByte((group.r + half) / group.count),
                               ToByte((group.g + half) / group.count),
                               ToByte((group.b + half) / group.count)});
    }
    out.palette.resize(kPaletteSize, Rgb{0, 0, 0});
    for (const Rgba c : image.pixels) {
        out.transparent.push_back(!MostlyOpaque(c));
        out.indices.push_back(MostlyOpaque(c) ? groups.at(keyOf(c)).index : kBlackIndex);
    }
    return out;
}

// ---------------------------------------------------------------- file writing

using Bytes = std::vector<std::uint8_t>;

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

Bytes EncodeIndexedIcon(const IndexedImage& image, int bitsPerPixel) {
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
    return out;
}

Bytes EncodeRgbaIcon(const Image& image) {
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
    return out;
}

struct IconEntry {
    int size;
    int bitsPerPixel;
    Bytes dib;
};

Bytes EncodeIco(const std::vector<IconEntry>& entries) {
    constexpr int kDirSize = 6;
    constexpr int kEntrySize = 16;
    constexpr int kTypeIcon = 1;
    Bytes out;
    Put16(out, 0);  // reserved
    Put16(out, kTypeIcon);
    Put16(out, static_cast<int>(entries.size()));
    int offset = kDirSize + kEntrySize * static_cast<int>(entries.size());
    for (const IconEntry& entry : entries) {
        const int colours = entry.bitsPerPixel < 8 ? 1 << entry.bitsPerPixel : 0;  // 0: 256 or more
        out.insert(out.end(), {ToByte(entry.size), ToByte(entry.size), ToByte(colours), 0});
        Put16(out, 1);  // planes
        Put16(out, entry.bitsPerPixel);
        Put32(out, static_cast<int>(entry.dib.size()));
        Put32(out, offset);
        offset += static_cast<int>(entry.dib.size());
    }
    for (const IconEntry& entry : entries) {
        out.insert(out.end(), entry.dib.begin(), entry.dib.end());
    }
    return out;
}

// ---------------------------------------------------------------- the logo

// The name in a bold hand-made pixel font, two-pixel stems. '#' is ink, '+'
// half ink (it rounds the curves), '.' paper. The first row is the cap
// height; the Q's tail hangs below the baseline.
constexpr std::array<std::string_view, 15> kWordmark{{
    "...+####+...........................................##..........",
    "..########..........................................##..........",
    ".###+..+###.....................................................",
    "+##+....+##+....................................................",
    "##+......+##..##....##...+####+...##+###..##....##..##..##+##+..",
    "##........##..##....##..+######+..######..##....##..##..#######+",
    "##........##..##....##..##+..+##..###+....##....##..##..###+.+##",
    "##........##..##....##..##....##..##+.....+##..##+..##..##....##",
    "##+......+##..##....##..##....##..##.......##..##...##..##....##",
    "+##+....+##+..##....##..##....##..##.......+####+...##..##....##",
    ".###+..+###...##...+##..##+..+##..##........####....##..##....##",
    "..########....+##++###..+######+..##........+##+....##..##....##",
    "...+####+......+###+##...+####+...##.........##.....##..##....##",
    "......+##+......................................................",
    ".......+###+....................................................",
}};

// The Windows logo is opaque, so its paper must match the dialog behind it:
// this is COLOR_BTNFACE in Windows' default colours since Vista.
constexpr Rgb kDialogFace{240, 240, 240};
constexpr Rgb kInk{28, 56, 104};

int Mix(int ink, int paper, int inkParts, int parts) {
    return (ink * inkParts + paper * (parts - inkParts) + parts / 2) / parts;
}

void PutOver(Image& image, int x, int y, Rgb c, int alpha) {
    const Rgba under = Pixel(image, x, y);
    SetPixel(image, x, y,
             {ToByte(Mix(c.r, under.r, alpha, kOpaque)), ToByte(Mix(c.g, under.g, alpha, kOpaque)),
              ToByte(Mix(c.b, under.b, alpha, kOpaque)), kOpaque});
}

constexpr int kLogoWidth = 99;
constexpr int kLogoHeight = 29;
constexpr int kLogoMarkLeft = 3;
constexpr int kLogoMarkTop = (kLogoHeight - kMark24.size + 1) / 2;
constexpr int kLogoTextLeft = kLogoMarkLeft + kMark24.size + 5;
constexpr int kLogoCapTop = 8;
constexpr int kHalfInk = (kOpaque + 1) / 2;

// The logo without its paper, in two layers of the logo's size: the mark in
// its own colours, and the wordmark, every pixel of which has the ink's
// colour, so that a program that inks it otherwise can take the drawn ink
// from any pixel. Coverage is the alpha, not premultiplied, so either layer
// can be laid on any paper; the layers never overlap. The bitmaps are the
// two laid on the dialog face; the native program lays them on its own.
struct LogoLayers {
    Image mark;
    Image wordmark;
};

LogoLayers MakeLogoLayers(int width, int height) {
    return {MakeImage(width, height, {0, 0, 0, 0}),
            MakeImage(width, height, {kInk.r, kInk.g, kInk.b, 0})};
}

// The mark put into its layer, its top-left corner at (left, top).
void PutMark(Image& layer, const MarkGeometry& g, int left, int top) {
    const Image mark = DrawMark(g).colour;
    for (int y = 0; y < mark.height; ++y) {
        for (int x = 0; x < mark.width; ++x) {
            SetPixel(layer, left + x, top + y, Pixel(mark, x, y));
        }
    }
}

void PutInk(Image& wordmark, int x, int y, int alpha) {
    SetPixel(wordmark, x, y, {kInk.r, kInk.g, kInk.b, ToByte(alpha)});
}

// The layers laid, in order, on opaque paper.
Image OnPaper(const LogoLayers& layers, Rgb paper) {
    Image out =
        MakeImage(layers.mark.width, layers.mark.height, {paper.r, paper.g, paper.b, kOpaque});
    for (const Image* layer : {&layers.mark, &layers.wordmark}) {
        for (int y = 0; y < out.height; ++y) {
            for (int x = 0; x < out.width; ++x) {
                const Rgba c = Pixel(*layer, x, y);
                PutOver(out, x, y, {c.r, c.g, c.b}, c.a);
            }
        }
    }
    return out;
}

char WordmarkCell(int column, int row) {
    if (row < 0 || row >= static_cast<int>(kWordmark.size())) {
        return '.';
    }
    const std::string_view line = kWordmark[static_cast<std::size_t>(row)];
    return column >= 0 && column < static_cast<int>(line.size())
               ? line[static_cast<std::size_t>(column)]
               : '.';
}

LogoLayers DrawLogoLayers() {
    LogoLayers logo = MakeLogoLayers(kLogoWidth, kLogoHeight);
    PutMark(logo.mark, kMark24, kLogoMarkLeft, kLogoMarkTop);
    for (int row = 0; row < static_cast<int>(kWordmark.size()); ++row) {
        for (int column = 0; column < static_cast<int>(kWordmark[0].size()); ++column) {
            const int x = kLogoTextLeft + column;
            const int y = kLogoCapTop + row;
            if (WordmarkCell(column, row) == '#') {
                PutInk(logo.wordmark, x, y, kOpaque);
            }
            if (WordmarkCell(column, row) == '+') {
                PutInk(logo.wordmark, x, y, kHalfInk);
            }
        }
    }
    return logo;
}

// The logo's mark at twice the size: the page of the 24-pixel mark, whose
// corners and rim it doubles, with its check drawn as a stroke along the
// middle of the 24-pixel one's pixels. (The 48-pixel icon leaves a margin
// around its page, which would shrink the mark in the logo.)
constexpr MarkGeometry kLogoMark48{48,
                                   Px(6),
                                   Px(0),
                                   Px(42),
                                   Px(48),
                                   Px(14),
                                   Px(1),
                                   Px(2),
                                   {{{Px(12) + kHalfPixel, Px(28) + kHalfPixel},
                                     {Px(19), Px(35) + 2},
                                     {Px(33) + kHalfPixel, Px(21)}}},
                                   Px(3),
                                   {},
                                   Px(2)};

// The logo for screens of 150 % and more: the same layout at twice the
// size, with the mark drawn for 48 pixels. Each letter cell becomes 2 x 2
// pixels. A half-inked cell rounds a curve: at this size it is cut along
// its diagonal, inked on the side of its inked neighbours, so the curve
// steps half as coarsely instead of blurring; one whose neighbours do not
// say which side stays half-inked.
LogoLayers DrawLogoLayersAtTwiceTheSize() {
    constexpr int kScale = 2;
    LogoLayers logo = MakeLogoLayers(kScale * kLogoWidth, kScale * kLogoHeight);
    PutMark(logo.mark, kLogoMark48, kScale * kLogoMarkLeft, kScale * kLogoMarkTop);
    const auto inked = [](int column, int row) { return WordmarkCell(column, row) == '#'; };
    for (int row = 0; row < static_cast<int>(kWordmark.size()); ++row) {
        for (int column = 0; column < static_cast<int>(kWordmark[0].size()); ++column) {
            const char cell = WordmarkCell(column, row);
            if (cell == '.') {
                continue;
            }
            // The corner of the cell left as paper: away from the inked
            // neighbour across and the one up or down, when there is one of each.
            const bool left = inked(column - 1, row);
            const bool right = inked(column + 1, row);
            const bool above = inked(column, row - 1);
            const bool below = inked(column, row + 1);
            const bool cut = cell == '+' && left != right && above != below;
            const int paperX = left ? 1 : 0;
            const int paperY = above ? 1 : 0;
            for (int dy = 0; dy < kScale; ++dy) {
                for (int dx = 0; dx < kScale; ++dx) {
                    int alpha = kOpaque;
                    if (cell == '+') {
                        const bool paper = dx == paperX && dy == paperY;
                        const bool ink = dx != paperX && dy != paperY;
                        alpha = !cut ? kHalfInk : paper ? 0 : ink ? kOpaque : kHalfInk;
                    }
                    PutInk(logo.wordmark, kScale * (kLogoTextLeft + column) + dx,
                           kScale * (kLogoCapTop + row) + dy, alpha);
                }
            }
        }
    }
    return logo;
}

// ---------------------------------------------------------------- the icon theme

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

std::string HexColour(Rgb c) {
    std::array<char, 8> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.r, c.g, c.b));
    return text.data();
}

// A length in eighths of a pixel, in pixels: at most three decimals, exact.
std::string Pixels(int units) {
    std::string text = std::to_string(units / kUnitsPerPixel);
    const int eighths = units % kUnitsPerPixel;
    if (eighths != 0) {
        const std::string fraction = std::to_string(eighths * 1000 / kUnitsPerPixel);
        text += "." + std::string(3 - fraction.size(), '0') + fraction;
        text.erase(text.find_last_not_of('0') + 1);
    }
    return text;
}

std::string PointText(Point p) { return Pixels(p.x) + "," + Pixels(p.y); }

// The page's outline: three corners rounded, the top-right one cut off.
std::string PagePath(const MarkGeometry& g) {
    const std::string r = Pixels(g.cornerRadius);
    const std::string arc = " A" + r + "," + r + " 0 0 1 ";
    return "M" + PointText({g.pageLeft, g.pageTop + g.cornerRadius}) + arc +
           PointText({g.pageLeft + g.cornerRadius, g.pageTop}) + " H" +
           Pixels(g.pageRight - g.fold) + " L" + PointText({g.pageRight, g.pageTop + g.fold}) +
           " V" + Pixels(g.pageBottom - g.cornerRadius) + arc +
           PointText({g.pageRight - g.cornerRadius, g.pageBottom}) + " H" +
           Pixels(g.pageLeft + g.cornerRadius) + arc +
           PointText({g.pageLeft, g.pageBottom - g.cornerRadius}) + " Z";
}

std::string RectText(int left, int top, int right, int bottom, Rgb fill) {
    return "<rect x=\"" + Pixels(left) + "\" y=\"" + Pixels(top) + "\" width=\"" +
           Pixels(right - left) + "\" height=\"" + Pixels(bottom - top) + "\" fill=\"" +
           HexColour(fill) + "\"/>\n";
}

// The mark as the raster draws it, painted back to front and clipped to the
// page: the body's gradient, the fold with its two rim edges, the rim (the
// inner half of a stroke along the outline), the check's shadow, the check.
std::string DrawMarkSvg(const MarkGeometry& g) {
    const std::string size = std::to_string(g.size);
    const std::string page = PagePath(g);
    const std::string check =
        "M" + PointText(g.check[0]) + " L" + PointText(g.check[1]) + " L" + PointText(g.check[2]);
    const std::string stroke = "fill=\"none\" stroke-width=\"" + Pixels(2 * g.checkHalfWidth) +
                               "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
    const int foldLeft = g.pageRight - g.fold;
    const int foldBottom = g.pageTop + g.fold;
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + size + "\" height=\"" + size +
           "\" viewBox=\"0 0 " + size + " " + size +
           "\">\n<defs>\n<clipPath id=\"page\"><path d=\"" + page +
           "\"/></clipPath>\n<linearGradient id=\"body\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" "
           "y1=\"" +
           Pixels(g.pageTop) + "\" x2=\"0\" y2=\"" + Pixels(g.pageBottom) +
           "\">\n<stop offset=\"0\" stop-color=\"" + HexColour(kBodyTop) +
           "\"/>\n<stop offset=\"1\" stop-color=\"" + HexColour(kBodyBottom) +
           "\"/>\n</linearGradient>\n</defs>\n<g clip-path=\"url(#page)\">\n<path d=\"" + page +
           "\" fill=\"url(#body)\"/>\n" +
           RectText(foldLeft, g.pageTop, g.pageRight, foldBottom, kFold) +
           RectText(foldLeft, g.pageTop, foldLeft + g.outline, foldBottom, kRim) +
           RectText(foldLeft, foldBottom - g.outline, g.pageRight, foldBottom, kRim) +
           "<path d=\"" + page + "\" fill=\"none\" stroke=\"" + HexColour(kRim) +
           "\" stroke-width=\"" + Pixels(2 * g.outline) + "\"/>\n<path d=\"" + check +
           "\" transform=\"translate(0 " + Pixels(g.checkShadow) + ")\" stroke=\"" +
           HexColour(kShadow) + "\" " + stroke + "/>\n<path d=\"" + check + "\" stroke=\"" +
           HexColour(kCheck) + "\" " + stroke + "/>\n</g>\n</svg>\n";
}

// ---------------------------------------------------------------- main

bool WriteFile(const char* path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

IconEntry WindowsPaletteIcon(const MarkRaster& mark) {
    return {mark.colour.width, kWindowsPaletteBits,
            EncodeIndexedIcon(IndexWithWindowsPalette(mark), kWindowsPaletteBits)};
}

IconEntry OwnPaletteIcon(const MarkRaster& mark) {
    return {mark.colour.width, kOwnPaletteBits,
            EncodeIndexedIcon(IndexWithOwnPalette(mark), kOwnPaletteBits)};
}

IconEntry TrueColourIcon(const MarkRaster& mark) {
    return {mark.colour.width, kTrueColourBits, EncodeRgbaIcon(mark.colour)};
}

Bytes DrawIcon() {
    const MarkRaster mark16 = DrawMark(kMark16);
    const MarkRaster mark32 = DrawMark(kMark32);
    const MarkRaster mark48 = DrawMark(kMark48);
    // Fewest colours first, as icon files traditionally are; Windows picks the
    // best match for the display whatever the order.
    return EncodeIco({
        WindowsPaletteIcon(mark32),
        WindowsPaletteIcon(mark16),
        OwnPaletteIcon(mark48),
        OwnPaletteIcon(mark32),
        OwnPaletteIcon(mark16),
        TrueColourIcon(mark48),
        TrueColourIcon(mark32),
        TrueColourIcon(mark16),
    });
}

// The icon theme's files under `folder`, NAME.png at each size and NAME.svg.
bool DrawIconTheme(const std::filesystem::path& folder, const std::string& name,
                   std::span<const int> sizes) {
    const auto write = [&](const std::string& subfolder, const std::string& file,
                           const Bytes& bytes) {
        const std::filesystem::path path = folder / subfolder / "apps";
        std::error_code error;
        std::filesystem::create_directories(path, error);
        const bool written = !bytes.empty() && !error && WriteFile((path / file).c_str(), bytes);
        if (!written) {
            static_cast<void>(
                std::fprintf(stderr, "draw_art: cannot write %s\n", (path / file).c_str()));
        }
        return written;
    };
    for (const int size : sizes) {
        const std::string square = std::to_string(size) + "x" + std::to_string(size);
        if (!write(square, name + ".png", EncodePng(DrawMark(MarkOfSize(size)).colour))) {
            return false;
        }
    }
    const std::string svg = DrawMarkSvg(kMarkLarge);
    return write("scalable", name + ".svg", Bytes(svg.begin(), svg.end()));
}

// Each file with its bytes; false, having said which, at the first that
// cannot be written. An encoder that failed gave no bytes.
bool WriteFiles(std::initializer_list<std::pair<const char*, Bytes>> files) {
    return std::ranges::all_of(files, [](const std::pair<const char*, Bytes>& file) {
        const auto& [path, bytes] = file;
        if (bytes.empty() || !WriteFile(path, bytes)) {
            static_cast<void>(std::fprintf(stderr, "draw_art: cannot write %s\n", path));
            return false;
        }
        return true;
    });
}

// Sizes of icons a theme can hold: up to 1024 pixels a side.
constexpr int kLargestIcon = 1024;

}  // namespace

int main(int argc, char** argv) {
    const std::span<char*> arguments(argv, static_cast<std::size_t>(argc));
    if (argc >= 5 && std::string_view(arguments[1]) == "--icon-theme") {
        std::vector<int> sizes;
        for (const std::string_view text : arguments.subspan(4)) {
            int size = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
            if (error != std::errc() || end != text.data() + text.size() || size <= 0 ||
                size > kLargestIcon) {
                static_cast<void>(
                    std::fprintf(stderr, "draw_art: no icon size: %s\n", text.data()));
                return 2;
            }
            sizes.push_back(size);
        }
        return DrawIconTheme(arguments[2], arguments[3], sizes) ? 0 : 1;
    }
    if (argc == 6 && std::string_view(arguments[1]) == "--logo-layers") {
        const LogoLayers logo = DrawLogoLayers();
        const LogoLayers logo2x = DrawLogoLayersAtTwiceTheSize();
        return WriteFiles({{arguments[2], EncodePng(logo.mark)},
                           {arguments[3], EncodePng(logo.wordmark)},
                           {arguments[4], EncodePng(logo2x.mark)},
                           {arguments[5], EncodePng(logo2x.wordmark)}})
                   ? 0
                   : 1;
    }
    if (argc != 4) {
        // A diagnostic that cannot be written has nowhere else to go; the exit
        // status still reports the failure.
        static_cast<void>(
            std::fputs("usage: draw_art OUT_LOGO_BMP OUT_LOGO_2X_BMP OUT_ICO\n"
                       "       draw_art --icon-theme OUT_DIR NAME SIZE...\n"
                       "       draw_art --logo-layers OUT_MARK_PNG OUT_WORDMARK_PNG "
                       "OUT_MARK_2X_PNG OUT_WORDMARK_2X_PNG\n",
                       stderr));
        return 2;
    }
    return WriteFiles(
               {{arguments[1], EncodeBmp(OnPaper(DrawLogoLayers(), kDialogFace))},
                {arguments[2], EncodeBmp(OnPaper(DrawLogoLayersAtTwiceTheSize(), kDialogFace))},
                {arguments[3], DrawIcon()}})
               ? 0
               : 1;
}
