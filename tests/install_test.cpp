// The native program as `cmake --install` lays it out, read back from the
// scratch prefix the test InstallIntoScratchPrefix installs into. The icon
// file is decoded here, and each installed PNG of a size it holds compared
// with it pixel for pixel, alpha included: the theme's small icons are the
// Windows icon's hand-tuned pixels, not a redrawing of them.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path Installed(const fs::path& relative) { return fs::path(QUORVIN_INSTALL_PREFIX) / relative; }

const char* const kIconName = QUORVIN_ICON_NAME;

// The theme's file of the icon at one size, "48x48" say, or "scalable".
fs::path IconOfSize(const std::string& size) {
    return fs::path(QUORVIN_INSTALLED_ICON_THEME) / size / "apps" /
           (std::string(kIconName) + (size == "scalable" ? ".svg" : ".png"));
}

std::string ReadText(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// ---------------------------------------------------------------- the icon file

using Bytes = std::vector<unsigned char>;

// Little-endian fields; at() throws past the end, which fails the test.
std::uint32_t Read16(const Bytes& bytes, std::size_t at) {
    return bytes.at(at) | static_cast<std::uint32_t>(bytes.at(at + 1)) << 8U;
}

std::uint32_t Read32(const Bytes& bytes, std::size_t at) {
    return Read16(bytes, at) | Read16(bytes, at + 2) << 16U;
}

std::string SizeName(std::uint32_t width, std::uint32_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The icon file's 32-bit images by size ("48x48"), top row first, each pixel
// 0xAARRGGBB as QImage::pixel gives it. Each image is a device-independent
// bitmap: a header whose height counts the AND mask's rows too, then the
// rows bottom first, a pixel as blue, green, red and alpha bytes.
std::map<std::string, std::vector<std::uint32_t>> TrueColourImages() {
    std::ifstream file(QUORVIN_ICON_FILE, std::ios::binary);
    const Bytes ico{std::istreambuf_iterator<char>(file), {}};
    constexpr std::size_t kHeaderSize = 6;
    constexpr std::size_t kEntrySize = 16;
    std::map<std::string, std::vector<std::uint32_t>> images;
    const std::uint32_t count = Read16(ico, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + kEntrySize * i;
        if (Read16(ico, entry + 6) != 32) {
            continue;
        }
        const std::uint32_t width = ico.at(entry) == 0 ? 256 : ico.at(entry);
        const std::uint32_t height = ico.at(entry + 1) == 0 ? 256 : ico.at(entry + 1);
        const std::size_t dib = Read32(ico, entry + 12);
        EXPECT_EQ(Read32(ico, dib + 4), width);
        EXPECT_EQ(Read32(ico, dib + 8), 2 * height);
        EXPECT_EQ(Read16(ico, dib + 14), 32U);
        EXPECT_EQ(Read32(ico, dib + 16), 0U) << "compressed";
        const std::size_t rows = dib + Read32(ico, dib);
        std::vector<std::uint32_t> pixels;
        for (std::uint32_t y = 0; y < height; ++y) {
            for (std::uint32_t x = 0; x < width; ++x) {
                const std::size_t at =
                    rows + 4 * (static_cast<std::size_t>(height - 1 - y) * width + x);
                pixels.push_back(Read32(ico, at));  // blue in the low byte, alpha in the high
            }
        }
        images[SizeName(width, height)] = pixels;
    }
    return images;
}

// ---------------------------------------------------------------- the tests

// Whether `relative` lies in one of the documents' folders (':' between them).
bool IsDocument(const fs::path& relative) {
    const std::string path = relative.generic_string();
    const std::string folders = QUORVIN_INSTALLED_DOCUMENT_FOLDERS;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = folders.find(':', start);
        if (path.starts_with(folders.substr(start, end - start) + "/")) {
            return true;
        }
    }
    return false;
}

TEST(InstalledTree, HoldsTheProgramItsLauncherIconsAndDocumentsAndNothingElse) {
    const fs::path program = Installed(QUORVIN_INSTALLED_PROGRAM);
    ASSERT_TRUE(fs::is_regular_file(program)) << program << " is not installed";
    EXPECT_NE(fs::status(program).permissions() & fs::perms::others_exec, fs::perms::none)
        << program << " is not executable by everyone";
    EXPECT_TRUE(fs::is_regular_file(Installed(QUORVIN_INSTALLED_LAUNCHER)));

    // Tests, benchmarks and GoogleTest's own files have no place here.
    std::vector<std::string> strays;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Installed(""))) {
        if (entry.is_directory()) {
            continue;
        }
        const fs::path relative = entry.path().lexically_relative(Installed(""));
        const bool expected =
            relative == QUORVIN_INSTALLED_PROGRAM || relative == QUORVIN_INSTALLED_LAUNCHER ||
            relative == IconOfSize(relative.parent_path().parent_path().filename()) ||
            IsDocument(relative);
        if (!expected) {
            strays.push_back(relative.generic_string());
        }
    }
    EXPECT_TRUE(strays.empty()) << "installed, but not the program's: "
                                << testing::PrintToString(strays);
}

