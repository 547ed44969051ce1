// Draws Quorvin's artwork: the application icon (a folded-corner document
// carrying a check mark) and the small wordmark logo shown in the dialog.
//
//   draw_art OUT_LOGO_BMP OUT_ICO
//
// Everything is integer arithmetic so the files come out byte-identical on
// every host; the outputs are checked in, and rebuilding must not churn them.
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <span>
#include <string_view>
#include <tuple>
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
std::size_t area(int width, int height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// Where pixel (x, y) sits in a raster `width` pixels wide, top row first.
std::size_t pixel_index(int width, int x, int y) {
  return area(width, y) + static_cast<std::size_t>(x);  // y whole rows, then x
}

Image make_image(int width, int height, Rgba fill) {
  return {width, height, std::vector<Rgba>(area(width, height), fill)};
}

Rgba pixel(const Image& image, int x, int y) {
  return image.pixels[pixel_index(image.width, x, y)];
}

void set_pixel(Image& image, int x, int y, Rgba c) {
  image.pixels[pixel_index(image.width, x, y)] = c;
}

std::uint8_t to_byte(int value) { return static_cast<std::uint8_t>(value); }

constexpr int kOpaque = 255;

bool mostly_opaque(Rgba c) { return 2 * c.a > kOpaque; }

// ---------------------------------------------------------------- the mark

// Geometry is in eighths of a pixel. Each pixel is sampled 4 x 4 at the odd
// eighths, so an edge on a whole pixel never splits a pixel's samples: that is
// how the small sizes are kept sharp.
constexpr int kUnitsPerPixel = 8;
constexpr int kSamplesPerAxis = 4;
constexpr int kSamplesPerPixel = kSamplesPerAxis * kSamplesPerAxis;
constexpr int kSampleStep = kUnitsPerPixel / kSamplesPerAxis;

constexpr int px(int pixels) { return pixels * kUnitsPerPixel; }
constexpr int kHalfPixel = kUnitsPerPixel / 2;

struct Point {
  int x, y;
};

// One size of the mark, tuned by hand for its pixel grid.
struct MarkGeometry {
  int size;  // pixels, square
  int page_left, page_top, page_right, page_bottom;
  int fold;           // side of the folded-over top-right corner
  int corner_radius;  // of the other three corners
  int outline;        // width of the dark rim
  std::array<Point, 3> check;  // short arm's end, the bend, long arm's end
  int check_half_width;  // the stroke is rounded at its ends and its bend
  // At small sizes a smooth stroke only blurs; there the check is placed pixel
  // by pixel instead ('#' is check), one string a row from the top.
  std::span<const std::string_view> check_pixels;
  int check_shadow;  // how far below the check its shadow falls; 0 for none
};

constexpr std::array<std::string_view, 13> kCheckPixels16{{
    "", "", "", "", "", "",
    "..........##",
    ".........###",
    "....#...###",
    "....##.###",
    "....#####",
    ".....###",
    "......#",
}};

constexpr std::array<std::string_view, 19> kCheckPixels24{{
    "", "", "", "", "", "", "", "", "", "",
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
constexpr MarkGeometry kMark16{
    16, px(2), px(0), px(14), px(16), px(5), 0, px(1), {}, 0, kCheckPixels16, 0};
constexpr MarkGeometry kMark24{
    24, px(3), px(0), px(21), px(24), px(7), kHalfPixel, px(1), {}, 0, kCheckPixels24, px(1)};
constexpr MarkGeometry kMark32{
    32, px(4), px(1), px(28), px(31), px(9), px(1), px(1),
    {{{px(9) + kHalfPixel, px(18) + kHalfPixel}, {px(14), px(23)}, {px(22) + kHalfPixel, px(13)}}},
    px(7) / 4, {}, px(1)};
constexpr MarkGeometry kMark48{
    48, px(7), px(2), px(41), px(46), px(13), px(2), px(1),
    {{{px(14), px(28)}, {px(21), px(35)}, {px(34), px(20)}}}, px(3), {}, px(1)};

// What a point of the mark belongs to, listed from back to front.
enum class Role : std::uint8_t { none, body, rim, fold, shadow, check, count };

// Inside the page, shrunk by `inset` on every side. The cut corner's edge is a
// 45-degree line, so its inset distance is compared squared to stay exact.
bool inside_page(const MarkGeometry& g, Point p, int inset) {
  const int left = g.page_left + inset;
  const int right = g.page_right - inset;
  const int top = g.page_top + inset;
  const int bottom = g.page_bottom - inset;
  if (p.x < left || p.x >= right || p.y < top || p.y >= bottom) {
    return false;
  }
  const int to_cut = (g.page_right - g.fold - g.page_top) - (p.x - p.y);
  if (to_cut < 0 || to_cut * to_cut < 2 * inset * inset) {
    return false;
  }
  const int radius = g.corner_radius - inset;
  if (radius <= 0) {
    return true;
  }
  const auto outside_arc = [p, radius](int centre_x, int centre_y) {
    const int dx = p.x - centre_x;
    const int dy = p.y - centre_y;
    return dx * dx + dy * dy > radius * radius;
  };
  const bool by_left = p.x < left + radius;
  const bool by_right = p.x >= right - radius;
  const bool by_top = p.y < top + radius;
  const bool by_bottom = p.y >= bottom - radius;
  if (by_left && by_top && outside_arc(left + radius, top + radius)) {
    return false;
  }
  if (by_left && by_bottom && outside_arc(left + radius, bottom - radius)) {
    return false;
  }
  if (by_right && by_bottom && outside_arc(right - radius, bottom - radius)) {
    return false;
  }
  return true;
}

// Within half_width of segment a-b, with round ends (so two segments join round).
// Compared squared, so no square root and no rounding.
bool near_segment(Point p, Point a, Point b, int half_width) {
  const long long dx = b.x - a.x;
  const long long dy = b.y - a.y;
  const long long from_a_x = p.x - a.x;
  const long long from_a_y = p.y - a.y;
  const long long reach_squared = static_cast<long long>(half_width) * half_width;
  const long long along = from_a_x * dx + from_a_y * dy;
  const long long length_squared = dx * dx + dy * dy;
  if (along <= 0) {
    return from_a_x * from_a_x + from_a_y * from_a_y <= reach_squared;
  }
  if (along >= length_squared) {
    const long long from_b_x = p.x - b.x;
    const long long from_b_y = p.y - b.y;
    return from_b_x * from_b_x + from_b_y * from_b_y <= reach_squared;
  }
  const long long across = from_a_x * dy - from_a_y * dx;  // distance times length
  return across * across <= reach_squared * length_squared;
}

bool on_check(const MarkGeometry& g, Point p) {
  if (g.check_pixels.empty()) {
    return near_segment(p, g.check[0], g.check[1], g.check_half_width) ||
           near_segment(p, g.check[1], g.check[2], g.check_half_width);
  }
  const auto row = static_cast<std::size_t>(p.y / kUnitsPerPixel);
  const auto column = static_cast<std::size_t>(p.x / kUnitsPerPixel);
  if (row >= g.check_pixels.size()) {
    return false;
  }
  const std::string_view line = g.check_pixels[row];
  return column < line.size() && line[column] == '#';
}

Role role_at(const MarkGeometry& g, Point p) {
  if (!inside_page(g, p, 0)) {
    return Role::none;
  }
  if (on_check(g, p)) {
    return Role::check;
  }
  if (g.check_shadow != 0 && on_check(g, {p.x, p.y - g.check_shadow})) {
    return Role::shadow;
  }
  if (!inside_page(g, p, g.outline)) {
    return Role::rim;
  }
  const int fold_left = g.page_right - g.fold;
  const int fold_bottom = g.page_top + g.fold;
  if (p.x >= fold_left && p.y < fold_bottom) {
    const bool on_fold_edge = p.x < fold_left + g.outline || p.y >= fold_bottom - g.outline;
    return on_fold_edge ? Role::rim : Role::fold;
  }
  return Role::body;
}

constexpr Rgb kRim{16, 60, 128};
constexpr Rgb kBodyTop{58, 146, 232};
constexpr Rgb kBodyBottom{22, 98, 196};
constexpr Rgb kFold{196, 224, 250};
constexpr Rgb kCheck{255, 255, 255};
constexpr Rgb kShadow{12, 62, 138};

int blend_channel(int from, int to, int step, int steps) { return from + (to - from) * step / steps; }

// The body darkens downwards, as if lit from above.
Rgb colour_of(const MarkGeometry& g, Role role, int y) {
  switch (role) {
    case Role::rim: return kRim;
    case Role::fold: return kFold;
    case Role::check: return kCheck;
    case Role::shadow: return kShadow;
    case Role::body: {
      const int steps = g.page_bottom - g.page_top;
      const int step = y - g.page_top;
      return {to_byte(blend_channel(kBodyTop.r, kBodyBottom.r, step, steps)),
              to_byte(blend_channel(kBodyTop.g, kBodyBottom.g, step, steps)),
              to_byte(blend_channel(kBodyTop.b, kBodyBottom.b, step, steps))};
    }
    case Role::none:
    case Role::count: break;
  }
  return {0, 0, 0};
}

// The mark at one size: full-colour with coverage as alpha, and for the
// palette images the role most of each pixel's samples fell in.
struct MarkRaster {
  Image colour;
  std::vector<Role> roles;  // top row first
};

MarkRaster draw_mark(const MarkGeometry& g) {
  MarkRaster out{make_image(g.size, g.size, {0, 0, 0, 0}), {}};
  out.roles.reserve(area(g.size, g.size));
  for (int y = 0; y < g.size; ++y) {
    for (int x = 0; x < g.size; ++x) {
      std::array<int, static_cast<std::size_t>(Role::count)> votes{};
      int covered = 0;
      int red = 0;
      int green = 0;
      int blue = 0;
      for (int sy = 0; sy < kSamplesPerAxis; ++sy) {
        for (int sx = 0; sx < kSamplesPerAxis; ++sx) {
          const Point p{px(x) + sx * kSampleStep + kSampleStep / 2,
                        px(y) + sy * kSampleStep + kSampleStep / 2};
          const Role role = role_at(g, p);
          ++votes[static_cast<std::size_t>(role)];
          if (role == Role::none) {
            continue;
          }
          const Rgb c = colour_of(g, role, p.y);
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
      set_pixel(out.colour, x, y,
                {to_byte((red + half) / covered), to_byte((green + half) / covered),
                 to_byte((blue + half) / covered),
                 to_byte((covered * kOpaque + kSamplesPerPixel / 2) / kSamplesPerPixel)});
    }
  }
  return out;
}

// ---------------------------------------------------------------- palettes

// The sixteen colours every Windows display shows unchanged.
constexpr std::array<Rgb, 16> kWindowsPalette{{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
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

std::uint8_t windows_index_of(Role role) {
  switch (role) {
    case Role::rim: return kNavyIndex;
    case Role::body: return kBlueIndex;
    case Role::fold: return kSilverIndex;
    case Role::check: return kWhiteIndex;
    case Role::shadow: return kBlueIndex;  // a shadow in flat colour is only noise
    case Role::none:
    case Role::count: break;
  }
  return kBlackIndex;
}

// A palette image: a colour index per pixel plus which pixels are see-through.
// Transparent pixels use index 0, which is always black: the AND mask leaves
// the screen alone there only if the colour XORed onto it is zero.
struct IndexedImage {
  int width;
  int height;
  std::vector<Rgb> palette;  // entry 0 is black
  std::vector<std::uint8_t> indices;  // top row first
  std::vector<bool> transparent;      // top row first
};

IndexedImage index_with_windows_palette(const MarkRaster& mark) {
  IndexedImage out{mark.colour.width, mark.colour.height,
                   {kWindowsPalette.begin(), kWindowsPalette.end()}, {}, {}};
  for (const Role role : mark.roles) {
    out.indices.push_back(windows_index_of(role));
    out.transparent.push_back(role == Role::none);
  }
  return out;
}

// Pixels at least half covered become opaque. Their colours are grouped by the
// top bits of each channel, fewer bits until the groups fit in the palette,
// and each group is shown as its mean colour.
IndexedImage index_with_own_palette(const MarkRaster& mark) {
  constexpr std::size_t palette_size = 1 << kOwnPaletteBits;
  const Image& image = mark.colour;
  IndexedImage out{image.width, image.height, {{0, 0, 0}}, {}, {}};
  using Key = std::tuple<int, int, int>;
  struct Group {
    int r, g, b, count;
    std::uint8_t index;
  };
  std::map<Key, Group> groups;
  int shift = 0;
  const auto key_of = [&shift](Rgba c) { return Key{c.r >> shift, c.g >> shift, c.b >> shift}; };
  for (;; ++shift) {
    groups.clear();
    for (const Rgba c : image.pixels) {
      if (!mostly_opaque(c)) {
        continue;
      }
      Group& group = groups[key_of(c)];
      group.r += c.r;
      group.g += c.g;
      group.b += c.b;
      ++group.count;
    }
    if (groups.size() < palette_size) {  // entry 0 is spoken for
      break;
    }
  }
  for (auto& [key, group] : groups) {
    group.index = to_byte(static_cast<int>(out.palette.size()));
    const int half = group.count / 2;
    out.palette.push_back({to_byte((group.r + half) / group.count),
                           to_byte((group.g + half) / group.count),
                           to_byte((group.b + half) / group.count)});
  }
  out.palette.resize(palette_size, Rgb{0, 0, 0});
  for (const Rgba c : image.pixels) {
    out.transparent.push_back(!mostly_opaque(c));
    out.indices.push_back(mostly_opaque(c) ? groups.at(key_of(c)).index : kBlackIndex);
  }
  return out;
}

// ---------------------------------------------------------------- file writing

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& out, int value) {
  out.push_back(to_byte(value & 0xFF));
  out.push_back(to_byte((value >> 8) & 0xFF));
}

void put32(Bytes& out, int value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
}

constexpr int kBmpBits = 24;

// DIB rows start on 4-byte boundaries.
int row_stride(int width, int bits_per_pixel) { return (width * bits_per_pixel + 31) / 32 * 4; }

constexpr int kInfoHeaderSize = 40;
constexpr int kBiRgb = 0;
constexpr int kPixelsPerMetre = 3780;  // 96 dpi

// In an icon image's header only the size, width, height, planes, bit count
// and image size mean anything; every other field, the resolution among
// them, is to be 0. A plain bitmap states its resolution.
void put_info_header(Bytes& out, int width, int height, int bits_per_pixel, int image_size,
                     int pixels_per_metre) {
  put32(out, kInfoHeaderSize);
  put32(out, width);
  put32(out, height);
  put16(out, 1);  // planes
  put16(out, bits_per_pixel);
  put32(out, kBiRgb);
  put32(out, image_size);
  put32(out, pixels_per_metre);
  put32(out, pixels_per_metre);
  put32(out, 0);  // all palette entries used
  put32(out, 0);  // all palette entries important
}

void pad_row(Bytes& out, std::size_t row_start, int stride) {
  out.resize(row_start + static_cast<std::size_t>(stride), 0);
}

Bytes encode_bmp(const Image& image) {
  constexpr int kFileHeaderSize = 14;
  const int stride = row_stride(image.width, kBmpBits);
  const int image_size = stride * image.height;
  const int offset = kFileHeaderSize + kInfoHeaderSize;
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  put32(out, offset + image_size);
  put32(out, 0);  // reserved
  put32(out, offset);
  put_info_header(out, image.width, image.height, kBmpBits, image_size, kPixelsPerMetre);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    for (int x = 0; x < image.width; ++x) {
      const Rgba c = pixel(image, x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    pad_row(out, row_start, stride);
  }
  return out;
}

// An icon image's AND mask: one bit a pixel, set where the screen shows through.
void put_and_mask(Bytes& out, int width, int height, const std::vector<bool>& transparent) {
  const int stride = row_stride(width, 1);
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    pad_row(out, row_start, stride);
    for (int x = 0; x < width; ++x) {
      if (transparent[pixel_index(width, x, y)]) {
        out[row_start + static_cast<std::size_t>(x / 8)] |= to_byte(0x80 >> (x % 8));
      }
    }
  }
}

// An icon's DIB stacks the colour rows and the mask rows, hence twice the height.
void put_icon_header(Bytes& out, int width, int height, int bits_per_pixel) {
  const int image_size = (row_stride(width, bits_per_pixel) + row_stride(width, 1)) * height;
  put_info_header(out, width, 2 * height, bits_per_pixel, image_size, 0);
}

Bytes encode_indexed_icon(const IndexedImage& image, int bits_per_pixel) {
  Bytes out;
  put_icon_header(out, image.width, image.height, bits_per_pixel);
  for (const Rgb c : image.palette) {
    out.insert(out.end(), {c.b, c.g, c.r, 0});
  }
  const int stride = row_stride(image.width, bits_per_pixel);
  const int per_byte = 8 / bits_per_pixel;
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t row_start = out.size();
    pad_row(out, row_start, stride);
    for (int x = 0; x < image.width; ++x) {
      const int index = image.indices[pixel_index(image.width, x, y)];
      const int shift = (per_byte - 1 - x % per_byte) * bits_per_pixel;  // leftmost pixel in the high bits
      out[row_start + static_cast<std::size_t>(x / per_byte)] |= to_byte(index << shift);
    }
  }
  put_and_mask(out, image.width, image.height, image.transparent);
  return out;
}

Bytes encode_rgba_icon(const Image& image) {
  Bytes out;
  put_icon_header(out, image.width, image.height, kTrueColourBits);
  std::vector<bool> transparent;
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba c = pixel(image, x, y);
      out.insert(out.end(), {c.b, c.g, c.r, c.a});
    }
  }
  for (const Rgba c : image.pixels) {
    transparent.push_back(c.a == 0);
  }
  put_and_mask(out, image.width, image.height, transparent);
  return out;
}

struct IconEntry {
  int size;
  int bits_per_pixel;
  Bytes dib;
};

Bytes encode_ico(const std::vector<IconEntry>& entries) {
  constexpr int kDirSize = 6;
  constexpr int kEntrySize = 16;
  constexpr int kTypeIcon = 1;
  Bytes out;
  put16(out, 0);  // reserved
  put16(out, kTypeIcon);
  put16(out, static_cast<int>(entries.size()));
  int offset = kDirSize + kEntrySize * static_cast<int>(entries.size());
  for (const IconEntry& entry : entries) {
    const int colours = entry.bits_per_pixel < 8 ? 1 << entry.bits_per_pixel : 0;  // 0: 256 or more
    out.insert(out.end(), {to_byte(entry.size), to_byte(entry.size), to_byte(colours), 0});
    put16(out, 1);  // planes
    put16(out, entry.bits_per_pixel);
    put32(out, static_cast<int>(entry.dib.size()));
    put32(out, offset);
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

// The logo is opaque, so its paper must match the dialog behind it: this is
// COLOR_BTNFACE in Windows' default colours since Vista.
constexpr Rgb kDialogFace{240, 240, 240};
constexpr Rgb kInk{28, 56, 104};

int mix(int ink, int paper, int ink_parts, int parts) {
  return (ink * ink_parts + paper * (parts - ink_parts) + parts / 2) / parts;
}

void put_over(Image& image, int x, int y, Rgb c, int alpha) {
  const Rgba under = pixel(image, x, y);
  set_pixel(image, x, y,
            {to_byte(mix(c.r, under.r, alpha, kOpaque)), to_byte(mix(c.g, under.g, alpha, kOpaque)),
             to_byte(mix(c.b, under.b, alpha, kOpaque)), kOpaque});
}

Image draw_logo() {
  constexpr int kWidth = 99;
  constexpr int kHeight = 29;
  constexpr int kMarkLeft = 3;
  constexpr int kMarkTop = (kHeight - kMark24.size + 1) / 2;
  constexpr int kTextGap = 5;
  constexpr int kCapTop = 8;
  Image logo = make_image(kWidth, kHeight, {kDialogFace.r, kDialogFace.g, kDialogFace.b, kOpaque});

  const Image mark = draw_mark(kMark24).colour;
  for (int y = 0; y < mark.height; ++y) {
    for (int x = 0; x < mark.width; ++x) {
      const Rgba c = pixel(mark, x, y);
      put_over(logo, kMarkLeft + x, kMarkTop + y, {c.r, c.g, c.b}, c.a);
    }
  }

  const int text_left = kMarkLeft + kMark24.size + kTextGap;
  for (std::size_t row = 0; row < kWordmark.size(); ++row) {
    const std::string_view line = kWordmark[row];
    for (std::size_t column = 0; column < line.size(); ++column) {
      const int x = text_left + static_cast<int>(column);
      const int y = kCapTop + static_cast<int>(row);
      if (line[column] == '#') {
        put_over(logo, x, y, kInk, kOpaque);
      }
      if (line[column] == '+') {
        put_over(logo, x, y, kInk, (kOpaque + 1) / 2);
      }
    }
  }
  return logo;
}

// ---------------------------------------------------------------- main

bool write_file(const char* path, const Bytes& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (file == nullptr) {
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

IconEntry windows_palette_icon(const MarkRaster& mark) {
  return {mark.colour.width, kWindowsPaletteBits,
          encode_indexed_icon(index_with_windows_palette(mark), kWindowsPaletteBits)};
}

IconEntry own_palette_icon(const MarkRaster& mark) {
  return {mark.colour.width, kOwnPaletteBits,
          encode_indexed_icon(index_with_own_palette(mark), kOwnPaletteBits)};
}

IconEntry true_colour_icon(const MarkRaster& mark) {
  return {mark.colour.width, kTrueColourBits, encode_rgba_icon(mark.colour)};
}

Bytes draw_icon() {
  const MarkRaster mark16 = draw_mark(kMark16);
  const MarkRaster mark32 = draw_mark(kMark32);
  const MarkRaster mark48 = draw_mark(kMark48);
  // Fewest colours first, as icon files traditionally are; Windows picks the
  // best match for the display whatever the order.
  return encode_ico({
      windows_palette_icon(mark32), windows_palette_icon(mark16),
      own_palette_icon(mark48), own_palette_icon(mark32), own_palette_icon(mark16),
      true_colour_icon(mark48), true_colour_icon(mark32), true_colour_icon(mark16),
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    // A diagnostic that cannot be written has nowhere else to go; the exit
    // status still reports the failure.
    static_cast<void>(std::fputs("usage: draw_art OUT_LOGO_BMP OUT_ICO\n", stderr));
    return 2;
  }
  if (!write_file(argv[1], encode_bmp(draw_logo()))) {
    static_cast<void>(std::fprintf(stderr, "draw_art: cannot write %s\n", argv[1]));
    return 1;
  }
  if (!write_file(argv[2], draw_icon())) {
    static_cast<void>(std::fprintf(stderr, "draw_art: cannot write %s\n", argv[2]));
    return 1;
  }
  return 0;
}
