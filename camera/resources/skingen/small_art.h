#pragma once
// The small pieces: status windows, lamps, the settings pages' summary
// marks, slider grooves and thumbs, cursors and program icons.

#include "resource_set.h"

namespace skingen {

void drawIndicators(ResourceSet& out);       // the camera program's status windows and lamps
void drawPageStrips(ResourceSet& out);       // the settings pages' summary marks
void drawSliderParts(ResourceSet& lumoset, ResourceSet& module);
void drawCursorsAndIcons(ResourceSet& lumoset, ResourceSet& module);
void drawModuleIndicators(ResourceSet& module);

} // namespace skingen
