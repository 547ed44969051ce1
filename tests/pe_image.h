// A reader for the parts of a 32-bit Windows executable that the tests look
// at: the headers, the import table, the resource tree, dialog templates and
// the version block. Every read is bounds-checked, so a truncated or damaged
// file gives false (or zeros and empty texts), never a read outside the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// The whole file, or nothing if it cannot be read.
Bytes ReadFileBytes(const char* path);

// A read position in a byte range. A read past the end clears `ok` and gives
// zero, so a run of reads needs checking only once, after the last.
struct ByteCursor {
    std::span<const std::uint8_t> bytes;
    std::size_t offset = 0;
    bool ok = true;
};

std::uint8_t TakeU8(ByteCursor& cursor);
std::uint16_t TakeU16(ByteCursor& cursor);
std::uint32_t TakeU32(ByteCursor& cursor);
std::int16_t TakeI16(ByteCursor& cursor);
std::int32_t TakeI32(ByteCursor& cursor);
// `count` bytes, or nothing (and `ok` cleared) if fewer are left.
Bytes TakeBytes(ByteCursor& cursor, std::size_t count);
// Up to the next multiple of four, counted from the start of the range.
void AlignTo4(ByteCursor& cursor);
// NUL-terminated strings; the terminator is consumed, not kept.
std::string TakeString8(ByteCursor& cursor);
std::u16string TakeString16(ByteCursor& cursor);

struct Section {
    std::uint32_t virtualAddress = 0;
    std::uint32_t rawOffset = 0;
    std::uint32_t rawSize = 0;
};

struct DataDirectory {
    std::uint32_t rva = 0;
    std::uint32_t size = 0;
};

inline constexpr std::size_t kImportDirectory = 1;
inline constexpr std::size_t kResourceDirectory = 2;
inline constexpr std::size_t kRelocationDirectory = 5;

struct PeHeaders {
    std::uint16_t machine = 0;
    std::uint16_t characteristics = 0;
    std::uint16_t optionalHeaderMagic = 0;
    std::uint16_t subsystem = 0;
    std::uint16_t dllCharacteristics = 0;
    std::vector<DataDirectory> directories;  // missing ones are zero
    std::vector<Section> sections;
};

bool ReadPeHeaders(const Bytes& image, PeHeaders& headers);

// The file's bytes from `rva` to the end of the section holding it; `ok` is
// false when no section's file data holds it.
ByteCursor CursorAtRva(const Bytes& image, const PeHeaders& headers, std::uint32_t rva);

struct ImportedDll {
    std::string name;
    std::vector<std::string> functions;  // imports by ordinal read "#<number>"
};

bool ReadImports(const Bytes& image, const PeHeaders& headers, std::vector<ImportedDll>& dlls);

// One leaf of the resource tree. A key is its directory entry's name field
// as stored: a number below 0x10000, or with the top bit set, where a
// string name is (so a named entry never equals a numbered one).
struct ResourceEntry {
    std::uint32_t type = 0;
    std::uint32_t name = 0;
    std::uint32_t language = 0;
    Bytes data;
};

bool ReadResources(const Bytes& image, const PeHeaders& headers,
                   std::vector<ResourceEntry>& entries);

// A dialog template's "string or ordinal" field: 0xFFFF and a number, or a
// string (empty when the field is a single zero word).
struct NameOrOrdinal {
    bool isOrdinal = false;
    std::uint16_t ordinal = 0;
    std::u16string text;
};

struct DialogItem {
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    std::uint32_t id = 0;
    NameOrOrdinal windowClass;
    NameOrOrdinal title;
    std::uint16_t extraCount = 0;
};

// An extended dialog template (DLGTEMPLATEEX) and its items.
struct DialogTemplate {
    std::uint16_t version = 0;
    std::uint16_t signature = 0;
    std::uint32_t helpId = 0;
    std::uint32_t exStyle = 0;
    std::uint32_t style = 0;
    std::uint16_t itemCount = 0;
    std::int16_t x = 0, y = 0, cx = 0, cy = 0;
    NameOrOrdinal menu;
    NameOrOrdinal windowClass;
    std::u16string title;
    // Present only with DS_SETFONT in the style.
    std::uint16_t pointSize = 0;
    std::uint16_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t charset = 0;
    std::u16string typeface;
    std::vector<DialogItem> items;
};

bool ReadDialogTemplate(std::span<const std::uint8_t> data, DialogTemplate& dialog);

// One node of a version block: VS_VERSIONINFO, StringFileInfo, a string
// table, a string, VarFileInfo or Var.
struct VersionNode {
    std::uint16_t length = 0;
    std::uint16_t valueLength = 0;
    std::uint16_t type = 0;  // 1: the value is text, valueLength counts WCHARs
    std::u16string key;
    Bytes value;
    std::vector<VersionNode> children;
};

bool ReadVersionInfo(std::span<const std::uint8_t> data, VersionNode& root);
