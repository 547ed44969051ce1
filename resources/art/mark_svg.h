// The mark as a scalable image (SVG), from the same geometry and colours as
// the raster, for the icon theme's scalable icon.
#pragma once

#include <string>

#include "resources/art/mark.h"
#include "resources/art/raster.h"

// The SVG document of the mark, painted as the rasteriser paints it.
std::string MarkSvg(const MarkGeometry& g);

// A colour as SVG and AppStream write it: "#rrggbb", in lower case.
std::string HexColour(Rgb c);
