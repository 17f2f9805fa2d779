// Runs a program of the project (zelvar71-cli by default) as a user runs it from a terminal,
// with this process's environment, and collects its exit status and output.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QtGlobal>

struct CliRun
{
    int exitCode = -1; // -1 when the program crashed
    QByteArray out;
    QByteArray err;
};

inline CliRun runProgram(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    p.start(program, args);
    if (!p.waitForFinished(60000))
        qFatal("%s did not finish", qPrintable(program));
    return CliRun{p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
                  p.readAllStandardError()};
}

#ifdef ZELVAR71_CLI
inline CliRun runCli(const QStringList &args)
{
    return runProgram(QStringLiteral(ZELVAR71_CLI), args);
}
#endif
