// Zelvar71Save, the USB transfer tool: shows its dialog and ends when the dialog closes.
#include "common/prompts.h"
#include "usbtool/zelvar71savedialog.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    zelvar::Zelvar71SaveDialog dialog(zelvar::appPrompts());
    dialog.exec();
    return 0;
}
