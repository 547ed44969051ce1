// The logo: the mark beside the name in a pixel font of its own (the
// wordmark), at the dialog's size and at twice that for dense screens, drawn
// in two layers without paper, and those layers laid on paper.
#pragma once

#include "resources/art/raster.h"

// The logo without its paper, in two layers of the logo's size: the mark in
// its own colours, and the wordmark, every pixel of which has the ink's
// colour, so that a program that inks it otherwise can take the drawn ink
// from any pixel. Coverage is the alpha, not premultiplied, so either layer
// can be laid on any paper; the layers never overlap. The bitmaps are the
// two laid on the dialog face; the native program lays them on its own.
struct LogoLayers {
    Image mark;
    Image wordmark;
};

// The Windows logo is opaque, so its paper must match the dialog behind it:
// this is COLOR_BTNFACE in Windows' default colours since Vista.
constexpr Rgb kDialogFace{240, 240, 240};

// The logo at the dialog's size, 99 x 29 pixels.
LogoLayers DrawLogoLayers();

// The logo for screens of 150 % and more: the same layout at twice the size.
LogoLayers DrawLogoLayersAtTwiceTheSize();

// The layers laid, in order, on opaque paper.
Image OnPaper(const LogoLayers& layers, Rgb paper);
