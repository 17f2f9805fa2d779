// Build step: writes the four library fixture profiles into the folder of the programs.
//   zelvar71-library-fixtures FOLDER
#include "downloadset/libraryfixtures.h"

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: zelvar71-library-fixtures FOLDER\n", stderr);
        return 2;
    }
    const zelvar::Outcome written = zelvar::WriteLibraryFixtures(QString::fromLocal8Bit(argv[1]));
    if (!written) {
        std::fprintf(stderr, "zelvar71-library-fixtures: %s\n", qPrintable(written.reason()));
        return 1;
    }
    return 0;
}
