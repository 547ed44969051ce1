// The mark: a folded-corner page carrying a check mark. Its geometry at each
// size it is tuned for, its colours by what each point belongs to, and the
// rasteriser that draws it, in full colour and in the icon file's palettes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "resources/art/raster.h"

// Geometry is in eighths of a pixel. Each pixel is sampled 4 x 4 at the odd
// eighths, so an edge on a whole pixel never splits a pixel's samples: that is
// how the small sizes are kept sharp.
constexpr int kUnitsPerPixel = 8;
constexpr int Px(int pixels) { return pixels * kUnitsPerPixel; }
constexpr int kHalfPixel = kUnitsPerPixel / 2;

struct Point {
    int x, y;
};

// The check drawn as a stroke: two arms meeting at the bend.
struct CheckStroke {
    Point shortArmEnd;
    Point bend;
    Point longArmEnd;
    int halfWidth;  // the stroke is rounded at its ends and its bend
};

// One size of the mark, tuned by hand for its pixel grid. A mark without a
// stroke has its check placed pixel by pixel; one without a shadow has none.
struct MarkGeometry {
    int size;  // pixels, square
    int pageLeft;
    int pageTop;
    int pageRight;
    int pageBottom;
    int fold;          // side of the folded-over top-right corner
    int cornerRadius;  // of the other three corners
    int outline;       // width of the dark rim
    CheckStroke check = {};
    // At small sizes a smooth stroke only blurs; there the check is placed pixel
    // by pixel instead ('#' is check), one string a row from the top. The
    // empty default is what lets a geometry leave it out (GCC warns of a
    // member a designated initialiser skips that has none).
    // NOLINTNEXTLINE(readability-redundant-member-init)
    std::span<const std::string_view> checkPixels = {};
    int checkShadow = 0;  // how far below the check its shadow falls; 0 for none
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
constexpr MarkGeometry kMark16{
    .size = 16,
    .pageLeft = Px(2),
    .pageTop = Px(0),
    .pageRight = Px(14),
    .pageBottom = Px(16),
    .fold = Px(5),
    .cornerRadius = 0,
    .outline = Px(1),
    .checkPixels = kCheckPixels16,
};

constexpr MarkGeometry kMark24{
    .size = 24,
    .pageLeft = Px(3),
    .pageTop = Px(0),
    .pageRight = Px(21),
    .pageBottom = Px(24),
    .fold = Px(7),
    .cornerRadius = kHalfPixel,
    .outline = Px(1),
    .checkPixels = kCheckPixels24,
    .checkShadow = Px(1),
};

constexpr MarkGeometry kMark32{
    .size = 32,
    .pageLeft = Px(4),
    .pageTop = Px(1),
    .pageRight = Px(28),
    .pageBottom = Px(31),
    .fold = Px(9),
    .cornerRadius = Px(1),
    .outline = Px(1),
    .check = {.shortArmEnd = {Px(9) + kHalfPixel, Px(18) + kHalfPixel},
              .bend = {Px(14), Px(23)},
              .longArmEnd = {Px(22) + kHalfPixel, Px(13)},
              .halfWidth = Px(7) / 4},
    .checkShadow = Px(1),
};

constexpr MarkGeometry kMark48{
    .size = 48,
    .pageLeft = Px(7),
    .pageTop = Px(2),
    .pageRight = Px(41),
    .pageBottom = Px(46),
    .fold = Px(13),
    .cornerRadius = Px(2),
    .outline = Px(1),
    .check = {.shortArmEnd = {Px(14), Px(28)},
              .bend = {Px(21), Px(35)},
              .longArmEnd = {Px(34), Px(20)},
              .halfWidth = Px(3)},
    .checkShadow = Px(1),
};

// Above 48 pixels the mark is drawn from this geometry, laid out on 256
// pixels and scaled down to the size asked for: the scalable icon is this
// geometry too. Its edges lie on multiples of 4, whole pixels at 64.
constexpr MarkGeometry kMarkLarge{
    .size = 256,
    .pageLeft = Px(36),
    .pageTop = Px(8),
    .pageRight = Px(220),
    .pageBottom = Px(248),
    .fold = Px(68),
    .cornerRadius = Px(12),
    .outline = Px(4),
    .check = {.shortArmEnd = {Px(76), Px(148)},
              .bend = {Px(112), Px(184)},
              .longArmEnd = {Px(180), Px(108)},
              .halfWidth = Px(16)},
    .checkShadow = Px(4),
};

// The logo's mark at twice the size: the page of the 24-pixel mark, whose
// corners and rim it doubles, with its check drawn as a stroke along the
// middle of the 24-pixel one's pixels. (The 48-pixel icon leaves a margin
// around its page, which would shrink the mark in the logo.)
constexpr MarkGeometry kLogoMark48{
    .size = 48,
    .pageLeft = Px(6),
    .pageTop = Px(0),
    .pageRight = Px(42),
    .pageBottom = Px(48),
    .fold = Px(14),
    .cornerRadius = Px(1),
    .outline = Px(2),
    .check = {.shortArmEnd = {Px(12) + kHalfPixel, Px(28) + kHalfPixel},
              .bend = {Px(19), Px(35) + 2},
              .longArmEnd = {Px(33) + kHalfPixel, Px(21)},
              .halfWidth = Px(3)},
    .checkShadow = Px(2),
};

// What a point of the mark belongs to, listed from back to front.
enum class Role : std::uint8_t { None, Body, Rim, Fold, Shadow, Check };
constexpr std::size_t kRoleCount = static_cast<std::size_t>(Role::Check) + 1;

// The sixteen colours every Windows display shows unchanged, and those of
// them the mark's 16-colour images use.
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
static_assert(kWindowsPalette[kBlackIndex].r == 0 && kWindowsPalette[kBlackIndex].g == 0 &&
              kWindowsPalette[kBlackIndex].b == 0);
constexpr std::uint8_t kNavyIndex = 4;
constexpr std::uint8_t kSilverIndex = 7;
constexpr std::uint8_t kBlueIndex = 12;
constexpr std::uint8_t kWhiteIndex = 15;

// How a role is coloured: in full colour, where the body darkens downwards as
// if lit from above (from `colour` at the page's top to `shadedTo` at its
// bottom) and every other role is flat; and in the 16-colour images, as one
// of Windows' sixteen.
struct RoleColours {
    Role role;
    Rgb colour;
    std::optional<Rgb> shadedTo = std::nullopt;
    std::uint8_t windowsIndex;
};

constexpr std::array<RoleColours, kRoleCount> kRoleColours{{
    {.role = Role::None, .colour = {0, 0, 0}, .windowsIndex = kBlackIndex},  // never painted
    {.role = Role::Body,
     .colour = {58, 146, 232},
     .shadedTo = Rgb{22, 98, 196},
     .windowsIndex = kBlueIndex},
    {.role = Role::Rim, .colour = {16, 60, 128}, .windowsIndex = kNavyIndex},
    {.role = Role::Fold, .colour = {196, 224, 250}, .windowsIndex = kSilverIndex},
    // In flat colour a shadow is only noise, so there it is the body's blue.
    {.role = Role::Shadow, .colour = {12, 62, 138}, .windowsIndex = kBlueIndex},
    {.role = Role::Check, .colour = {255, 255, 255}, .windowsIndex = kWhiteIndex},
}};

constexpr const RoleColours& ColoursOf(Role role) {
    return kRoleColours[static_cast<std::size_t>(role)];
}

constexpr bool EachRoleAtItsIndex() {
    for (std::size_t i = 0; i < kRoleColours.size(); ++i) {
        if (static_cast<std::size_t>(kRoleColours[i].role) != i) {
            return false;
        }
    }
    return true;
}
static_assert(EachRoleAtItsIndex(), "kRoleColours lists the roles in their order");

// The mark for `size` pixels: tuned by hand up to 48, scaled from the large
// geometry above that.
MarkGeometry MarkOfSize(int size);

// The mark at one size: full-colour with coverage as alpha, and for the
// palette images the role most of each pixel's samples fell in.
struct MarkRaster {
    Image colour;
    std::vector<Role> roles;  // top row first
};

MarkRaster DrawMark(const MarkGeometry& g);

// The mark in Windows' sixteen colours, a flat colour for each role.
IndexedImage IndexWithWindowsPalette(const MarkRaster& mark);

// An image in 256 colours of its own (the first black), the pixels at least
// half covered opaque.
constexpr int kOwnPaletteBits = 8;
IndexedImage IndexWithOwnPalette(const Image& image);
