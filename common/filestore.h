// Whole-file reads and complete-or-nothing writes: a file is replaced only once its new
// content is complete (written beside it, then renamed over it).
#pragma once

#include "common/outcome.h"

#include <QByteArray>
#include <QString>

namespace zelvar {

// Reads at most `maxBytes` from the start of the file (all of it when maxBytes < 0).
Outcome readFilePrefix(const QString &path, QByteArray &out, qint64 maxBytes = -1);

// Makes `path` hold exactly `content`. On failure the old file, if any, is left as it was.
Outcome replaceFile(const QString &path, const QByteArray &content);

// Writes `content` from byte 0 without cutting the file: bytes of an existing file beyond
// content.size() stay. Done as a complete replacement, so a failure changes nothing.
Outcome overwriteFromStart(const QString &path, const QByteArray &content);

// Creates an empty file when none exists; an existing one is left untouched.
Outcome createIfMissing(const QString &path);

} // namespace zelvar
