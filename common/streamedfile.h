// The file a receive writes as its bytes arrive (the serial receive, the Kiron link's
// receive, the stick's read): the bytes go at once into "TARGET.partial" beside the target,
// so that the old file stays whole until the receive ends, and a receive cut short leaves
// both the old file and the bytes that came.
#pragma once

#include "common/filestore.h"

#include <QByteArray>
#include <QString>

#include <memory>

namespace zelvar {

class StreamedFile
{
public:
    // The whole file name plus ".partial", beside the target.
    static QString partialPath(const QString &target) { return target + QStringLiteral(".partial"); }

    StreamedFile();
    // A receive that never ended keeps its bytes as after keepPartial().
    ~StreamedFile();
    StreamedFile(const StreamedFile &) = delete;
    StreamedFile &operator=(const StreamedFile &) = delete;

    // Starts a receive into `target`, which must be a plain file or none. A partial file
    // left by an earlier receive of the same target is replaced.
    Outcome open(const QString &target);
    bool isOpen() const { return m_open; }
    QString target() const { return m_target; }
    // The target's size when the receive started; 0 when there was none.
    qint64 existingSize() const { return m_existingSize; }

    // Appends `bytes`, handed to the system at once. On a failure the bytes that reached the
    // file stay in it, and size() counts them.
    Outcome append(const QByteArray &bytes);
    qint64 size() const { return m_writer ? m_writer->written() : 0; }

    // What a normal end does when no byte came: a stream without a length keeps an
    // existing target; a copy of an empty file empties it. A missing target is made empty.
    enum class NothingCame { KeepsTarget, EmptiesTarget };
    // A normal end: the target holds exactly the bytes received. When that fails, the
    // target stays and the bytes are kept as after keepPartial().
    Outcome finish(NothingCame nothing = NothingCame::KeepsTarget);
    // A receive cut short: the target stays as it was; the bytes received stay in the
    // partial file, which goes when there are none.
    void keepPartial();
    // Nothing the receive wrote counts: the partial file goes, the target stays.
    void abandon();

    // The bytes so far take the target's place now; the receive goes on into the target.
    // For the ways out that end the program at once.
    Outcome placeNow();
    // placeNow() for every receive under way in the program.
    static void placeAll();

    // For the message of a receive cut short, after keepPartial(): "back.bin is unchanged;
    // the 512 bytes that arrived are kept in back.bin.partial". `arrived` counts the bytes
    // that came, written or not.
    QString keptNote(qint64 arrived) const;

private:
    void close();

    QString m_target;
    qint64 m_existingSize = 0;
    std::unique_ptr<FileWriter> m_writer;
    bool m_open = false;
    bool m_placed = false; // the bytes have become the target
    bool m_kept = false;   // the partial file holds bytes the user may want
};

} // namespace zelvar
