#include "tests/pe_image.h"

#include <array>
#include <fstream>
#include <iterator>

Bytes ReadFileBytes(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {};
    }
    return Bytes{std::istreambuf_iterator<char>(file), {}};
}

namespace {

// Little-endian, `count` bytes; zero and `ok` cleared if fewer are left.
std::uint32_t TakeLittleEndian(ByteCursor& cursor, std::size_t count) {
    if (!cursor.ok || cursor.offset > cursor.bytes.size() ||
        cursor.bytes.size() - cursor.offset < count) {
        cursor.ok = false;
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = count; i-- > 0;) {
        value = (value << 8) | cursor.bytes[cursor.offset + i];
    }
    cursor.offset += count;
    return value;
}

void Skip(ByteCursor& cursor, std::size_t count) { TakeBytes(cursor, count); }

}  // namespace

std::uint8_t TakeU8(ByteCursor& cursor) {
    return static_cast<std::uint8_t>(TakeLittleEndian(cursor, 1));
}

std::uint16_t TakeU16(ByteCursor& cursor) {
    return static_cast<std::uint16_t>(TakeLittleEndian(cursor, 2));
}

std::uint32_t TakeU32(ByteCursor& cursor) { return TakeLittleEndian(cursor, 4); }

std::int16_t TakeI16(ByteCursor& cursor) { return static_cast<std::int16_t>(TakeU16(cursor)); }

std::int32_t TakeI32(ByteCursor& cursor) { return static_cast<std::int32_t>(TakeU32(cursor)); }

Bytes TakeBytes(ByteCursor& cursor, std::size_t count) {
    if (!cursor.ok || cursor.offset > cursor.bytes.size() ||
        cursor.bytes.size() - cursor.offset < count) {
        cursor.ok = false;
        return {};
    }
    const auto start = cursor.bytes.begin() + static_cast<std::ptrdiff_t>(cursor.offset);
    cursor.offset += count;
    return Bytes(start, start + static_cast<std::ptrdiff_t>(count));
}

void AlignTo4(ByteCursor& cursor) { cursor.offset = (cursor.offset + 3) & ~std::size_t{3}; }

std::string TakeString8(ByteCursor& cursor) {
    std::string text;
    for (char c = static_cast<char>(TakeU8(cursor)); cursor.ok && c != '\0';
         c = static_cast<char>(TakeU8(cursor))) {
        text += c;
    }
    return text;
}

std::u16string TakeString16(ByteCursor& cursor) {
    std::u16string text;
    for (char16_t c = TakeU16(cursor); cursor.ok && c != u'\0'; c = TakeU16(cursor)) {
        text += c;
    }
    return text;
}

bool ReadPeHeaders(const Bytes& image, PeHeaders& headers) {
    headers = {};
    ByteCursor dos{image};
    const std::uint16_t dosMagic = TakeU16(dos);  // "MZ"
    dos.offset = 0x3C;
    ByteCursor nt{image, TakeU32(dos)};
    if (!dos.ok || dosMagic != 0x5A4D || TakeU32(nt) != 0x00004550) {  // "PE\0\0"
        return false;
    }
    headers.machine = TakeU16(nt);
    const std::uint16_t sectionCount = TakeU16(nt);
    Skip(nt, 12);
    const std::uint16_t optionalHeaderSize = TakeU16(nt);
    headers.characteristics = TakeU16(nt);
    const std::size_t optionalHeaderStart = nt.offset;
    headers.optionalHeaderMagic = TakeU16(nt);
    // PE32+ has a 64-bit image base and stack sizes, moving what follows.
    const std::size_t wordSizeShift = headers.optionalHeaderMagic == 0x20B ? 16 : 0;
    nt.offset = optionalHeaderStart + 68;
    headers.subsystem = TakeU16(nt);
    headers.dllCharacteristics = TakeU16(nt);
    nt.offset = optionalHeaderStart + 92 + wordSizeShift;
    const std::uint32_t directoryCount = TakeU32(nt);
    if (!nt.ok || 96 + wordSizeShift + std::uint64_t{directoryCount} * 8 > optionalHeaderSize) {
        return false;
    }
    headers.directories.resize(16);
    for (std::uint32_t i = 0; i < directoryCount && i < 16; ++i) {
        headers.directories[i].rva = TakeU32(nt);
        headers.directories[i].size = TakeU32(nt);
    }
    nt.offset = optionalHeaderStart + optionalHeaderSize;
    for (std::uint16_t i = 0; i < sectionCount && nt.ok; ++i) {
        Section section;
        Skip(nt, 12);  // name, virtual size
        section.virtualAddress = TakeU32(nt);
        section.rawSize = TakeU32(nt);
        section.rawOffset = TakeU32(nt);
        Skip(nt, 16);
        headers.sections.push_back(section);
    }
    return nt.ok;
}

