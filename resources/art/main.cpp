// The art program: draws Quorvin's artwork, the application icon (a
// folded-corner document carrying a check mark) and the small wordmark logo
// shown in the dialog, into the files the build and the resource script take.
//
//   draw_art OUT_LOGO_BMP OUT_LOGO_2X_BMP OUT_ICO
//   draw_art --icon-theme OUT_DIR NAME SIZE...
//   draw_art --logo-layers OUT_MARK_PNG OUT_WORDMARK_PNG OUT_MARK_2X_PNG OUT_WORDMARK_2X_PNG
//   draw_art --branding-colours
//
// The first form draws the logo, the logo at twice the size for dense
// screens, and the Windows icon file. Everything is integer arithmetic so
// the files come out byte-identical on every host; they are checked in, and
// rebuilding must not churn them. The second form draws the icon for a
// freedesktop icon theme: OUT_DIR/<S>x<S>/apps/NAME.png at each SIZE, and
// OUT_DIR/scalable/apps/NAME.svg, from the same geometry as the icon file.
// The third draws the logo at both sizes without its paper, in layers (see
// LogoLayers), for a program that lays it on a face of its own colour. The
// fourth prints the colours a software centre's banner takes from the icon,
// "#rrggbb #rrggbb", the one beside a light desktop first.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "resources/art/image_files.h"
#include "resources/art/logo.h"
#include "resources/art/mark.h"
#include "resources/art/mark_svg.h"

namespace {

bool WriteFile(const char* path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
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

IconImage WindowsPaletteIconImage(const MarkRaster& mark) {
    return EncodeIndexedIconImage(IndexWithWindowsPalette(mark), kWindowsPaletteBits);
}

IconImage OwnPaletteIconImage(const MarkRaster& mark) {
    return EncodeIndexedIconImage(IndexWithOwnPalette(mark.colour), kOwnPaletteBits);
}

IconImage TrueColourIconImage(const MarkRaster& mark) { return EncodeRgbaIconImage(mark.colour); }

// The Windows icon file: the mark at 16, 32 and 48 pixels, each in sixteen
// colours (but 48), in 256 and in full colour with alpha.
Bytes IconFileBytes() {
    const MarkRaster mark16 = DrawMark(kMark16);
    const MarkRaster mark32 = DrawMark(kMark32);
    const MarkRaster mark48 = DrawMark(kMark48);
    // Fewest colours first, as icon files traditionally are; Windows picks the
    // best match for the display whatever the order.
    return EncodeIconFile({
        WindowsPaletteIconImage(mark32),
        WindowsPaletteIconImage(mark16),
        OwnPaletteIconImage(mark48),
        OwnPaletteIconImage(mark32),
        OwnPaletteIconImage(mark16),
        TrueColourIconImage(mark48),
        TrueColourIconImage(mark32),
        TrueColourIconImage(mark16),
    });
}

// The icon theme's files under `folder`, NAME.png at each size and NAME.svg;
// false, having said which, at the first that cannot be written.
bool WriteIconTheme(const std::filesystem::path& folder, const std::string& name,
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
    const std::string svg = MarkSvg(kMarkLarge);
    return write("scalable", name + ".svg", Bytes(svg.begin(), svg.end()));
}

// A software centre's banner takes the icon's colours: its fold's pale blue
// beside a light desktop, its rim's navy beside a dark one.
bool PrintBrandingColours() {
    const std::string light = HexColour(ColoursOf(Role::Fold).colour);
    const std::string dark = HexColour(ColoursOf(Role::Rim).colour);
    return std::printf("%s %s\n", light.c_str(), dark.c_str()) > 0 && std::fflush(stdout) == 0;
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
        return WriteIconTheme(arguments[2], arguments[3], sizes) ? 0 : 1;
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
    if (argc == 2 && std::string_view(arguments[1]) == "--branding-colours") {
        return PrintBrandingColours() ? 0 : 1;
    }
    if (argc != 4) {
        // A diagnostic that cannot be written has nowhere else to go; the exit
        // status still reports the failure.
        static_cast<void>(
            std::fputs("usage: draw_art OUT_LOGO_BMP OUT_LOGO_2X_BMP OUT_ICO\n"
                       "       draw_art --icon-theme OUT_DIR NAME SIZE...\n"
                       "       draw_art --logo-layers OUT_MARK_PNG OUT_WORDMARK_PNG "
                       "OUT_MARK_2X_PNG OUT_WORDMARK_2X_PNG\n"
                       "       draw_art --branding-colours\n",
                       stderr));
        return 2;
    }
    return WriteFiles(
               {{arguments[1], EncodeBmp(OnPaper(DrawLogoLayers(), kDialogFace))},
                {arguments[2], EncodeBmp(OnPaper(DrawLogoLayersAtTwiceTheSize(), kDialogFace))},
                {arguments[3], IconFileBytes()}})
               ? 0
               : 1;
}
