#pragma once

class QDir;

namespace artgen {

// Button glyphs, drawn on a 24-unit grid and written at 1x and 2x. Toolbar glyphs get a
// disabled twin, since the toolbar greys out its commands while a test runs. The main window's
// glyphs go in glyphs/; the intro window's own, which it carries itself, in glyphs/intro/.
bool writeGlyphs(const QDir &resources);

} // namespace artgen
