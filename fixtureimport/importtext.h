// The texts of fixture definitions as a profile holds them, whatever file they come from:
// plain ASCII, short enough for its fields (step names of 8 characters, fixture names of
// 18), and as parts of file names.
#pragma once

#include "fixture/fixtureprofile.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace zelvar {

// Printable ASCII only: accents are taken off their letters, other characters dropped,
// blanks simplified. The controller's display shows plain ASCII.
QString AsciiText(const QString &text);

// `text` in printable ASCII, squeezed to `length` characters: common words abbreviated,
// filler words dropped, words joined, vowels dropped from the right, then cut. For the
// short tags of mode names.
QString ShortenedText(const QString &text, int length);

// A step name for a capability's text, at most `length` characters: the text itself when it
// fits; else, without what brackets hold, with the words lighting people shorten anyway
// ("Strb", "Rot", "S-F", "CW"), everything when it fits, else a word or two and the text's
// first number ("Prism In", "Gobo4Shk", "Auto 34"), with blanks while there is room and
// vowels dropped from long words when there is not. Mixed colours give their initials
// ("R+G+B").
QString StepName(const QString &text, int length = StepNameLength);

// How a model name is shortened to make room.
enum class ModelShortening {
    CommonWordsFirst, // "LED", "Pro", "Series"... go first, then vowels of long words
    VowelsFirst,      // vowels of long words first, then the common words
    CutOnly,          // cut from the right
};

// The model in at most `room` characters; before anything is cut, words without a digit
// go from the right (never the first), so that the model's numbers stay. `whole` tells
// whether every word but the common ones stayed.
QString ShortModelName(const QString &model, int room, ModelShortening how, bool *whole = nullptr);

// `text` as part of a file name: ASCII letters, digits, '.', '+', '-' and '_'.
QString FileNameText(const QString &text);

// What fixture names are made from: the model in printable ASCII, else the manufacturer,
// else "Imported Fixture".
QString ImportedModelText(const QString &model, const QString &manufacturer);

// The fixture names of all modes of a model (ImportedModelText's): the model, shortened as
// it must be (common words such as "LED" and "Pro" and the vowels of long words go before
// words are dropped, and the model's numbers stay), and when there are several modes a
// short tag of the mode's name, within 18 characters and different for every mode. None of
// them is one of `taken` (compared without regard to case), the names other models already
// hold.
QStringList ImportedFixtureNames(const QString &model, const QStringList &modeNames, const QSet<QString> &taken = {});
QString ImportedFixtureName(const QString &model, const QStringList &modeNames, int mode);

// A file name for the profile of a mode: model and mode in letters, digits, '.', '+',
// '-' and '_', ending in ".zff".
QString ImportedFileName(const QString &model, const QString &modeName);

} // namespace zelvar