ByteCursor CursorAtRva(const Bytes& image, const PeHeaders& headers, std::uint32_t rva) {
    for (const Section& section : headers.sections) {
        const std::uint64_t end = std::uint64_t{section.rawOffset} + section.rawSize;
        if (rva >= section.virtualAddress && rva - section.virtualAddress < section.rawSize &&
            end <= image.size()) {
            const std::size_t start = section.rawOffset + (rva - section.virtualAddress);
            return ByteCursor{std::span<const std::uint8_t>(image).subspan(
                start, static_cast<std::size_t>(end) - start)};
        }
    }
    return ByteCursor{{}, 0, false};
}

bool ReadImports(const Bytes& image, const PeHeaders& headers, std::vector<ImportedDll>& dlls) {
    dlls.clear();
    ByteCursor descriptors = CursorAtRva(image, headers, headers.directories[kImportDirectory].rva);
    while (descriptors.ok) {
        const std::uint32_t lookupTable = TakeU32(descriptors);
        Skip(descriptors, 8);  // time stamp, forwarder chain
        const std::uint32_t nameRva = TakeU32(descriptors);
        const std::uint32_t addressTable = TakeU32(descriptors);
        if (!descriptors.ok || (lookupTable == 0 && nameRva == 0 && addressTable == 0)) {
            break;
        }
        ImportedDll dll;
        ByteCursor name = CursorAtRva(image, headers, nameRva);
        dll.name = TakeString8(name);
        // The lookup table, or when the linker left it out, the address table,
        // which holds the same until the loader binds it.
        ByteCursor thunks =
            CursorAtRva(image, headers, lookupTable != 0 ? lookupTable : addressTable);
        for (std::uint32_t thunk = TakeU32(thunks); thunks.ok && thunk != 0;
             thunk = TakeU32(thunks)) {
            if ((thunk & 0x80000000u) != 0) {
                dll.functions.push_back(
                    std::string(1, '#').append(std::to_string(thunk & 0xFFFFu)));
                continue;
            }
            ByteCursor hintName = CursorAtRva(image, headers, thunk);
            Skip(hintName, 2);
            dll.functions.push_back(TakeString8(hintName));
            if (!hintName.ok) {
                return false;
            }
        }
        if (!name.ok || !thunks.ok) {
            return false;
        }
        dlls.push_back(dll);
    }
    return descriptors.ok;
}

