// Minimal JSON text output that keeps fields in the order they are written.
#pragma once

#include <QString>

namespace zelvar::cli {

// `text` as a JSON string literal, quotes included; control characters (NUL among them)
// become \u escapes.
QString jsonString(const QString &text);

} // namespace zelvar::cli
