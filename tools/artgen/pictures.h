#pragma once

class QDir;

// The pictures that stand on their own: the program icon (in icons/), and the maker's logo, the
// start-screen and the help pictures (in the given pictures folder).

namespace artgen {

bool writeIcon(const QDir &resources);
bool writeMakerLogo(const QDir &pictures);
bool writeMainPictures(const QDir &pictures);
bool writeHelpPictures(const QDir &pictures);

} // namespace artgen