TEST(InstalledTree, LauncherStartsTheInstalledProgramWithTheInstalledIcon) {
    const std::string text = ReadText(Installed(QUORVIN_INSTALLED_LAUNCHER));
    ASSERT_FALSE(text.empty()) << Installed(QUORVIN_INSTALLED_LAUNCHER) << " is missing or empty";
    std::map<std::string, std::string> keys;
    std::string group;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.starts_with('[')) {
            group = line;
        } else if (const std::size_t equals = line.find('=');
                   group == "[Desktop Entry]" && equals != std::string::npos) {
            keys[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    // The program takes no arguments, so the command line is its name alone,
    // found on PATH as bin/ is.
    EXPECT_EQ(keys["Exec"], fs::path(QUORVIN_INSTALLED_PROGRAM).filename().string());
    ASSERT_EQ(keys["Icon"], kIconName);
    bool someSize = false;
    for (const fs::directory_entry& size :
         fs::directory_iterator(Installed(QUORVIN_INSTALLED_ICON_THEME))) {
        someSize = true;
        EXPECT_TRUE(fs::is_regular_file(Installed(IconOfSize(size.path().filename()))))
            << "no icon named " << keys["Icon"] << " in " << size.path();
    }
    EXPECT_TRUE(someSize) << "no icon installed";
}

// The build's sizes, ':' between them, each installed square and with
// alpha; and the scalable icon, an SVG drawing of the same square.
TEST(InstalledIcons, EverySizeAndTheScalableOneWithTheIconFilesPixelsAtItsSizes) {
    const std::map<std::string, std::vector<std::uint32_t>> iconFile = TrueColourImages();
    ASSERT_FALSE(iconFile.empty()) << QUORVIN_ICON_FILE << " holds no 32-bit image";
    std::set<std::string> expected{"scalable"};
    std::set<std::string> installed;
    for (const fs::directory_entry& folder :
         fs::directory_iterator(Installed(QUORVIN_INSTALLED_ICON_THEME))) {
        installed.insert(folder.path().filename());
    }
    const std::string sizes = QUORVIN_ICON_SIZES;
    for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
        end = sizes.find(':', start);
        const auto side = static_cast<std::uint32_t>(std::stoul(sizes.substr(start, end - start)));
        const std::string size = SizeName(side, side);
        expected.insert(size);
        const fs::path path = Installed(IconOfSize(size));
        QImage png;
        ASSERT_TRUE(png.load(QString::fromStdString(path.string()), "PNG")) << path << " is no PNG";
        EXPECT_EQ(png.size(), QSize(static_cast<int>(side), static_cast<int>(side))) << path;
        EXPECT_TRUE(png.hasAlphaChannel()) << path << " has no alpha";
        const auto image = iconFile.find(size);
        if (image == iconFile.end()) {
            continue;
        }
        png = png.convertToFormat(QImage::Format_ARGB32);
        int differing = 0;
        for (int y = 0; y < png.height(); ++y) {
            for (int x = 0; x < png.width(); ++x) {
                const std::size_t at =
                    static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x);
                if (at >= image->second.size() || png.pixel(x, y) != image->second[at]) {
                    ++differing;
                }
            }
        }
        EXPECT_EQ(differing, 0) << "pixels of " << path << " differ from the icon file's " << size
                                << " image";
    }
    for (const auto& image : iconFile) {
        EXPECT_TRUE(expected.contains(image.first))
            << "the icon file's " << image.first << " image is of no size the theme has";
    }
    EXPECT_EQ(installed, expected) << "folders of the installed icon theme";
    const std::string svg = ReadText(Installed(IconOfSize("scalable")));
    EXPECT_TRUE(svg.starts_with("<svg ") &&
                svg.find(" viewBox=\"0 0 256 256\"") != std::string::npos)
        << "the scalable icon is no square SVG drawing";
}

}  // namespace
