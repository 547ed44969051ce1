// Drawing the mark: what each sample point belongs to, the colour of that,
// and each pixel as the mean of its samples; then the palette images made
// from it. Everything is integer arithmetic, so the pixels come out the same
// on every host.
#include "resources/art/mark.h"

#include <map>
#include <tuple>

namespace {

constexpr int kSamplesPerAxis = 4;
constexpr int kSamplesPerPixel = kSamplesPerAxis * kSamplesPerAxis;
constexpr int kSampleStep = kUnitsPerPixel / kSamplesPerAxis;

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
        const CheckStroke& check = g.check;
        return NearSegment(p, check.shortArmEnd, check.bend, check.halfWidth) ||
               NearSegment(p, check.bend, check.longArmEnd, check.halfWidth);
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

int BlendChannel(int from, int to, int step, int steps) {
    return from + (to - from) * step / steps;
}

// The colour of `role` at height `y`: a flat role's colour blends with itself.
Rgb ColourAt(const MarkGeometry& g, Role role, int y) {
    const RoleColours& colours = ColoursOf(role);
    const Rgb top = colours.colour;
    const Rgb bottom = colours.shadedTo.value_or(top);
    const int steps = g.pageBottom - g.pageTop;
    const int step = y - g.pageTop;
    return {ToByte(BlendChannel(top.r, bottom.r, step, steps)),
            ToByte(BlendChannel(top.g, bottom.g, step, steps)),
            ToByte(BlendChannel(top.b, bottom.b, step, steps))};
}

}  // namespace

MarkGeometry MarkOfSize(int size) {
    for (const MarkGeometry& tuned : {kMark16, kMark24, kMark32, kMark48}) {
        if (tuned.size == size) {
            return tuned;
        }
    }
    const auto scale = [size](int units) { return units * size / kMarkLarge.size; };
    const auto scalePoint = [&scale](Point p) { return Point{scale(p.x), scale(p.y)}; };
    const MarkGeometry& g = kMarkLarge;
    return {
        .size = size,
        .pageLeft = scale(g.pageLeft),
        .pageTop = scale(g.pageTop),
        .pageRight = scale(g.pageRight),
        .pageBottom = scale(g.pageBottom),
        .fold = scale(g.fold),
        .cornerRadius = scale(g.cornerRadius),
        .outline = scale(g.outline),
        .check = {.shortArmEnd = scalePoint(g.check.shortArmEnd),
                  .bend = scalePoint(g.check.bend),
                  .longArmEnd = scalePoint(g.check.longArmEnd),
                  .halfWidth = scale(g.check.halfWidth)},
        .checkShadow = scale(g.checkShadow),
    };
}

MarkRaster DrawMark(const MarkGeometry& g) {
    MarkRaster out{MakeImage(g.size, g.size, {0, 0, 0, 0}), {}};
    out.roles.reserve(Area(g.size, g.size));
    for (int y = 0; y < g.size; ++y) {
        for (int x = 0; x < g.size; ++x) {
            std::array<int, kRoleCount> votes{};
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
                    const Rgb c = ColourAt(g, role, p.y);
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

IndexedImage IndexWithWindowsPalette(const MarkRaster& mark) {
    IndexedImage out{mark.colour.width,
                     mark.colour.height,
                     {kWindowsPalette.begin(), kWindowsPalette.end()},
                     {},
                     {}};
    for (const Role role : mark.roles) {
        out.indices.push_back(ColoursOf(role).windowsIndex);
        out.transparent.push_back(role == Role::None);
    }
    return out;
}

// Pixels at least half covered become opaque. Their colours are grouped by the
// top bits of each channel, fewer bits until the groups fit in the palette,
// and each group is shown as its mean colour.
IndexedImage IndexWithOwnPalette(const Image& image) {
    constexpr std::size_t kPaletteSize = 1 << kOwnPaletteBits;
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
