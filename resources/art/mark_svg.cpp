// The SVG writer: the document is a template with named places, each place
// filled with a length or a colour of the mark.
#include "resources/art/mark_svg.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <span>
#include <string_view>

namespace {

// The mark as the raster draws it, painted back to front and clipped to the
// page: the body's gradient, the fold with its two rim edges, the rim (the
// inner half of a stroke along the outline), the check's shadow, the check.
constexpr std::string_view kMarkSvgTemplate =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">
<defs>
<clipPath id="page"><path d="{page}"/></clipPath>
<linearGradient id="body" gradientUnits="userSpaceOnUse" x1="0" y1="{page-top}" x2="0" y2="{page-bottom}">
<stop offset="0" stop-color="{body-top-colour}"/>
<stop offset="1" stop-color="{body-bottom-colour}"/>
</linearGradient>
</defs>
<g clip-path="url(#page)">
<path d="{page}" fill="url(#body)"/>
<rect x="{fold-left}" y="{page-top}" width="{fold}" height="{fold}" fill="{fold-colour}"/>
<rect x="{fold-left}" y="{page-top}" width="{outline}" height="{fold}" fill="{rim-colour}"/>
<rect x="{fold-left}" y="{fold-rim-top}" width="{fold}" height="{outline}" fill="{rim-colour}"/>
<path d="{page}" fill="none" stroke="{rim-colour}" stroke-width="{rim-stroke-width}"/>
<path d="{check}" transform="translate(0 {check-shadow})" stroke="{shadow-colour}" {check-stroke}/>
<path d="{check}" stroke="{check-colour}" {check-stroke}/>
</g>
</svg>
)svg";

struct Place {
    std::string_view name;
    std::string value;
};

// The template with each {name} replaced by the value of the place of that
// name; empty if the template names a place that is not given.
std::string Filled(std::string_view text, std::span<const Place> places) {
    std::string out;
    for (;;) {
        const std::size_t open = text.find('{');
        out += text.substr(0, open);
        if (open == std::string_view::npos) {
            return out;
        }
        const std::size_t close = text.find('}', open);
        if (close == std::string_view::npos) {
            return {};
        }
        const std::string_view name = text.substr(open + 1, close - open - 1);
        const std::string* value = nullptr;
        for (const Place& place : places) {
            if (place.name == name) {
                value = &place.value;
            }
        }
        if (value == nullptr) {
            return {};
        }
        out += *value;
        text.remove_prefix(close + 1);
    }
}

// A length in eighths of a pixel, as text in pixels: at most three
// decimals, exact.
std::string PixelsText(int units) {
    std::string text = std::to_string(units / kUnitsPerPixel);
    const int eighths = units % kUnitsPerPixel;
    if (eighths != 0) {
        const std::string thousandths = std::to_string(eighths * 1000 / kUnitsPerPixel);
        text += '.';
        text.append(3 - thousandths.size(), '0');
        text += thousandths;
        text.erase(text.find_last_not_of('0') + 1);
    }
    return text;
}

std::string PointText(Point p) { return PixelsText(p.x) + "," + PixelsText(p.y); }

// The page's outline: three corners rounded, the top-right one cut off.
std::string PagePath(const MarkGeometry& g) {
    constexpr std::string_view kPagePathTemplate =
        "M{left},{top-arc} A{r},{r} 0 0 1 {left-arc},{top} H{fold-left} L{right},{fold-bottom} "
        "V{bottom-arc} A{r},{r} 0 0 1 {right-arc},{bottom} H{left-arc} "
        "A{r},{r} 0 0 1 {left},{bottom-arc} Z";
    const int r = g.cornerRadius;
    const std::array<Place, 11> places{{
        {"left", PixelsText(g.pageLeft)},
        {"top", PixelsText(g.pageTop)},
        {"right", PixelsText(g.pageRight)},
        {"bottom", PixelsText(g.pageBottom)},
        {"r", PixelsText(r)},
        {"left-arc", PixelsText(g.pageLeft + r)},
        {"top-arc", PixelsText(g.pageTop + r)},
        {"right-arc", PixelsText(g.pageRight - r)},
        {"bottom-arc", PixelsText(g.pageBottom - r)},
        {"fold-left", PixelsText(g.pageRight - g.fold)},
        {"fold-bottom", PixelsText(g.pageTop + g.fold)},
    }};
    return Filled(kPagePathTemplate, places);
}

std::string CheckPath(const CheckStroke& check) {
    const std::array<Place, 3> places{{
        {"short-arm-end", PointText(check.shortArmEnd)},
        {"bend", PointText(check.bend)},
        {"long-arm-end", PointText(check.longArmEnd)},
    }};
    return Filled("M{short-arm-end} L{bend} L{long-arm-end}", places);
}

// The check's stroke, round at its ends and its bend as the raster's is.
std::string CheckStrokeAttributes(const CheckStroke& check) {
    const std::array<Place, 1> places{{{"width", PixelsText(2 * check.halfWidth)}}};
    return Filled(
        R"(fill="none" stroke-width="{width}" stroke-linecap="round" stroke-linejoin="round")",
        places);
}

std::string HexColourOf(Role role) { return HexColour(ColoursOf(role).colour); }

}  // namespace

std::string HexColour(Rgb c) {
    std::array<char, 8> text{};
    static_cast<void>(std::snprintf(text.data(), text.size(), "#%02x%02x%02x", c.r, c.g, c.b));
    return text.data();
}

std::string MarkSvg(const MarkGeometry& g) {
    const RoleColours& body = ColoursOf(Role::Body);
    const std::array<Place, 18> places{{
        {"size", std::to_string(g.size)},
        {"page", PagePath(g)},
        {"page-top", PixelsText(g.pageTop)},
        {"page-bottom", PixelsText(g.pageBottom)},
        {"body-top-colour", HexColour(body.colour)},
        {"body-bottom-colour", HexColour(body.shadedTo.value_or(body.colour))},
        {"fold-left", PixelsText(g.pageRight - g.fold)},
        {"fold", PixelsText(g.fold)},
        {"fold-rim-top", PixelsText(g.pageTop + g.fold - g.outline)},
        {"fold-colour", HexColourOf(Role::Fold)},
        {"outline", PixelsText(g.outline)},
        {"rim-stroke-width", PixelsText(2 * g.outline)},  // half of it falls outside the page
        {"rim-colour", HexColourOf(Role::Rim)},
        {"check", CheckPath(g.check)},
        {"check-stroke", CheckStrokeAttributes(g.check)},
        {"check-colour", HexColourOf(Role::Check)},
        {"check-shadow", PixelsText(g.checkShadow)},
        {"shadow-colour", HexColourOf(Role::Shadow)},
    }};
    return Filled(kMarkSvgTemplate, places);
}
