// The commands of zelvar71-cli. Each takes its own arguments and returns the exit status;
// results go to `out`, errors to `err`.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace zelvar::cli {

int zffShow(const QStringList &args, QTextStream &out, QTextStream &err);
int namesInit(const QStringList &args, QTextStream &out, QTextStream &err);
int compose(const QStringList &args, QTextStream &out, QTextStream &err);
int stick(const QStringList &args, QTextStream &out, QTextStream &err);
int serialSend(const QStringList &args, QTextStream &out, QTextStream &err);
int serialReceive(const QStringList &args, QTextStream &out, QTextStream &err);
int link(const QStringList &args, QTextStream &out, QTextStream &err);
int usb(const QStringList &args, QTextStream &out, QTextStream &err);
int importQxf(const QStringList &args, QTextStream &out, QTextStream &err);

constexpr int ExitFailure = 1; // the command could not be done (bad file, write failed)
constexpr int ExitUsage = 2;   // the command line was wrong

} // namespace zelvar::cli
