// Shows the USB transfer tool's dialog alone against the device simulator, in one of its
// option states, for looking at it and taking screenshots.
//   zelvar71-preview-zelvar71save [none|pelkom|kiron]
//     none    as the tool opens
//     pelkom  the stick option, its files listed and one selected
//     kiron   the link option, a send of a sample file under way
//     about   the about box over the dialog
#include "common/prompts.h"
#include "usbtool/zelvar71savedialog.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

// Messages go to stdout; the file choosers answer with the sample file.
class PreviewPrompts : public zelvar::Prompts
{
public:
    QString sample;
    zelvar::PromptAnswer message(QWidget *, const QString &text, const QString &, zelvar::PromptButtons) override
    {
        QTextStream(stdout) << text << "\n";
        return zelvar::PromptAnswer::Ok;
    }
    QString openFile(QWidget *, const zelvar::FileDialogRequest &) override { return sample; }
    QString saveFile(QWidget *, const zelvar::FileDialogRequest &) override { return sample; }
};

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString state = app.arguments().value(1, QStringLiteral("none"));
    QTemporaryDir scratch;
    const QString stick = scratch.filePath(QStringLiteral("stick"));
    QDir().mkpath(stick);
    for (const char *name : {"SHOW1.TZK", "SHOW2.TZK", "PARK.TZK", "CONCERT.TZK", "SPARE"})
        writeFile(stick + QLatin1Char('/') + QLatin1String(name), QByteArray(4096, 'x'));

    qputenv("ZELVAR71_D2XX",
            QFile::encodeName(QCoreApplication::applicationDirPath() + QStringLiteral("/libzelvar71_d2xxsim.so")));
    qputenv("ZELVAR71_SIM_DEVICES", state == QLatin1String("kiron") ? "kzt_usb_dmx" : "kzt_dmx20");
    qputenv("ZELVAR71_SIM_STICK_DIR", QFile::encodeName(stick));
    qputenv("ZELVAR71_SIM_LINK_PACE", "1");

    PreviewPrompts prompts;
    prompts.sample = scratch.filePath(QStringLiteral("Concert night.tzk"));
    writeFile(prompts.sample, QByteArray(86529, 'z'));

    zelvar::Zelvar71SaveDialog dialog(prompts);
    QTimer::singleShot(200, &dialog, [&] {
        if (state == QLatin1String("pelkom")) {
            dialog.findChild<QPushButton *>(QStringLiteral("1021"))->click();
            dialog.findChild<QPushButton *>(QStringLiteral("1000"))->click();
            auto *list = dialog.findChild<QListWidget *>(QStringLiteral("1008"));
            list->setCurrentRow(1);
        } else if (state == QLatin1String("kiron")) {
            dialog.findChild<QPushButton *>(QStringLiteral("1025"))->click();
            dialog.findChild<QPushButton *>(QStringLiteral("1013"))->click();
        } else if (state == QLatin1String("about")) {
            dialog.findChild<QAction *>(QStringLiteral("About"))->trigger();
        }
    });
    dialog.exec();
    return 0;
}