namespace {

// Far more than any real program has; a tree whose entries share
// subdirectories could otherwise name billions of leaves.
constexpr std::size_t kMaxResourceEntries = 10000;

// Reads the directory at `offset` in the tree, `level` 0 (types), 1 (names)
// or 2 (languages, whose entries are the data).
bool ReadResourceDirectory(const Bytes& image, const PeHeaders& headers,
                           std::span<const std::uint8_t> tree, std::uint32_t offset,
                           std::size_t level, std::array<std::uint32_t, 3>& keys,
                           std::vector<ResourceEntry>& entries) {
    ByteCursor directory{tree, offset};
    Skip(directory, 12);
    const std::size_t count = std::size_t{TakeU16(directory)} + TakeU16(directory);
    for (std::size_t i = 0; i < count && directory.ok; ++i) {
        keys[level] = TakeU32(directory);
        const std::uint32_t target = TakeU32(directory);
        const bool isSubdirectory = (target & 0x80000000u) != 0;
        if (!directory.ok || isSubdirectory != (level < 2) ||
            entries.size() >= kMaxResourceEntries) {
            return false;
        }
        if (isSubdirectory) {
            if (!ReadResourceDirectory(image, headers, tree, target & 0x7FFFFFFFu, level + 1, keys,
                                       entries)) {
                return false;
            }
            continue;
        }
        ByteCursor leaf{tree, target};
        const std::uint32_t dataRva = TakeU32(leaf);
        const std::uint32_t size = TakeU32(leaf);
        ByteCursor data = CursorAtRva(image, headers, dataRva);
        entries.push_back({keys[0], keys[1], keys[2], TakeBytes(data, size)});
        if (!leaf.ok || !data.ok) {
            return false;
        }
    }
    return directory.ok;
}

NameOrOrdinal TakeNameOrOrdinal(ByteCursor& cursor) {
    NameOrOrdinal field;
    const std::size_t start = cursor.offset;
    if (TakeU16(cursor) == 0xFFFF) {
        field.isOrdinal = true;
        field.ordinal = TakeU16(cursor);
    } else {
        cursor.offset = start;
        field.text = TakeString16(cursor);
    }
    return field;
}

// `depth` 0 is VS_VERSIONINFO; a string, at depth 3, has no children.
bool ReadVersionNode(std::span<const std::uint8_t> data, std::size_t depth, VersionNode& node) {
    ByteCursor cursor{data};
    node.length = TakeU16(cursor);
    node.valueLength = TakeU16(cursor);
    node.type = TakeU16(cursor);
    if (!cursor.ok || node.length < 6 || node.length > data.size() || depth > 3) {
        return false;
    }
    cursor.bytes = data.first(node.length);
    node.key = TakeString16(cursor);
    AlignTo4(cursor);
    node.value =
        TakeBytes(cursor, node.type == 1 ? std::size_t{node.valueLength} * 2 : node.valueLength);
    for (AlignTo4(cursor); cursor.ok && cursor.offset < cursor.bytes.size(); AlignTo4(cursor)) {
        VersionNode child;
        if (!ReadVersionNode(cursor.bytes.subspan(cursor.offset), depth + 1, child)) {
            return false;
        }
        cursor.offset += child.length;
        node.children.push_back(child);
    }
    return cursor.ok;
}

}  // namespace

bool ReadResources(const Bytes& image, const PeHeaders& headers,
                   std::vector<ResourceEntry>& entries) {
    entries.clear();
    const ByteCursor tree =
        CursorAtRva(image, headers, headers.directories[kResourceDirectory].rva);
    std::array<std::uint32_t, 3> keys{};
    return tree.ok && ReadResourceDirectory(image, headers, tree.bytes, 0, 0, keys, entries);
}

bool ReadDialogTemplate(std::span<const std::uint8_t> data, DialogTemplate& dialog) {
    dialog = {};
    ByteCursor cursor{data};
    dialog.version = TakeU16(cursor);
    dialog.signature = TakeU16(cursor);
    dialog.helpId = TakeU32(cursor);
    dialog.exStyle = TakeU32(cursor);
    dialog.style = TakeU32(cursor);
    dialog.itemCount = TakeU16(cursor);
    dialog.x = TakeI16(cursor);
    dialog.y = TakeI16(cursor);
    dialog.cx = TakeI16(cursor);
    dialog.cy = TakeI16(cursor);
    dialog.menu = TakeNameOrOrdinal(cursor);
    dialog.windowClass = TakeNameOrOrdinal(cursor);
    dialog.title = TakeString16(cursor);
    if ((dialog.style & 0x40) != 0) {  // DS_SETFONT
        dialog.pointSize = TakeU16(cursor);
        dialog.weight = TakeU16(cursor);
        dialog.italic = TakeU8(cursor);
        dialog.charset = TakeU8(cursor);
        dialog.typeface = TakeString16(cursor);
    }
    for (std::uint16_t i = 0; i < dialog.itemCount && cursor.ok; ++i) {
        AlignTo4(cursor);
        DialogItem item;
        item.helpId = TakeU32(cursor);
        item.exStyle = TakeU32(cursor);
        item.style = TakeU32(cursor);
        item.x = TakeI16(cursor);
        item.y = TakeI16(cursor);
        item.cx = TakeI16(cursor);
        item.cy = TakeI16(cursor);
        item.id = TakeU32(cursor);
        item.windowClass = TakeNameOrOrdinal(cursor);
        item.title = TakeNameOrOrdinal(cursor);
        item.extraCount = TakeU16(cursor);
        Skip(cursor, item.extraCount);
        dialog.items.push_back(item);
    }
    return cursor.ok;
}

bool ReadVersionInfo(std::span<const std::uint8_t> data, VersionNode& root) {
    root = {};
    return ReadVersionNode(data, 0, root);
}
