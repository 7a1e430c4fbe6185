#pragma once

#include "sportprofile.h"

class QPainter;

namespace artgen {

// The sport's own ground over the whole course picture. All sizes are in picture pixels; the
// courses are not to scale, so the markings are laid out to look right around the stations
// rather than to the metre.
void drawBackground(QPainter &p, Protocol::SportVariant variant);

} // namespace artgen
