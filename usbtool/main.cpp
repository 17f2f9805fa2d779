// Zelvar71Save, the USB transfer tool: shows its dialog and ends when the dialog closes.
#include "common/prompts.h"
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "usbtool/zelvar71savedialog.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zelvar::setProgramIdentity();
    // The tool's window counts as open from the start, before the driver library is bound:
    // while its first message is up, the main program's "Link Device" starts no second copy.
    // One copy for the user's data folder: a second one brings the first one's dialog to the
    // front and ends.
    zelvar::SingleInstance instance(QStringLiteral("Zelvar71Save"), zelvar::userDataFolder());
    if (!instance.claim()) {
        std::fprintf(stderr, "Zelvar71Save is already running for %s; its dialog is brought to the front.\n",
                     qPrintable(QDir::toNativeSeparators(zelvar::userDataFolder())));
        return 0;
    }
    zelvar::WindowPresence presence(zelvar::Zelvar71SaveDialog::Caption);
    zelvar::Zelvar71SaveDialog dialog(zelvar::appPrompts());
    QObject::connect(&instance, &zelvar::SingleInstance::frontRequested, &dialog, [&dialog] {
        dialog.setWindowState((dialog.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        dialog.raise();
        dialog.activateWindow();
    });
    dialog.exec();
    return 0;
}
