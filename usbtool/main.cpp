// Zelvar71Save, the USB transfer tool: shows its dialog and ends when the dialog closes.
#include "common/prompts.h"
#include "common/userfolders.h"
#include "common/windowpresence.h"
#include "usbtool/zelvar71savedialog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zelvar::setProgramIdentity();
    // The tool's window counts as open from the start, before the driver library is bound:
    // while its first message is up, the main program's "Link Device" starts no second copy.
    zelvar::WindowPresence presence(zelvar::Zelvar71SaveDialog::Caption);
    zelvar::Zelvar71SaveDialog dialog(zelvar::appPrompts());
    dialog.exec();
    return 0;
}
