// Writes the program icon as a PNG for the desktop entry: zelvar71-make-icon OUT.png SIZE
#include "shell/appicon.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: zelvar71-make-icon OUT.png SIZE\n");
        return 2;
    }
    if (!zelvar::drawProgramIcon(QByteArray(argv[2]).toInt()).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "zelvar71-make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
