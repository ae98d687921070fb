#pragma once
// A picture of everything the generator drew, for review: the camera
// program's window put together from the stored bitmaps (drawer closed and
// open), the scanner module's window, then every resource with its name.

#include <QImage>

#include "resource_set.h"

namespace skingen {

QImage contactSheet(const ResourceSet& lumoset, const ResourceSet& module);

} // namespace skingen
