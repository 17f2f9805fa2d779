// The .gdtf file as a zip archive: only its description.xml is read, into memory, never
// extracted to disk; the wheel pictures and 3D models beside it are not touched.
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QString>

namespace zelvar {

inline QString gdtfDescriptionName() { return QStringLiteral("description.xml"); }

// The largest description.xml of a real fixture is well below 1 MiB; an entry that unpacks
// to more is refused before it fills the memory.
constexpr qint64 MaxGdtfDescriptionSize = 16 * 1024 * 1024;

// description.xml from the bytes of a .gdtf file. Refuses bytes that are not a zip archive,
// an archive without description.xml, an encrypted or damaged entry and an entry of more
// than MaxGdtfDescriptionSize bytes, each with the reason. With `prefix` > 0 only that
// many bytes of the entry are read (for listing: the fixture's names come first), and a
// larger entry is no failure.
Outcome ReadGdtfArchive(const QByteArray &archive, QByteArray &description, qint64 prefix = 0);

// The same from a file on disk: libzip reads the archive's directory and the one entry,
// not the rest of the file. Reasons name the file.
Outcome ReadGdtfArchiveFile(const QString &path, QByteArray &description, qint64 prefix = 0);

} // namespace zelvar
