#pragma once
// The camera body: the camera program's centre panel, album wings and
// settings drawer with every key of its skin, and the scanner module's
// camera window in the same dress.

#include "resource_set.h"

namespace skingen {

void drawCameraProgramBody(ResourceSet& out);
void drawScannerModuleBody(ResourceSet& out);

} // namespace skingen
