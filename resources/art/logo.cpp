// Drawing the logo's layers: the mark put in its place, and the wordmark's
// cells inked one by one.
#include "resources/art/logo.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "resources/art/mark.h"

namespace {

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

constexpr Rgb kInk{28, 56, 104};

constexpr int kLogoWidth = 99;
constexpr int kLogoHeight = 29;
constexpr int kLogoMarkLeft = 3;
constexpr int kLogoMarkTop = (kLogoHeight - kMark24.size + 1) / 2;
constexpr int kLogoTextLeft = kLogoMarkLeft + kMark24.size + 5;
constexpr int kLogoCapTop = 8;
constexpr int kHalfInk = (kOpaque + 1) / 2;

int Mix(int ink, int paper, int inkParts, int parts) {
    return (ink * inkParts + paper * (parts - inkParts) + parts / 2) / parts;
}

void PutOver(Image& image, int x, int y, Rgb c, int alpha) {
    const Rgba under = Pixel(image, x, y);
    SetPixel(image, x, y,
             {ToByte(Mix(c.r, under.r, alpha, kOpaque)), ToByte(Mix(c.g, under.g, alpha, kOpaque)),
              ToByte(Mix(c.b, under.b, alpha, kOpaque)), kOpaque});
}

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

char WordmarkCell(int column, int row) {
    if (row < 0 || row >= static_cast<int>(kWordmark.size())) {
        return '.';
    }
    const std::string_view line = kWordmark[static_cast<std::size_t>(row)];
    return column >= 0 && column < static_cast<int>(line.size())
               ? line[static_cast<std::size_t>(column)]
               : '.';
}

}  // namespace

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
