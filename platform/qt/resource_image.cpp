// The compiled resource image: a run of entries, each a header (data size,
// header size, type, name, language...) followed by its data, every header
// and every data block starting on a 4-byte boundary. All numbers are
// little-endian, all texts UTF-16.
#include "platform/qt/resource_image.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {

// The dialog's style: a caption with a close box, and the font after the
// caption (DS_SHELLFONT is DS_SETFONT | DS_FIXEDSYS).
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t DS_SHELLFONT = 0x0048;
constexpr std::uint32_t kDialogStyle = DS_SHELLFONT | WS_CAPTION | WS_SYSMENU;

// The predefined control classes, by the atoms templates name them with,
// and the control styles the template gives them, by their Windows names.
constexpr std::uint16_t kButtonClassAtom = 0x0080;
constexpr std::uint16_t kEditClassAtom = 0x0081;
constexpr std::uint16_t kStaticClassAtom = 0x0082;
constexpr std::uint32_t kShownChild = 0x50000000;  // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
constexpr std::uint32_t ES_READONLY = 0x0800;
constexpr std::uint32_t BS_GROUPBOX = 0x0007;  // BS_PUSHBUTTON is 0
constexpr std::uint32_t SS_BITMAP = 0x000E;
constexpr std::uint32_t SS_REALSIZEIMAGE = 0x0800;

// Each kind of control by its class and its whole style. A style with a bit
// more or less would ask for behaviour the dialog window does not have.
struct KnownControl {
    std::uint16_t classAtom;
    std::uint32_t style;
    ControlKind kind;
};
constexpr std::uint32_t kFieldStyle = kShownChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr KnownControl kKnownControls[] = {
    {kEditClassAtom, kFieldStyle, ControlKind::Edit},
    {kEditClassAtom, kFieldStyle | ES_READONLY, ControlKind::ReadOnlyEdit},
    {kButtonClassAtom, kShownChild | WS_TABSTOP, ControlKind::PushButton},
    {kButtonClassAtom, kShownChild | BS_GROUPBOX, ControlKind::GroupBox},
    {kStaticClassAtom, kShownChild | SS_BITMAP | SS_REALSIZEIMAGE, ControlKind::Picture},
};

// A name-or-number field that holds a number: 0xFFFF, then the number,
// read as one little-endian word. A field that holds a name starts with
// its first character instead.
constexpr std::uint16_t kNumberFollows = 0xFFFF;
constexpr std::uint32_t Numbered(std::uint16_t number) {
    return kNumberFollows | static_cast<std::uint32_t>(number) << 16;
}

// A class by name has no atom, and is none of them.
const KnownControl* FindKnownControl(std::uint32_t classField, std::uint32_t style) {
    const KnownControl* found =
        std::ranges::find_if(kKnownControls, [&](const KnownControl& known) {
            return Numbered(known.classAtom) == classField && known.style == style;
        });
    return found != std::end(kKnownControls) ? found : nullptr;
}

// A read position in a byte range. A read past the end clears `ok` and
// yields zero, so a run of reads is checked once, after the last.
struct Reader {
    ResourceBytes bytes;
    std::size_t offset = 0;
    bool ok = true;
};

std::uint32_t ReadLittleEndian(Reader& reader, std::size_t size) {
    if (!reader.ok || reader.offset > reader.bytes.size() ||
        reader.bytes.size() - reader.offset < size) {
        reader.ok = false;
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < size; ++i) {
        value |= static_cast<std::uint32_t>(reader.bytes[reader.offset + i]) << (8 * i);
    }
    reader.offset += size;
    return value;
}

std::uint8_t Read8(Reader& reader) {
    return static_cast<std::uint8_t>(ReadLittleEndian(reader, 1));
}
std::uint16_t Read16(Reader& reader) {
    return static_cast<std::uint16_t>(ReadLittleEndian(reader, 2));
}
std::uint32_t Read32(Reader& reader) { return ReadLittleEndian(reader, 4); }
int ReadSigned16(Reader& reader) { return static_cast<std::int16_t>(Read16(reader)); }

void AlignTo4(Reader& reader) {
    const std::size_t aligned = (reader.offset + 3) & ~std::size_t{3};
    if (aligned > reader.bytes.size()) {
        reader.ok = false;
        return;
    }
    reader.offset = aligned;
}

// A terminated UTF-16 text, as UTF-8.
std::string ReadText(Reader& reader) {
    std::u16string text;
    for (std::uint16_t unit = Read16(reader); reader.ok && unit != 0; unit = Read16(reader)) {
        text += static_cast<char16_t>(unit);
    }
    return QString::fromStdU16String(text).toStdString();
}

// x, y, width and height: a braced list is read left to right.
DialogUnitRect ReadRect(Reader& reader) {
    return {ReadSigned16(reader), ReadSigned16(reader), ReadSigned16(reader), ReadSigned16(reader)};
}

}  // namespace

