// The compiled resource script, built into the program: the dialog
// templates and bitmaps a Windows executable would carry as resources.
#pragma once

#include "platform/qt/resource_image.h"

ResourceBytes EmbeddedResourceImage();
// Its bitmaps drawn at twice the size, under the same numbers.
ResourceBytes EmbeddedDoubleSizeImage();
// The logo without its paper, in layers (the mark in its colours, the
// wordmark as ink: see LayeredPicture), at its own size and at twice it.
ResourceBytes EmbeddedLogoMark();
ResourceBytes EmbeddedLogoWordmark();
ResourceBytes EmbeddedLogoMarkDoubleSize();
ResourceBytes EmbeddedLogoWordmarkDoubleSize();
