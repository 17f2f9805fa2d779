// A fixture editor that is killed in the middle of its work: opens the window with the
// programs' folder FOLDER, types NAME into the fixture name box as a user does, says
// "edited" on its output and waits to be killed.
//   zelvar71-test-recovery-editor FOLDER NAME
#include "common/programfolder.h"
#include "common/prompts.h"
#include "common/userfolders.h"
#include "fixture/zelva71.h"

#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: zelvar71-test-recovery-editor FOLDER NAME\n", stderr);
        return 2;
    }
    zelvar::setProgramIdentity();
    zelvar::setProgramFolder(QString::fromLocal8Bit(argv[1]));

    auto *window = new zelvar::Zelva71(nullptr, zelvar::appPrompts());
    window->show();
    if (!QTest::qWaitForWindowActive(window))
        return 1;
    QLineEdit *name = window->findChild<QLineEdit *>(QStringLiteral("text1"));
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(name, QString::fromLocal8Bit(argv[2]));
    std::puts("edited");
    std::fflush(stdout);
    return app.exec();
}
