// The Windows executable as built: what the loader, the shell and the
// dialog manager will read from it. Read here byte by byte, not through the
// build's own sources, so a wrong linker option or resource compiler
// behaviour shows up.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <set>
#include <string>
#include <tuple>
#include <utility>

#include "resources/resource.h"
#include "tests/pe_image.h"

namespace {

// Resource types and the one language every resource is in.
constexpr std::uint32_t kBitmapResource = 2;
constexpr std::uint32_t kIconResource = 3;
constexpr std::uint32_t kDialogResource = 5;
constexpr std::uint32_t kIconGroupResource = 14;
constexpr std::uint32_t kVersionResource = 16;
constexpr std::uint32_t kChineseSimplified = 0x0804;

constexpr std::uint32_t kChildVisible = 0x40000000 | 0x10000000;  // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t kBorder = 0x00800000;
constexpr std::uint32_t kTabStop = 0x00010000;

// The release, as VS_FIXEDFILEINFO packs it (two 16-bit numbers a word, the
// fourth always 0) and as the version strings write it.
constexpr std::uint32_t kVersionMs = (QUORVIN_VERSION_MAJOR << 16) | QUORVIN_VERSION_MINOR;
constexpr std::uint32_t kVersionLs = QUORVIN_VERSION_PATCH << 16;
std::u16string VersionText() {
    const std::string text = std::to_string(QUORVIN_VERSION_MAJOR) + ", " +
                             std::to_string(QUORVIN_VERSION_MINOR) + ", " +
                             std::to_string(QUORVIN_VERSION_PATCH) + ", 0";
    return {text.begin(), text.end()};
}

constexpr const char* kNotAPeImage = "Quorvin.exe is missing or not a PE image";

// The build's executable, or the one named by QUORVIN_EXECUTABLE: the
// release checks run these tests on the copy inside the zip.
const char* ExecutablePath() {
    const char* shipped = std::getenv("QUORVIN_EXECUTABLE");
    return shipped != nullptr ? shipped : QUORVIN_WINDOWS_EXECUTABLE;
}

const Bytes& ExecutableBytes() {
    static const Bytes bytes = ReadFileBytes(ExecutablePath());
    return bytes;
}

// Without the Windows build there is nothing to read: every case skips. A
// file named by QUORVIN_EXECUTABLE was asked for, so if it is missing they
// fail.
class Executable : public testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("QUORVIN_EXECUTABLE") == nullptr &&
            !std::filesystem::exists(QUORVIN_WINDOWS_EXECUTABLE)) {
            GTEST_SKIP() << QUORVIN_WINDOWS_EXECUTABLE " is not built: "
                         << QUORVIN_WINDOWS_BUILD_COMMAND;
        }
    }
};

// All the resources, or none if the file or its resource tree is unreadable.
std::vector<ResourceEntry> Resources() {
    PeHeaders headers;
    std::vector<ResourceEntry> entries;
    if (!ReadPeHeaders(ExecutableBytes(), headers) ||
        !ReadResources(ExecutableBytes(), headers, entries)) {
        entries.clear();
    }
    return entries;
}

