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

// A rectangle in dialog units.
struct DialogUnitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The controls this program's template holds, each told by its class and
// its whole style: the fields are tab stops with a border that scroll
// sideways, the buttons plain push buttons that are tab stops, the picture
// a bitmap at its own size.
enum class ControlKind { Edit, ReadOnlyEdit, PushButton, GroupBox, Picture };

struct DialogControlTemplate {
    ControlKind kind = ControlKind::Edit;
    DialogUnitRect rect;
    int id = 0;
    std::uint16_t bitmapNumber = 0;  // a picture's
    std::string text;                // any other's, UTF-8
};

// A dialog with a caption, a close box and its own font, of a fixed size.
struct DialogTemplate {
    DialogUnitRect rect;
    std::string caption;  // UTF-8
    int fontPointSize = 0;
    int fontWeight = 0;
    bool fontItalic = false;
    std::vector<DialogControlTemplate> controls;  // in template order
};

// Reads an extended (DIALOGEX) template. Only what the records above hold
// is taken: a template with any other style, extended style or control
// class, a menu or a window class of its own is refused, as is the older
// form, rather than realised in part.
bool ParseDialogTemplate(ResourceBytes data, DialogTemplate& dialog);

// A bitmap resource is a .bmp file without its 14-byte file header; this
// puts the header back, so that an image reader can take it. Only the form
// the program's bitmaps have is taken: the basic 40-byte header, 24 bits a
// pixel, uncompressed, no colour table. Any other (a palette, bit-field
// masks, a larger header) is refused, rather than realised in part.
bool BitmapFileFromResource(ResourceBytes data, std::vector<std::uint8_t>& file);