bool FindResourceData(ResourceBytes image, std::uint16_t type, std::uint16_t number,
                      ResourceBytes& data) {
    Reader reader{image};
    while (reader.ok && reader.offset < image.size()) {
        const std::size_t entryStart = reader.offset;
        const std::uint32_t dataSize = Read32(reader);
        const std::uint32_t headerSize = Read32(reader);
        // Matched as numbers: a type or name that is a text is none of those
        // asked for, and the header's size passes over it.
        const std::uint32_t entryType = Read32(reader);
        const std::uint32_t entryNumber = Read32(reader);
        // A header shorter than what was read of it would make the next
        // entry start where this one did, and the search never end.
        if (!reader.ok || headerSize < reader.offset - entryStart ||
            headerSize > image.size() - entryStart ||
            dataSize > image.size() - entryStart - headerSize) {
            return false;
        }
        const std::size_t dataStart = entryStart + headerSize;
        if (entryType == Numbered(type) && entryNumber == Numbered(number)) {
            data = image.subspan(dataStart, dataSize);
            return true;
        }
        reader.offset = dataStart + dataSize;
        AlignTo4(reader);
    }
    return false;
}

bool ParseDialogTemplate(ResourceBytes data, DialogTemplate& dialog) {
    constexpr std::uint16_t kExtendedVersion = 1;
    constexpr std::uint16_t kExtendedSignature = 0xFFFF;

    Reader reader{data};
    if (Read16(reader) != kExtendedVersion || Read16(reader) != kExtendedSignature) {
        return false;
    }
    Read32(reader);  // help context
    const std::uint32_t extendedStyle = Read32(reader);
    const std::uint32_t style = Read32(reader);
    const std::uint16_t controlCount = Read16(reader);
    dialog.rect = ReadRect(reader);
    // No menu and no window class of its own: each field a single zero.
    if (extendedStyle != 0 || style != kDialogStyle || Read16(reader) != 0 || Read16(reader) != 0) {
        return false;
    }
    dialog.caption = ReadText(reader);
    dialog.fontPointSize = Read16(reader);
    dialog.fontWeight = Read16(reader);
    dialog.fontItalic = Read8(reader) != 0;
    Read8(reader);     // character set
    ReadText(reader);  // face: a Windows alias, which the desktop's own face stands in for

    dialog.controls.clear();
    for (int i = 0; i < controlCount && reader.ok; ++i) {
        AlignTo4(reader);
        DialogControlTemplate control;
        Read32(reader);  // help context
        const std::uint32_t controlExtendedStyle = Read32(reader);
        const std::uint32_t controlStyle = Read32(reader);
        control.rect = ReadRect(reader);
        control.id = static_cast<std::int32_t>(Read32(reader));
        const std::uint32_t controlClass = Read32(reader);
        // A picture names its bitmap by number; any other control has a text.
        const std::size_t textStart = reader.offset;
        const bool textIsNumber = Read16(reader) == kNumberFollows;
        if (textIsNumber) {
            control.bitmapNumber = Read16(reader);
        } else {
            reader.offset = textStart;
            control.text = ReadText(reader);
        }
        const std::uint16_t creationDataSize = Read16(reader);
        if (reader.ok && creationDataSize > data.size() - reader.offset) {
            reader.ok = false;
        }
        reader.offset += reader.ok ? creationDataSize : 0;

        const KnownControl* known = FindKnownControl(controlClass, controlStyle);
        if (known == nullptr || controlExtendedStyle != 0 ||
            textIsNumber != (known->kind == ControlKind::Picture)) {
            return false;
        }
        control.kind = known->kind;
        dialog.controls.push_back(control);
    }
    return reader.ok;
}

bool BitmapFileFromResource(ResourceBytes data, std::vector<std::uint8_t>& file) {
    // The bitmaps the art program writes: BITMAPINFOHEADER, one plane, BI_RGB,
    // no colour table or masks, so the pixels follow the header at once.
    constexpr std::uint32_t kFileHeaderSize = 14;
    constexpr std::uint32_t kInfoHeaderSize = 40;
    constexpr std::uint16_t kPlanes = 1;
    constexpr std::uint16_t kBitsPerPixel = 24;
    constexpr std::uint32_t BI_RGB = 0;

    Reader reader{data};
    const std::uint32_t infoHeaderSize = Read32(reader);
    Read32(reader);  // width
    Read32(reader);  // height
    const std::uint16_t planes = Read16(reader);
    const std::uint16_t bitsPerPixel = Read16(reader);
    const std::uint32_t compression = Read32(reader);
    Read32(reader);  // size of the pixels
    Read32(reader);  // horizontal resolution
    Read32(reader);  // vertical resolution
    const std::uint32_t coloursUsed = Read32(reader);
    if (!reader.ok || infoHeaderSize != kInfoHeaderSize || planes != kPlanes ||
        bitsPerPixel != kBitsPerPixel || compression != BI_RGB || coloursUsed != 0) {
        return false;
    }
    const std::uint64_t fileSize = kFileHeaderSize + data.size();
    if (fileSize > UINT32_MAX) {
        return false;
    }
    file.assign({'B', 'M'});
    for (const std::uint32_t field : {static_cast<std::uint32_t>(fileSize), std::uint32_t{0},
                                      kFileHeaderSize + kInfoHeaderSize}) {
        for (int i = 0; i < 4; ++i) {
            file.push_back(static_cast<std::uint8_t>(field >> (8 * i)));
        }
    }
    file.insert(file.end(), data.begin(), data.end());
    return true;
}