const ResourceEntry* FindResource(const std::vector<ResourceEntry>& entries, std::uint32_t type,
                                  std::uint32_t name) {
    const auto found = std::find_if(
        entries.begin(), entries.end(),
        [&](const ResourceEntry& entry) { return entry.type == type && entry.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

std::string Lowercase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return text;
}

// A text value of the version block as stored, terminator included.
std::u16string StoredText(const Bytes& value) {
    ByteCursor cursor{value};
    std::u16string text;
    for (char16_t c = TakeU16(cursor); cursor.ok; c = TakeU16(cursor)) {
        text += c;
    }
    return text;
}

TEST_F(Executable, HeadersMakeA32BitGuiProgramWithAslrDepAndTerminalServerAwareness) {
    PeHeaders headers;
    ASSERT_TRUE(ReadPeHeaders(ExecutableBytes(), headers)) << kNotAPeImage;
    EXPECT_EQ(headers.machine, 0x14C) << "not i386";
    EXPECT_EQ(headers.optionalHeaderMagic, 0x10B) << "not PE32";
    EXPECT_EQ(headers.subsystem, 2) << "not the Windows GUI subsystem";
    EXPECT_EQ(headers.dllCharacteristics & 0x40, 0x40) << "no DYNAMIC_BASE";
    EXPECT_EQ(headers.dllCharacteristics & 0x100, 0x100) << "no NX_COMPAT";
    EXPECT_EQ(headers.dllCharacteristics & 0x8000, 0x8000) << "no TERMINAL_SERVER_AWARE";
    // ASLR moves the image only if the relocations are there to move it with.
    EXPECT_EQ(headers.characteristics & 0x1, 0) << "RELOCS_STRIPPED is set";
    const DataDirectory relocations = headers.directories[kRelocationDirectory];
    EXPECT_GT(relocations.size, 0u) << "no base relocations";
    EXPECT_TRUE(CursorAtRva(ExecutableBytes(), headers, relocations.rva).ok)
        << "base relocations outside the file";
}

TEST_F(Executable, ImportsOnlySystemDllsAndTheDialogFunctions) {
    PeHeaders headers;
    std::vector<ImportedDll> dlls;
    ASSERT_TRUE(ReadPeHeaders(ExecutableBytes(), headers)) << kNotAPeImage;
    ASSERT_TRUE(ReadImports(ExecutableBytes(), headers, dlls)) << "import table unreadable";
    std::set<std::string> names;
    for (const ImportedDll& dll : dlls) {
        names.insert(Lowercase(dll.name));
        const std::set<std::string> functions(dll.functions.begin(), dll.functions.end());
        if (Lowercase(dll.name) == "user32.dll") {
            EXPECT_EQ(functions,
                      (std::set<std::string>{"DialogBoxParamA", "EndDialog", "GetDlgItem",
                                             "SetWindowTextA", "SetDlgItemTextA", "GetDlgItemTextA",
                                             "UpdateWindow", "MessageBoxA"}));
        } else if (Lowercase(dll.name) == "comdlg32.dll") {
            EXPECT_EQ(functions, std::set<std::string>{"GetOpenFileNameA"});
        } else if (Lowercase(dll.name) == "advapi32.dll") {
            // The stack protector's random canary, and nothing else.
            EXPECT_EQ(functions, (std::set<std::string>{"CryptAcquireContextA", "CryptGenRandom",
                                                        "CryptReleaseContext"}));
        }
    }
    // In particular no GCC run-time DLL: the program must start on a bare system.
    EXPECT_EQ(names, (std::set<std::string>{"user32.dll", "comdlg32.dll", "kernel32.dll",
                                            "msvcrt.dll", "advapi32.dll"}));
    EXPECT_EQ(names.size(), dlls.size()) << "a DLL has more than one import descriptor";
}

// A stripped image names none of its functions; what shows the protections
// is text that is linked in only with them: the stack protector's failure
// message (its handler is pulled in by the protected functions that call
// it), and the record each unit of the program leaves of its
// _FORTIFY_SOURCE level (cmake/fortify-level.h).
TEST_F(Executable, CarriesTheStackProtectorAndEveryUnitFortified) {
    const std::string text(ExecutableBytes().begin(), ExecutableBytes().end());
    ASSERT_FALSE(text.empty()) << kNotAPeImage;
    EXPECT_NE(text.find("*** stack smashing detected ***"), std::string::npos)
        << "no stack protector";
    const std::string record = "_FORTIFY_SOURCE=";
    std::vector<char> levels;
    for (std::size_t at = text.find(record); at != std::string::npos;
         at = text.find(record, at + 1)) {
        levels.push_back(at + record.size() < text.size() ? text[at + record.size()] : '\0');
    }
    EXPECT_FALSE(levels.empty()) << "no unit records its _FORTIFY_SOURCE level";
    EXPECT_TRUE(std::all_of(levels.begin(), levels.end(),
                            [](char level) { return level >= '1' && level <= '9'; }))
        << "a unit built without _FORTIFY_SOURCE: " << std::string(levels.begin(), levels.end());
}

TEST_F(Executable, ResourcesAreTheDialogLogoIconsAndVersionInChinese) {
    const std::vector<ResourceEntry> entries = Resources();
    ASSERT_FALSE(entries.empty()) << kNotAPeImage << " (or its resource tree is unreadable)";
    using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
    std::set<Key> expected = {{kBitmapResource, IDB_LOGO, kChineseSimplified},
                              {kDialogResource, IDD_MAIN, kChineseSimplified},
                              {kIconGroupResource, IDI_MAIN, kChineseSimplified},
                              {kIconGroupResource, IDI_MAIN_SMALL, kChineseSimplified},
                              {kVersionResource, 1, kChineseSimplified}};
    for (std::uint32_t icon = 1; icon <= 16; ++icon) {
        expected.insert({kIconResource, icon, kChineseSimplified});
    }
    std::set<Key> actual;
    for (const ResourceEntry& entry : entries) {
        actual.insert({entry.type, entry.name, entry.language});
        // A manifest, menu, accelerator table or string table would change
        // how the program looks or behaves.
        EXPECT_TRUE(entry.type != 24 && entry.type != 4 && entry.type != 9 && entry.type != 6)
            << "unexpected resource of type " << entry.type;
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(actual.size(), entries.size()) << "a resource is stored twice";
}

TEST_F(Executable, MainDialogTemplate) {
    const std::vector<ResourceEntry> entries = Resources();
    const ResourceEntry* resource = FindResource(entries, kDialogResource, IDD_MAIN);
    ASSERT_NE(resource, nullptr) << "no dialog " << IDD_MAIN;
    DialogTemplate dialog;
    ASSERT_TRUE(ReadDialogTemplate(resource->data, dialog)) << "dialog template truncated";
    EXPECT_EQ(dialog.version, 1);
    EXPECT_EQ(dialog.signature, 0xFFFF) << "not an extended template";
    EXPECT_EQ(dialog.helpId, 0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    // WS_CAPTION | WS_SYSMENU | DS_SHELLFONT.
    EXPECT_EQ(dialog.style, 0x00C80048u);
    EXPECT_EQ(std::make_tuple(dialog.x, dialog.y, dialog.cx, dialog.cy),
              std::make_tuple(0, 0, 298, 78));
    EXPECT_TRUE(!dialog.menu.isOrdinal && dialog.menu.text.empty()) << "the dialog has a menu";
    EXPECT_TRUE(!dialog.windowClass.isOrdinal && dialog.windowClass.text.empty())
        << "the dialog has a class";
    EXPECT_EQ(dialog.title, u"Quorvin");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.weight, 400);
    EXPECT_EQ(dialog.italic, 0);
    EXPECT_EQ(dialog.charset, 1);
    EXPECT_EQ(dialog.typeface, u"MS Shell Dlg");

    // Window class atoms.
    constexpr std::uint16_t kButton = 0x80;
    constexpr std::uint16_t kEdit = 0x81;
    constexpr std::uint16_t kStatic = 0x82;
    constexpr std::uint32_t kNoId = 0xFFFFFFFF;
    constexpr std::uint32_t kAutoScroll = 0x0080;  // ES_AUTOHSCROLL
    constexpr std::uint32_t kReadOnly = 0x0800;    // ES_READONLY
    constexpr std::uint32_t kBitmap = 0x000E;      // SS_BITMAP
    constexpr std::uint32_t kRealSize = 0x0800;    // SS_REALSIZEIMAGE
    constexpr std::uint32_t kGroupBox = 0x0007;    // BS_GROUPBOX
    // BS_PUSHBUTTON is zero: a plain push button is one with none of the
    // BS_ type bits, which the exact style comparison below checks.
    const NameOrOrdinal kNoText{};
    const NameOrOrdinal kLogo{true, IDB_LOGO, u""};
    const struct {
        std::uint32_t id;
        std::uint16_t windowClass;
        NameOrOrdinal title;
        std::uint32_t style;
        std::int16_t x, y, cx, cy;
    } kControls[] = {
        {IDC_PATH, kEdit, kNoText, kChildVisible | kBorder | kTabStop | kAutoScroll, 12, 12, 222,
         12},
        {IDC_BROWSE,
         kButton,
         {false, 0, u"\u6D4F\u89C8..."},
         kChildVisible | kTabStop,
         240,
         12,
         48,
         12},
        {IDC_RESULT, kEdit, kNoText, kChildVisible | kBorder | kTabStop | kReadOnly | kAutoScroll,
         12, 30, 222, 12},
        {IDC_COMPUTE,
         kButton,
         {false, 0, u"\u8BA1\u7B97"},
         kChildVisible | kTabStop,
         240,
         30,
         48,
         12},
        {kNoId, kStatic, kLogo, kChildVisible | kBitmap | kRealSize, 222, 48, 66, 18},
        {kNoId, kButton, kNoText, kChildVisible | kGroupBox, 6, 0, 288, 72},
    };
    EXPECT_EQ(dialog.itemCount, std::size(kControls));
    ASSERT_EQ(dialog.items.size(), std::size(kControls));
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        const DialogItem& item = dialog.items[i];
        const auto& expected = kControls[i];
        EXPECT_EQ(item.id, expected.id);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.style, expected.style)
            << std::hex << "extra bits 0x" << (item.style & ~expected.style) << ", missing bits 0x"
            << (expected.style & ~item.style);
        EXPECT_EQ(std::make_tuple(item.x, item.y, item.cx, item.cy),
                  std::make_tuple(expected.x, expected.y, expected.cx, expected.cy));
        EXPECT_TRUE(item.windowClass.isOrdinal)
            << "class stored by name " << testing::PrintToString(item.windowClass.text)
            << ", not as an atom";
        if (item.windowClass.isOrdinal) {
            EXPECT_EQ(item.windowClass.ordinal, expected.windowClass);
        }
        EXPECT_EQ(item.title.isOrdinal, expected.title.isOrdinal);
        EXPECT_EQ(item.title.ordinal, expected.title.ordinal);
        EXPECT_EQ(item.title.text, expected.title.text);
        EXPECT_EQ(item.extraCount, 0);
    }
}

TEST_F(Executable, LogoIsA24BitBottomUpBitmap) {
    const std::vector<ResourceEntry> entries = Resources();
    const ResourceEntry* logo = FindResource(entries, kBitmapResource, IDB_LOGO);
    ASSERT_NE(logo, nullptr) << "no bitmap " << IDB_LOGO;
    ByteCursor header{logo->data};
    EXPECT_EQ(TakeU32(header), 40u) << "not a BITMAPINFOHEADER";
    EXPECT_EQ(TakeI32(header), 99);
    EXPECT_EQ(TakeI32(header), 29) << "not bottom-up, or another height";
    EXPECT_EQ(TakeU16(header), 1);
    EXPECT_EQ(TakeU16(header), 24);
    EXPECT_EQ(TakeU32(header), 0u) << "compressed";
    EXPECT_TRUE(header.ok) << "bitmap header truncated";
    // Rows padded to four bytes, and no colour table.
    EXPECT_EQ(logo->data.size(), 40u + ((99 * 3 + 3) & ~3u) * 29);
}

TEST_F(Executable, IconGroupsHoldTheSameEightImages) {
    const std::vector<ResourceEntry> entries = Resources();
    const struct {
        std::uint8_t size, colorCount;
        std::uint16_t bitCount;
    } kImages[] = {{32, 16, 4}, {16, 16, 4}, {48, 0, 8},  {32, 0, 8},
                   {16, 0, 8},  {48, 0, 32}, {32, 0, 32}, {16, 0, 32}};
    // The small group repeats the main one's images under their own numbers.
    const std::pair<std::uint32_t, std::uint16_t> kGroups[] = {{IDI_MAIN, 1}, {IDI_MAIN_SMALL, 9}};
    for (const auto& [group, firstIcon] : kGroups) {
        SCOPED_TRACE("icon group " + std::to_string(group));
        const ResourceEntry* directory = FindResource(entries, kIconGroupResource, group);
        ASSERT_NE(directory, nullptr) << "missing";
        ByteCursor cursor{directory->data};
        EXPECT_EQ(TakeU16(cursor), 0);  // reserved
        EXPECT_EQ(TakeU16(cursor), 1) << "not icons";
        EXPECT_EQ(TakeU16(cursor), std::size(kImages));
        for (std::size_t i = 0; i < std::size(kImages); ++i) {
            SCOPED_TRACE("image " + std::to_string(i + 1));
            const auto& expected = kImages[i];
            EXPECT_EQ(TakeU8(cursor), expected.size);
            EXPECT_EQ(TakeU8(cursor), expected.size);
            EXPECT_EQ(TakeU8(cursor), expected.colorCount);
            TakeU8(cursor);  // reserved
            EXPECT_EQ(TakeU16(cursor), 1);
            EXPECT_EQ(TakeU16(cursor), expected.bitCount);
            const std::uint32_t bytesInResource = TakeU32(cursor);
            const std::uint16_t iconId = TakeU16(cursor);
            ASSERT_TRUE(cursor.ok) << "group directory truncated";
            EXPECT_EQ(iconId, firstIcon + i);
            const ResourceEntry* icon = FindResource(entries, kIconResource, iconId);
            ASSERT_NE(icon, nullptr) << "no icon " << iconId;
            EXPECT_EQ(icon->data.size(), bytesInResource);
            ByteCursor image{icon->data};
            EXPECT_EQ(TakeU32(image), 40u) << "not a BITMAPINFOHEADER";
            EXPECT_EQ(TakeI32(image), expected.size);
            EXPECT_EQ(TakeI32(image), 2 * expected.size) << "height must count the mask too";
            TakeU16(image);  // planes
            EXPECT_EQ(TakeU16(image), expected.bitCount);
            EXPECT_EQ(TakeU32(image), 0u) << "compressed";
            TakeU32(image);  // image size
            // The fields an icon image does not use are 0.
            for (const char* field :
                 {"x resolution", "y resolution", "colours used", "colours important"}) {
                EXPECT_EQ(TakeU32(image), 0u) << field;
            }
            EXPECT_TRUE(image.ok) << "icon " << iconId << " truncated";
        }
    }
    for (std::uint32_t icon = 1; icon <= 8; ++icon) {
        const ResourceEntry* large = FindResource(entries, kIconResource, icon);
        const ResourceEntry* small = FindResource(entries, kIconResource, icon + 8);
        ASSERT_TRUE(large != nullptr && small != nullptr)
            << "icon " << icon << " or " << icon + 8 << " missing";
        EXPECT_EQ(large->data, small->data) << "icons " << icon << " and " << icon + 8 << " differ";
    }
}

TEST_F(Executable, VersionBlock) {
    const std::vector<ResourceEntry> entries = Resources();
    const ResourceEntry* resource = FindResource(entries, kVersionResource, 1);
    ASSERT_NE(resource, nullptr) << "no version block";
    VersionNode root;
    ASSERT_TRUE(ReadVersionInfo(resource->data, root)) << "version block malformed";
    EXPECT_EQ(root.key, u"VS_VERSION_INFO");
    EXPECT_EQ(root.type, 0);
    ASSERT_EQ(root.valueLength, 52) << "no VS_FIXEDFILEINFO";
    // VS_FIXEDFILEINFO, field by field.
    const std::array<std::uint32_t, 13> kFixedFileInfo = {
        0xFEEF04BD, 0x00010000,                          // signature, structure version
        kVersionMs, kVersionLs, kVersionMs, kVersionLs,  // file and product version
        0x17,       0,                                   // flags mask, flags
        4,          1,          0,                       // VOS__WINDOWS32, VFT_APP, subtype
        0,          0,                                   // date
    };
    ByteCursor fixed{root.value};
    std::array<std::uint32_t, 13> fixedFileInfo{};
    for (std::uint32_t& field : fixedFileInfo) {
        field = TakeU32(fixed);
    }
    EXPECT_EQ(fixedFileInfo, kFixedFileInfo);

    ASSERT_EQ(root.children.size(), 2u);
    const VersionNode& stringFileInfo = root.children[0];
    EXPECT_EQ(stringFileInfo.key, u"StringFileInfo");
    ASSERT_EQ(stringFileInfo.children.size(), 1u);
    const VersionNode& table = stringFileInfo.children[0];
    EXPECT_EQ(table.key, u"080404b0");
    // Empty expected texts: any text will do, as long as there is one.
    const std::pair<std::u16string, std::u16string> kStrings[] = {
        {u"Comments", u""},
        {u"CompanyName", u""},
        {u"FileDescription", u"GUI For MD5."},
        {u"FileVersion", VersionText()},
        {u"InternalName", u"Quorvin"},
        {u"LegalCopyright", u""},
        {u"OriginalFilename", u"Quorvin.exe"},
        {u"ProductName", u"\" Quorvin\""},
        {u"ProductVersion", VersionText()},
    };
    ASSERT_EQ(table.children.size(), std::size(kStrings));
    for (std::size_t i = 0; i < table.children.size(); ++i) {
        const VersionNode& string = table.children[i];
        const auto& [key, text] = kStrings[i];
        SCOPED_TRACE(std::string(key.begin(), key.end()));
        EXPECT_EQ(string.key, key);
        EXPECT_EQ(string.type, 1) << "not text";
        const std::u16string stored = StoredText(string.value);
        ASSERT_FALSE(stored.empty());
        EXPECT_EQ(stored.back(), u'\0') << "not terminated within its length";
        EXPECT_EQ(stored.find(u'\0'), stored.size() - 1) << "length reaches past the text";
        if (text.empty()) {
            EXPECT_GT(stored.size(), 1u) << "empty";
        } else {
            EXPECT_EQ(stored, text + u'\0');
        }
    }

    const VersionNode& varFileInfo = root.children[1];
    EXPECT_EQ(varFileInfo.key, u"VarFileInfo");
    ASSERT_EQ(varFileInfo.children.size(), 1u);
    const VersionNode& translation = varFileInfo.children[0];
    EXPECT_EQ(translation.key, u"Translation");
    EXPECT_EQ(translation.type, 0) << "not binary";
    // Chinese (Simplified), Unicode code page 1200.
    EXPECT_EQ(translation.value, (Bytes{0x04, 0x08, 0xB0, 0x04}));
}

}  // namespace
