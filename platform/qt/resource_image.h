// A reader for a compiled resource script (the .res image windres writes):
// the Windows resources the native program carries in place of an
// executable's resource section. It finds a resource by type and number,
// reads the extended dialog template, and turns a bitmap resource back into
// a .bmp file. Every read is bounds-checked: a damaged image gives false,
// never a read outside its bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

using ResourceBytes = std::span<const std::uint8_t>;

// Resource types by their Windows numbers.
inline constexpr std::uint16_t kResourceTypeBitmap = 2;
inline constexpr std::uint16_t kResourceTypeDialog = 5;

// The data of the first resource of `type` numbered `number` (any language),
// or false if the image holds none or is damaged.
bool FindResourceData(ResourceBytes image, std::uint16_t type, std::uint16_t number,
                      ResourceBytes& data);

// The predefined control classes, by the atoms templates name them with.
inline constexpr std::uint16_t kButtonClassAtom = 0x0080;
inline constexpr std::uint16_t kEditClassAtom = 0x0081;
inline constexpr std::uint16_t kStaticClassAtom = 0x0082;

// A rectangle in dialog units.
struct DialogUnitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// One control of a template. A class or a text given as a resource number
// (an atom, a bitmap's number) has it in `classAtom` or `textNumber`, and
// an empty string beside it.
struct DialogControlTemplate {
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
    DialogUnitRect rect;
    int id = 0;
    std::uint16_t classAtom = 0;
    std::string className;
    std::uint16_t textNumber = 0;
    std::string text;  // UTF-8
};

struct DialogTemplate {
    std::uint32_t style = 0;
    std::uint32_t extendedStyle = 0;
    DialogUnitRect rect;
    std::string caption;  // UTF-8
    bool hasFont = false;
    int fontPointSize = 0;
    int fontWeight = 0;
    bool fontItalic = false;
    std::string fontFace;  // UTF-8
    std::vector<DialogControlTemplate> controls;  // in template order
};

// Reads an extended (DIALOGEX) template. The older form, a menu or a window
// class of the dialog's own are not taken: this program's template has none.
bool ParseDialogTemplate(ResourceBytes data, DialogTemplate& dialog);

// A bitmap resource is a .bmp file without its 14-byte file header; this
// puts the header back, so that an image reader can take it.
bool BitmapFileFromResource(ResourceBytes data, std::vector<std::uint8_t>& file);
