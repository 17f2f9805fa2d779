// The commands of zelvar71-cli. Each takes its own arguments and returns the exit status;
// results go to `out`, errors to `err`.
#pragma once

#include <QStringList>
#include <QTextStream>

namespace zelvar::cli {

int zffShow(const QStringList &args, QTextStream &out, QTextStream &err);
int namesInit(const QStringList &args, QTextStream &out, QTextStream &err);
int namesPath(const QStringList &args, QTextStream &out, QTextStream &err);
int compose(const QStringList &args, QTextStream &out, QTextStream &err);
int tzk(const QStringList &args, QTextStream &out, QTextStream &err);
int stick(const QStringList &args, QTextStream &out, QTextStream &err);
int serialSend(const QStringList &args, QTextStream &out, QTextStream &err);
int serialReceive(const QStringList &args, QTextStream &out, QTextStream &err);
int link(const QStringList &args, QTextStream &out, QTextStream &err);
int usb(const QStringList &args, QTextStream &out, QTextStream &err);
int importFixtures(const QStringList &args, QTextStream &out, QTextStream &err);

// Each command's usage lines, shown by `zelvar71-cli COMMAND --help` on stdout and after a
// command line it did not understand on stderr.
extern const char *const ZffShowUsage;
extern const char *const NamesInitUsage;
extern const char *const NamesPathUsage;
extern const char *const ComposeUsage;
extern const char *const TzkUsage;
extern const char *const StickUsage;
extern const char *const SendUsage;
extern const char *const ReceiveUsage;
extern const char *const LinkUsage;
extern const char *const UsbUsage;
extern const char *const ImportUsage;

// A command line that was not understood: `what` names the word, then the usage follows
// on stderr. Returns ExitUsage.
int notUnderstood(QTextStream &err, const QString &what, const QString &usage);

constexpr int ExitFailure = 1; // the command could not be done (bad file, write failed)
constexpr int ExitUsage = 2;   // the command line was wrong

} // namespace zelvar::cli
