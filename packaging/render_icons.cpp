// Build-time tool: writes the console's icon as hicolor PNGs for the menu,
// from the same drawing the window uses, so the icon has one source.
//   tarnwell-render-icons OUTDIR NAME SIZE...  ->  OUTDIR/SIZExSIZE/apps/NAME.png
#include "app/gui/console_icon.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: tarnwell-render-icons OUTDIR NAME SIZE...\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    for (int i = 3; i < argc; ++i) {
        const int size = QByteArray(argv[i]).toInt();
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(QString::fromLocal8Bit(argv[1])).arg(size);
        const QString file = folder + '/' + QString::fromLocal8Bit(argv[2]) + ".png";
        if (size <= 0 || !QDir().mkpath(folder) || !tarnwell::DrawConsoleIcon(size).save(file, "PNG")) {
            std::fprintf(stderr, "tarnwell-render-icons: cannot write %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
