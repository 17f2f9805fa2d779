// Minimal JSON text output that keeps fields in the order they are written.
#pragma once

#include "fixture/fixtureprofile.h"

#include <QString>

#include <functional>

namespace zelvar::cli {

// `text` as a JSON string literal, quotes included; control characters (NUL among them)
// become \u escapes.
QString jsonString(const QString &text);

// The setup fields of a profile in file order, each handed to `field` with its JSON value;
// `zff show` and `tzk show` name them alike.
using JsonField = std::function<void(const char *name, const QString &value)>;
void setupJson(const FixtureSetup &setup, const JsonField &field);

// One step record as a JSON object on one line.
QString stepJson(const StepRecord &step);

} // namespace zelvar::cli
