// Unsaved work kept for the next start. Each window kind that holds work keeps one recovery
// file in the user's data folder: written a moment after a change (never on every
// keystroke), written at once when the window closes or the program ends, and removed once
// the work is saved or given up. What the file holds is the window kind's own business.
#pragma once

#include "common/filestore.h"
#include "common/outcome.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QTimer;

namespace zelvar {

// The folder of the recovery files: the user's data folder for this program
// (QStandardPaths::AppDataLocation).
QString recoveryFolder();

// Unsaved work is small: a larger file is none of ours.
inline constexpr FileKind RecoveryFileKind{"a recovery file", 1024 * 1024};

// A recovery file that exists: its bytes and when they were written, or why it cannot be
// read (then its bytes are empty).
struct RecoveryFile
{
    QByteArray bytes;
    QDateTime written;
    Outcome read;
};
// Nothing when no file is there.
std::optional<RecoveryFile> readRecoveryFile(const QString &path);

class RecoveryWriter : public QObject
{
    Q_OBJECT
public:
    // A change is on disk within this time; writes come at most this often.
    static constexpr int WriteDelayMs = 1000;

    // What to keep: the bytes of the unsaved work, or nothing when there is none (the file
    // then goes).
    using Content = std::function<std::optional<QByteArray>()>;

    // `fileName` in recoveryFolder(), as that folder is when the writer is made.
    RecoveryWriter(const QString &fileName, Content content, QObject *parent = nullptr);
    ~RecoveryWriter() override;

    QString path() const { return m_path; }

    // Something may have changed: the file is brought up to date within WriteDelayMs.
    void schedule();
    // Brings the file up to date now if a change is waiting.
    void flush();
    // The work is saved or given up: nothing waits any more and the file goes.
    void discard();

    // Every writer of the program flushes: for the ways out that end the process at once.
    static void flushAll();

signals:
    // The file could not be written: the work is not kept against a crash. Told once, and
    // again only after a write has succeeded in between.
    void writeFailed(const QString &reason);

private:
    void write();

    QString m_path;
    Content m_content;
    QTimer *m_timer;
    std::optional<QByteArray> m_onDisk; // what this writer last wrote, if anything
    bool m_failing = false;             // the last write failed and was told
};

} // namespace zelvar
