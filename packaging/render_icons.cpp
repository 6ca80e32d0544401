// Draws the program's icon at the sizes desktops ask for, as PNG files laid out as the hicolor
// icon theme wants them: render_icons FOLDER SIZE... writes FOLDER/hicolor/NxN/apps/oekaki.png.
// Run at build time, so the menu's icon is always the window's own.

#include "program_style.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: render_icons FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < arguments.size(); ++i) {
        const int size = arguments[i].toInt();
        const QString folder = arguments[1] + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
        if (size < 16 || !QDir().mkpath(folder) ||
            !ProgramIconImage(size).save(folder + QStringLiteral("/oekaki.png"), "PNG")) {
            std::fprintf(stderr, "render_icons: cannot write the %s pixel icon\n",
                         qPrintable(arguments[i]));
            return 1;
        }
    }
    return 0;
}
