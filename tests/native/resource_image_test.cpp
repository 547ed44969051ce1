// The reader of the compiled resource script, on the image built into the
// program and on every damaged copy of it the tests can make cheaply: cut
// short at each length, or with one byte changed. Under the sanitizers a
// read outside the bytes fails the run; here, a damaged template must be
// refused or come out whole, never half-read.
#include "platform/qt/resource_image.h"
#include "platform/qt/embedded_resources.h"
#include "resources/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace {

ResourceBytes DialogData() {
    ResourceBytes data;
    EXPECT_TRUE(FindResourceData(EmbeddedResourceImage(), kResourceTypeDialog, IDD_MAIN, data));
    return data;
}

TEST(ResourceImage, TheBuiltInImageHoldsTheDialogAndTheLogo) {
    DialogTemplate dialog;
    ASSERT_TRUE(ParseDialogTemplate(DialogData(), dialog));
    EXPECT_EQ(dialog.caption, "Quorvin");
    EXPECT_EQ(dialog.fontPointSize, 8);
    EXPECT_FALSE(dialog.fontItalic);
    ASSERT_EQ(dialog.controls.size(), 6u);
    EXPECT_EQ(dialog.controls[1].text, "浏览...") << "UTF-16 read back as UTF-8";
    EXPECT_EQ(dialog.controls[4].kind, ControlKind::Picture);
    EXPECT_EQ(dialog.controls[4].bitmapNumber, IDB_LOGO) << "the picture names its bitmap";

    ResourceBytes bitmap;
    ASSERT_TRUE(FindResourceData(EmbeddedResourceImage(), kResourceTypeBitmap, IDB_LOGO, bitmap));
    std::vector<std::uint8_t> file;
    ASSERT_TRUE(BitmapFileFromResource(bitmap, file));
    EXPECT_EQ(file.size(), bitmap.size() + 14);
    EXPECT_EQ(file[2] | file[3] << 8 | file[4] << 16 | file[5] << 24, static_cast<int>(file.size()))
        << "the file header's size field";
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[10], 54) << "pixels right after the file and info headers (24 bits, no palette)";
    EXPECT_FALSE(
        FindResourceData(EmbeddedResourceImage(), kResourceTypeDialog, IDD_MAIN + 1, bitmap));
}

TEST(ResourceImage, ATemplateCutShortAnywhereIsRefused) {
    const ResourceBytes whole = DialogData();
    const std::vector<std::uint8_t> bytes(whole.begin(), whole.end());
    DialogTemplate dialog;
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        const std::vector<std::uint8_t> cut(bytes.begin(),
                                            bytes.begin() + static_cast<long>(length));
        EXPECT_FALSE(ParseDialogTemplate(cut, dialog)) << "cut to " << length << " bytes";
    }
}

// The shipped template has no negative coordinate; a dialog placed left of
// the screen's edge must keep its sign.
TEST(ResourceImage, ANegativeCoordinateIsReadWithItsSign) {
    const ResourceBytes whole = DialogData();
    std::vector<std::uint8_t> moved(whole.begin(), whole.end());
    // The dialog's x: after version, signature, help context, extended
    // style, style and control count.
    constexpr std::size_t kDialogX = 18;
    moved[kDialogX] = 0xFE;  // -2 in 16 bits
    moved[kDialogX + 1] = 0xFF;
    DialogTemplate dialog;
    ASSERT_TRUE(ParseDialogTemplate(moved, dialog));
    EXPECT_EQ(dialog.rect.x, -2);
}

std::array<std::uint8_t, 4> LittleEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// One style bit more, on the dialog or a control, asks for what the dialog
// window does not realise: the template is refused whole.
TEST(ResourceImage, AStyleBitBeyondTheTemplatesOwnIsRefused) {
    const ResourceBytes whole = DialogData();
    constexpr std::uint32_t kDialogStyle = 0x00C80048;  // DS_SHELLFONT | WS_CAPTION | WS_SYSMENU
    constexpr std::uint32_t kPathFieldStyle = 0x50810080;
    constexpr std::uint32_t kButtonStyle = 0x50010000;
    // WS_THICKFRAME on the dialog, ES_PASSWORD on a field, BS_DEFPUSHBUTTON on a button.
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> changes = {
        {kDialogStyle, 0x00040000}, {kPathFieldStyle, 0x0020}, {kButtonStyle, 0x0001}};
    for (const auto& [style, extraBit] : changes) {
        std::vector<std::uint8_t> changed(whole.begin(), whole.end());
        const std::array<std::uint8_t, 4> original = LittleEndian(style);
        const auto found =
            std::search(changed.begin(), changed.end(), original.begin(), original.end());
        ASSERT_NE(found, changed.end()) << std::hex << style;
        const std::array<std::uint8_t, 4> flipped = LittleEndian(style | extraBit);
        std::copy(flipped.begin(), flipped.end(), found);
        DialogTemplate dialog;
        EXPECT_FALSE(ParseDialogTemplate(changed, dialog))
            << std::hex << style << " | " << extraBit;
    }
}

// The logo's header with one field of another form, which the reader would
// take pixels from at the wrong place: each is refused.
TEST(ResourceImage, ABitmapHeaderOfAnotherFormIsRefused) {
    ResourceBytes bitmap;
    ASSERT_TRUE(FindResourceData(EmbeddedResourceImage(), kResourceTypeBitmap, IDB_LOGO, bitmap));
    // Each field's low byte, at its offset: every field's others are zero.
    const std::vector<std::pair<const char*, std::pair<std::size_t, std::uint8_t>>> changes = {
        {"a version 5 header", {0, 124}}, {"two planes", {12, 2}},     {"32 bits", {14, 32}},
        {"bit-field masks", {16, 3}},     {"a colour table", {32, 1}},
    };
    for (const auto& [what, change] : changes) {
        std::vector<std::uint8_t> changed(bitmap.begin(), bitmap.end());
        changed[change.first] = change.second;
        std::vector<std::uint8_t> file;
        EXPECT_FALSE(BitmapFileFromResource(changed, file)) << what;
    }
}

TEST(ResourceImage, DamagedImagesAreReadWithinTheirBytes) {
    const ResourceBytes image = EmbeddedResourceImage();
    std::vector<std::uint8_t> damaged(image.begin(), image.end());
    // Every byte of the headers and the dialog, up to the dialog's last,
    // each set to two values that make sizes and counts large or zero.
    const ResourceBytes dialogData = DialogData();
    const auto reach =
        static_cast<std::size_t>(dialogData.data() + dialogData.size() - image.data());
    for (std::size_t at = 0; at < reach; ++at) {
        for (const std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
            const std::uint8_t original = damaged[at];
            damaged[at] = value;
            ResourceBytes data;
            DialogTemplate dialog;
            if (FindResourceData(damaged, kResourceTypeDialog, IDD_MAIN, data)) {
                EXPECT_GE(data.data(), damaged.data());
                EXPECT_LE(data.data() + data.size(), damaged.data() + damaged.size());
                static_cast<void>(ParseDialogTemplate(data, dialog));
            }
            if (FindResourceData(damaged, kResourceTypeBitmap, IDB_LOGO, data)) {
                std::vector<std::uint8_t> file;
                static_cast<void>(BitmapFileFromResource(data, file));
            }
            damaged[at] = original;
        }
    }
}

}  // namespace
