// Draws the course pictures and writes the cue sounds from the same station table and profiles
// the program uses, so a moved station or a new sport only needs a rerun of this tool. It also
// draws the maker's logo, the start-screen and help pictures and the button glyphs.
//
// Usage: artgen <resources-folder>

#include "courseplans.h"
#include "glyphs.h"
#include "pictures.h"
#include "sounds.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

using namespace artgen;

namespace {

bool writeShellPictures(const QDir &resources)
{
    const QDir pictures(resources.filePath(QStringLiteral("pictures")));
    if (!QDir().mkpath(pictures.path()))
        return false;
    return writeMakerLogo(pictures) && writeMainPictures(pictures) && writeHelpPictures(pictures) &&
           writeGlyphs(resources);
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, but nothing is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: artgen <resources-folder>\n");
        return 2;
    }
    const QDir resources(args.at(1));
    if (!resources.exists()) {
        std::fprintf(stderr, "artgen: no folder %s\n", qPrintable(args.at(1)));
        return 2;
    }
    const bool ok = writeCoursePictures(resources) && writeSounds(resources) &&
                    writeIcon(resources) && writeShellPictures(resources);
    return ok ? 0 : 1;
}
