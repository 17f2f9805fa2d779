// Shortening the texts of fixture definitions into the fields of a profile, and the names
// of imported fixtures.
#include "fixtureimport/importtext.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <tuple>

namespace zelvar {

QString AsciiText(const QString &text)
{
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; }))
        return text.simplified();
    QString plain;
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    for (const QChar c : decomposed) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7F)
            plain += c;
        else if (c.isSpace())
            plain += QLatin1Char(' ');
        else if (u == 0x00DF)
            plain += QLatin1String("ss");
        else if (u == 0x00E6 || u == 0x00C6)
            plain += QLatin1String(u == 0x00E6 ? "ae" : "AE");
        else if (u == 0x00F8 || u == 0x00D8)
            plain += QLatin1Char(u == 0x00F8 ? 'o' : 'O');
    }
    return plain.simplified();
}

namespace {

struct Abbreviation
{
    const char *pattern;
    const char *replacement;
};

// Words lighting people shorten anyway; used only on texts that are too long.
const Abbreviation Abbreviations[] = {
    {R"(\bslow\s*(?:to|->|-|>|/)\s*fast\b)", "S-F"},
    {R"(\bfast\s*(?:to|->|-|>|/)\s*slow\b)", "F-S"},
    {R"(\b(?:counter|anti)[\s-]?clockwise\b)", "CCW"},
    {R"(\bclockwise\b)", "CW"},
    {R"(\bno\s+function\b)", "NoFunc"},
    {R"(\brotat(?:ion|ions|ing|es|e)\b)", "Rot"},
    {R"(\bstrobe\b)", "Strb"},
    {R"(\brandom\b)", "Rnd"},
    {R"(\bspeed\b)", "Spd"},
    {R"(\bcolou?rs?\b)", "Col"},
    {R"(\bposition\b)", "Pos"},
    {R"(\bprograms?\b)", "Prg"},
    {R"(\beffects?\b)", "Fx"},
    {R"(\bfunctions?\b)", "Func"},
    {R"(\bfrequency\b)", "Freq"},
    {R"(\bchannels?\b)", "Ch"},
    {R"(\bshak(?:e|ing)\b)", "Shk"},
    {R"(\bshutter\b)", "Shut"},
    {R"(\bsound\b)", "Snd"},
    {R"(\bactive\b)", "Act"},
    {R"(\bautomatic\b)", "Auto"},
    {R"(\bmovement\b)", "Mvmt"},
    {R"(\bpattern\b)", "Patt"},
    {R"(\binternal\b)", "Int"},
    {R"(\bincreasing\b)", "Inc"},
    {R"(\bdecreasing\b)", "Dec"},
    {R"(\bmedium\b)", "Med"},
    {R"(\bindex(?:ed|ing)?\b)", "Idx"},
    {R"(\bwheel\b)", "Whl"},
    {R"(\bmacros?\b)", "Mac"},
    {R"(\bintensity\b)", "Int"},
    {R"(\bdimmer\b)", "Dim"},
    {R"(\bforwards?\b)", "Fwd"},
    {R"(\bbackwards?\b)", "Bwd"},
    {R"(\bdegrees?\b)", "deg"},
};

const QSet<QString> &fillerWords()
{
    static const QSet<QString> words{QStringLiteral("to"),   QStringLiteral("and"),  QStringLiteral("the"),
                                     QStringLiteral("of"),   QStringLiteral("with"), QStringLiteral("a"),
                                     QStringLiteral("an"),   QStringLiteral("from"), QStringLiteral("for")};
    return words;
}

QString abbreviated(QString text)
{
    static const auto expressions = [] {
        QVector<std::pair<QRegularExpression, QString>> list;
        for (const Abbreviation &a : Abbreviations)
            list.append({QRegularExpression(QString::fromLatin1(a.pattern), QRegularExpression::CaseInsensitiveOption),
                         QString::fromLatin1(a.replacement)});
        return list;
    }();
    for (const auto &[expression, replacement] : expressions)
        text.replace(expression, replacement);
    return text.simplified();
}

bool isVowel(QChar c)
{
    return c == QLatin1Char('a') || c == QLatin1Char('e') || c == QLatin1Char('i') || c == QLatin1Char('o')
        || c == QLatin1Char('u');
}

// A token keeps its characters longest when it has no lower-case letter: numbers, "S-F",
// "CW", "RGB".
bool isProtected(const QString &token)
{
    return std::none_of(token.cbegin(), token.cend(), [](QChar c) { return c.isLower(); });
}

int joinedLength(const QStringList &tokens)
{
    int length = 0;
    for (const QString &t : tokens)
        length += int(t.size());
    return length;
}

// The longest token that `usable` accepts, the rightmost of equals; -1 when none.
template <class Usable>
int longestToken(const QStringList &tokens, Usable usable)
{
    int best = -1;
    for (int i = 0; i < tokens.size(); ++i) {
        if (usable(tokens.at(i)) && (best < 0 || tokens.at(i).size() >= tokens.at(best).size()))
            best = i;
    }
    return best;
}

int lastRemovableVowel(const QString &token)
{
    for (int i = int(token.size()) - 1; i > 0; --i) {
        if (isVowel(token.at(i)))
            return i;
    }
    return -1;
}

} // namespace

QString ShortenedText(const QString &text, int length)
{
    QString plain = AsciiText(text);
    if (plain.size() <= length)
        return plain;
    plain = abbreviated(plain);
    if (plain.size() <= length)
        return plain;

    // Brackets cost room and say little once the words are short.
    static const QRegularExpression brackets(QStringLiteral(R"([()\[\]{}])"));
    plain.replace(brackets, QStringLiteral(" "));
    QStringList tokens = plain.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList kept;
    for (const QString &t : tokens) {
        if (!fillerWords().contains(t.toLower()))
            kept << t;
    }
    if (!kept.isEmpty())
        tokens = kept;
    if (tokens.join(QLatin1Char(' ')).size() <= length)
        return tokens.join(QLatin1Char(' '));

    // Joined without blanks, each further word starting with a capital.
    for (int i = 1; i < tokens.size(); ++i) {
        QString &t = tokens[i];
        if (t.at(0).isLower())
            t[0] = t.at(0).toUpper();
    }
    // Vowels go first, from the longest word, the last vowel first; the first letter stays.
    while (joinedLength(tokens) > length) {
        const int i = longestToken(tokens, [](const QString &t) { return lastRemovableVowel(t) > 0; });
        if (i < 0)
            break;
        tokens[i].remove(lastRemovableVowel(tokens.at(i)), 1);
    }
    // Then letters from the end of the longest word, numbers and symbols last.
    while (joinedLength(tokens) > length) {
        int i = longestToken(tokens, [](const QString &t) { return t.size() > 1 && !isProtected(t); });
        if (i < 0)
            i = longestToken(tokens, [](const QString &t) { return t.size() > 1; });
        if (i < 0)
            break;
        tokens[i].chop(1);
    }
    return tokens.join(QString()).left(length);
}

namespace {

// ---------------------------------------------------------------------------------------
// Step names

struct Phrase
{
    const char *hint; // the phrase cannot be there unless the text holds this, in lower case
    const char *pattern;
    const char *replacement;
};

// Phrases a technician writes short, whole.
const Phrase Phrases[] = {
    {"slow", R"(\bslow\s*(?:to|->|>|-|/|~|<->)\s*fast\b)", " S-F "},
    {"fast", R"(\bfast\s*(?:to|->|>|-|/|~|<->)\s*slow\b)", " F-S "},
    {"high", R"(\blow\s*(?:to|->|>|-|/|~)\s*high\b)", " L-H "},
    {"high", R"(\bhigh\s*(?:to|->|>|-|/|~)\s*low\b)", " H-L "},
    {"clockwise", R"(\b(?:counter|anti)[\s-]?clockwise\b)", " CCW "},
    {"function", R"(\bno\s+function\b)", " NoFunc "},
    {"built", R"(\bbuilt[\s-]?in\b)", " "},
    {"off", R"(\bon\s*(?:/|-|and)\s*off\b)", " OnOff "},
};

// Single words, in lower case, and what they become when the text is too long.
const QHash<QString, QString> &wordAbbreviations()
{
    static const QHash<QString, QString> words = [] {
        const char *const pairs[][2] = {
            {"clockwise", "CW"},     {"rotation", "Rot"},      {"rotations", "Rot"},    {"rotating", "Rot"},
            {"rotate", "Rot"},       {"rotates", "Rot"},       {"strobe", "Strb"},      {"strobing", "Strb"},
            {"stroboscope", "Strb"}, {"random", "Rnd"},        {"speed", "Spd"},        {"colour", "Col"},
            {"color", "Col"},        {"colours", "Col"},       {"colors", "Col"},       {"position", "Pos"},
            {"positions", "Pos"},    {"program", "Prg"},       {"programs", "Prg"},     {"programme", "Prg"},
            {"effect", "Fx"},        {"effects", "Fx"},        {"function", "Func"},    {"functions", "Func"},
            {"frequency", "Freq"},   {"channel", "Ch"},        {"channels", "Ch"},      {"shake", "Shk"},
            {"shaking", "Shk"},      {"shutter", "Shut"},      {"sound", "Snd"},        {"active", "Act"},
            {"automatic", "Auto"},   {"movement", "Mvmt"},     {"pattern", "Patt"},     {"internal", "Int"},
            {"increasing", "Inc"},   {"decreasing", "Dec"},    {"medium", "Med"},       {"index", "Idx"},
            {"indexed", "Idx"},      {"indexing", "Idx"},      {"wheel", "Whl"},        {"macro", "Mac"},
            {"macros", "Mac"},       {"intensity", "Int"},     {"dimmer", "Dim"},       {"forward", "Fwd"},
            {"forwards", "Fwd"},     {"backward", "Bwd"},      {"backwards", "Bwd"},    {"degrees", "deg"},
            {"degree", "deg"},       {"inserted", "In"},       {"insert", "In"},        {"insertion", "In"},
            {"continuous", "Cont"},  {"temperature", "Temp"},  {"sequence", "Seq"},     {"reverse", "Rev"},
            {"selection", "Sel"},    {"select", "Sel"},        {"change", "Chg"},       {"changing", "Chg"},
            {"alternating", "Alt"},  {"fixed", "Fix"},         {"variable", "Var"},     {"sensitivity", "Sens"},
            {"maximum", "Max"},      {"minimum", "Min"},       {"blackout", "BO"},      {"gobos", "Gobo"},
            {"magenta", "Mag"},      {"yellow", "Yel"},        {"orange", "Orng"},      {"purple", "Purp"},
            {"light", "Lt"},         {"bright", "Brt"},        {"normal", "Norm"},      {"standard", "Std"},
            {"control", "Ctrl"},     {"number", "No"},         {"preset", "Pre"},       {"scene", "Scn"},
            {"activated", "Act"},    {"activate", "Act"},      {"dimming", "Dim"},      {"controlled", "Ctrl"},
        };
        QHash<QString, QString> map;
        for (const auto &p : pairs)
            map.insert(QString::fromLatin1(p[0]), QString::fromLatin1(p[1]));
        return map;
    }();
    return words;
}

// Words that carry nothing in a step name once it has to be short.
const QSet<QString> &stepFillers()
{
    static const QSet<QString> words{
        QStringLiteral("to"),       QStringLiteral("and"),           QStringLiteral("the"),
        QStringLiteral("of"),       QStringLiteral("with"),          QStringLiteral("a"),
        QStringLiteral("an"),       QStringLiteral("from"),          QStringLiteral("for"),
        QStringLiteral("at"),       QStringLiteral("by"),            QStringLiteral("via"),
        QStringLiteral("is"),       QStringLiteral("preprogrammed"), QStringLiteral("pre-programmed"),
        QStringLiteral("internal"), QStringLiteral("w"),
    };
    return words;
}

const QSet<QString> &colourWords()
{
    static const QSet<QString> words{
        QStringLiteral("red"),    QStringLiteral("green"),  QStringLiteral("blue"),   QStringLiteral("white"),
        QStringLiteral("amber"),  QStringLiteral("uv"),     QStringLiteral("cyan"),   QStringLiteral("magenta"),
        QStringLiteral("yellow"), QStringLiteral("pink"),   QStringLiteral("orange"), QStringLiteral("purple"),
        QStringLiteral("lime"),   QStringLiteral("violet"), QStringLiteral("indigo"),
    };
    return words;
}

bool hasDigit(const QString &token)
{
    return std::any_of(token.cbegin(), token.cend(), [](QChar c) { return c.isDigit(); });
}

// A token that says something: letters or digits, not only signs like "-" or "=".
bool meaningful(const QString &token)
{
    return std::any_of(token.cbegin(), token.cend(), [](QChar c) { return c.isLetterOrNumber(); });
}

QString blankJoined(const QStringList &tokens)
{
    return tokens.join(QLatin1Char(' '));
}

// Without blanks: each further word starts with a capital, a number sticks to its word.
QString compactJoined(const QStringList &tokens)
{
    QString text;
    for (const QString &t : tokens) {
        QString part = t;
        if (!text.isEmpty() && part.at(0).isLower())
            part[0] = part.at(0).toUpper();
        text += part;
    }
    return text;
}

// A word made of letters alone, with no capital after its first letter: "OnOff", "RGB" and
// "NoFunc" are abbreviations already.
bool plainWord(const QString &token)
{
    return !token.isEmpty() && std::all_of(token.cbegin(), token.cend(), [](QChar c) { return c.isLetter(); })
        && std::none_of(token.cbegin() + 1, token.cend(), [](QChar c) { return c.isUpper(); });
}

// Drops the vowels after the first letter of the longest word of five letters or more
// (four letters once none is left, when `shortest` allows, and then only a word that
// starts with a consonant, so that "Auto" stays); false when no word can lose one.
bool dropVowels(QStringList &tokens, int shortest = 4)
{
    for (int least : {5, 4}) {
        if (least < shortest)
            break;
        int best = -1;
        for (int i = 0; i < tokens.size(); ++i) {
            const QString &t = tokens.at(i);
            if (!plainWord(t) || t.size() < least || (least < 5 && isVowel(t.at(0).toLower())))
                continue;
            if (std::none_of(t.cbegin() + 1, t.cend(), [](QChar c) { return isVowel(c.toLower()); }))
                continue;
            if (best < 0 || t.size() > tokens.at(best).size())
                best = i;
        }
        if (best >= 0) {
            QString &t = tokens[best];
            QString kept(t.at(0));
            for (int c = 1; c < t.size(); ++c) {
                if (!isVowel(t.at(c).toLower()))
                    kept += t.at(c);
            }
            t = kept;
            return true;
        }
    }
    return false;
}

// Cuts the last letter of the longest word of more than three letters; false when none.
bool cutLongestWord(QStringList &tokens)
{
    const int i = longestToken(tokens, [](const QString &t) { return t.size() > 3 && plainWord(t); });
    if (i < 0)
        return false;
    tokens[i].chop(1);
    return true;
}

// The tokens as a name of at most `length` characters: with blanks, else without, else
// with vowels dropped, and when `cut` allows, with long words cut to three letters; empty
// when they do not fit.
QString fitted(QStringList tokens, int length, bool cut)
{
    for (;;) {
        const QString blank = blankJoined(tokens);
        if (blank.size() <= length)
            return blank;
        const QString compact = compactJoined(tokens);
        if (compact.size() <= length)
            return compact;
        if (!dropVowels(tokens) && !(cut && cutLongestWord(tokens)))
            return QString();
    }
}

// The first `words` words in order, and the text's first number wherever it stands.
QStringList leadingWords(const QStringList &tokens, int words)
{
    QStringList kept;
    bool number = false;
    int taken = 0;
    for (const QString &t : tokens) {
        if (hasDigit(t) && !number) {
            kept << t;
            number = true;
        } else if (!hasDigit(t) && taken < words) {
            kept << t;
            ++taken;
        }
    }
    return kept;
}

QString shortStepName(const QString &text, int length);

} // namespace

QString StepName(const QString &text, int length)
{
    // A library repeats its capability texts (every mode of a fixture has the same
    // channels): each text is worked out once per thread.
    thread_local QHash<QString, QString> known[StepNameLength + 1];
    const int slot = std::clamp(length, 0, StepNameLength);
    QHash<QString, QString> &cache = known[slot];
    if (const auto it = cache.constFind(text); it != cache.cend())
        return it.value();
    if (cache.size() > 100000)
        cache.clear();
    const QString name = shortStepName(text, length);
    cache.insert(text, name);
    return name;
}

namespace {

QString shortStepName(const QString &text, int length)
{
    QString plain = AsciiText(text);
    if (plain.size() <= length)
        return plain;
    // What brackets hold is a detail once the name has to be short.
    static const QRegularExpression brackets(QStringLiteral(R"(\([^)]*\)?|\[[^\]]*\]?|\{[^}]*\}?)"));
    if (plain.contains(QLatin1Char('(')) || plain.contains(QLatin1Char('[')) || plain.contains(QLatin1Char('{'))) {
        const QString outside = QString(plain).replace(brackets, QStringLiteral(" ")).simplified();
        if (!outside.isEmpty() && meaningful(outside))
            plain = outside;
    }
    if (plain.size() <= length)
        return plain;

    static const auto phrases = [] {
        QVector<std::tuple<QString, QRegularExpression, QString>> list;
        for (const Phrase &p : Phrases)
            list.append({QString::fromLatin1(p.hint),
                         QRegularExpression(QString::fromLatin1(p.pattern), QRegularExpression::CaseInsensitiveOption),
                         QString::fromLatin1(p.replacement)});
        return list;
    }();
    const QString lower = plain.toLower();
    for (const auto &[hint, expression, replacement] : phrases) {
        if (lower.contains(hint))
            plain.replace(expression, replacement);
    }

    // Words, split at blanks and at the signs that join them; "Sound-activated" and
    // "3-facet" are two words each, while "S-F" stays whole.
    QStringList parts;
    for (const QString &piece : plain.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        qsizetype start = 0;
        const auto flush = [&](qsizetype end) {
            const QString word = piece.mid(start, end - start);
            const qsizetype dash = word.indexOf(QLatin1Char('-'));
            // Two words, or a number and its word ("3-facet").
            const auto all = [](const QString &t, bool (QChar::*kind)() const) {
                return !t.isEmpty() && std::all_of(t.cbegin(), t.cend(), [kind](QChar c) { return (c.*kind)(); });
            };
            const QString left = dash > 0 ? word.left(dash) : QString();
            const QString right = dash > 0 ? word.mid(dash + 1) : QString();
            const bool twoWords = right.size() >= 3 && all(right, &QChar::isLetter)
                && ((left.size() >= 3 && all(left, &QChar::isLetter)) || all(left, &QChar::isDigit));
            if (twoWords)
                parts << left << right;
            else if (!word.isEmpty())
                parts << word;
        };
        static const QString signs = QStringLiteral(",;:/+&|=~<>");
        for (qsizetype i = 0; i < piece.size(); ++i) {
            const QChar c = piece.at(i);
            const bool arrow = c == QLatin1Char('-') && i + 1 < piece.size() && piece.at(i + 1) == QLatin1Char('>');
            if (signs.contains(c) || arrow) {
                flush(i);
                i += arrow ? 1 : 0;
                start = i + 1;
            }
        }
        flush(piece.size());
    }
    QStringList tokens;
    bool colours = true;
    for (const QString &t : std::as_const(parts)) {
        QString token = t;
        while (token.endsWith(QLatin1Char('.')) || token.endsWith(QLatin1Char('-')))
            token.chop(1);
        const QString key = token.toLower();
        if (!meaningful(token) || stepFillers().contains(key))
            continue;
        colours = colours && colourWords().contains(key);
        // A word with its number ("Color1") is shortened as the word alone.
        qsizetype letters = 0;
        while (letters < key.size() && key.at(letters).isLetter())
            ++letters;
        const auto abbreviation = wordAbbreviations().constFind(key.left(letters));
        if (abbreviation != wordAbbreviations().cend()
            && std::all_of(key.cbegin() + letters, key.cend(), [](QChar c) { return c.isDigit(); }))
            tokens << abbreviation.value() + token.mid(letters);
        else
            tokens << token;
    }
    if (tokens.isEmpty())
        return plain.left(length).trimmed();

    // Colours mixed: their initials, "R+G+B".
    if (colours && tokens.size() > 1) {
        QStringList initials;
        for (const QString &t : tokens)
            initials << (t.compare(QLatin1String("UV"), Qt::CaseInsensitive) == 0 ? QStringLiteral("UV")
                                                                                  : t.left(1).toUpper());
        const QString joined = initials.join(QLatin1Char('+'));
        return (joined.size() <= length ? joined : initials.join(QString())).left(length);
    }

    // Everything if it fits, else a word or two and the number.
    if (const QString all = fitted(tokens, length, false); !all.isEmpty())
        return all;
    for (int words : {2, 1}) {
        if (const QString name = fitted(leadingWords(tokens, words), length, true); !name.isEmpty())
            return name;
    }
    // A word too long on its own: cut, the number kept.
    QStringList kept = leadingWords(tokens, 1);
    while (compactJoined(kept).size() > length) {
        const int longest = longestToken(kept, [](const QString &t) { return t.size() > 3 && !hasDigit(t); });
        if (longest < 0)
            break;
        kept[longest].chop(1);
    }
    return compactJoined(kept).left(length);
}

} // namespace

// ---------------------------------------------------------------------------------------
// Model names

namespace {

// Words a model name can lose before anything else, once it has to be short.
const QSet<QString> &commonModelWords()
{
    static const QSet<QString> words{
        QStringLiteral("led"),   QStringLiteral("pro"),     QStringLiteral("series"), QStringLiteral("the"),
        QStringLiteral("moving"), QStringLiteral("head"),   QStringLiteral("light"),  QStringLiteral("fixture"),
        QStringLiteral("dmx"),   QStringLiteral("with"),    QStringLiteral("and"),    QStringLiteral("-"),
    };
    return words;
}

bool dropCommonWord(QStringList &tokens)
{
    // From the right; the first word too, as long as another one stays.
    for (int i = int(tokens.size()) - 1; i >= 0 && tokens.size() > 1; --i) {
        if (commonModelWords().contains(tokens.at(i).toLower())) {
            tokens.removeAt(i);
            return true;
        }
    }
    return false;
}

// Drops the last word that holds no digit, never the first.
bool dropPlainWord(QStringList &tokens)
{
    for (int i = int(tokens.size()) - 1; i > 0; --i) {
        if (!hasDigit(tokens.at(i))) {
            tokens.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace

QString ShortModelName(const QString &model, int room, ModelShortening how, bool *whole)
{
    if (whole)
        *whole = true;
    const QString plain = AsciiText(model);
    if (plain.size() <= room)
        return plain;
    QStringList tokens = plain.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const auto fits = [&] { return blankJoined(tokens).size() <= room; };
    if (how == ModelShortening::CommonWordsFirst) {
        while (!fits() && dropCommonWord(tokens)) {
        }
        while (!fits() && dropVowels(tokens, 5)) {
        }
    } else if (how == ModelShortening::VowelsFirst) {
        while (!fits() && dropVowels(tokens, 5)) {
        }
        while (!fits() && dropCommonWord(tokens)) {
        }
    }
    if (whole)
        *whole = fits() && how != ModelShortening::CutOnly;
    if (how != ModelShortening::CutOnly) {
        while (!fits() && dropPlainWord(tokens)) {
        }
    }
    return blankJoined(tokens).left(room).trimmed();
}

QString FileNameText(const QString &text)
{
    static const QRegularExpression unsafe(QStringLiteral(R"([^A-Za-z0-9.+_-]+)"));
    QString safe = AsciiText(text);
    safe.replace(unsafe, QStringLiteral("_"));
    while (safe.startsWith(QLatin1Char('.')) || safe.startsWith(QLatin1Char('_')))
        safe.remove(0, 1);
    while (safe.endsWith(QLatin1Char('.')) || safe.endsWith(QLatin1Char('_')))
        safe.chop(1);
    return safe;
}

namespace {

// A short tag of a mode's name: "16 Channel" gives "16ch", "Mode 2" gives "M2". Without
// `brackets`, what the name holds in brackets is left out.
QString modeTag(const QString &modeName, bool brackets)
{
    static const QRegularExpression channels(
        QStringLiteral(R"((\d+)\s*-?\s*(?:channels?|chan\.?|ch\.?|kanal|kanale|dmx)(?![a-z]))"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression numberedMode(QStringLiteral(R"(\bmode\s*(\d+))"),
                                                 QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression modeWord(QStringLiteral(R"(\bmode\b)"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bracketed(QStringLiteral(R"(\([^)]*\)|\[[^\]]*\])"));
    QString tag = AsciiText(modeName);
    if (!brackets) {
        const QString outside = QString(tag).replace(bracketed, QStringLiteral(" ")).simplified();
        if (!outside.isEmpty())
            tag = outside;
    }
    tag.replace(channels, QStringLiteral("\\1ch"));
    tag.replace(numberedMode, QStringLiteral("M\\1"));
    const QString withoutWord = QString(tag).replace(modeWord, QString()).simplified();
    if (!withoutWord.isEmpty())
        tag = withoutWord;
    return ShortenedText(tag, 8);
}

// Whether every number of `model` stands in `name`.
bool keepsNumbers(const QString &model, const QString &name)
{
    static const QRegularExpression number(QStringLiteral("\\d+"));
    QStringList kept;
    for (auto it = number.globalMatch(name); it.hasNext();)
        kept << it.next().captured();
    for (auto it = number.globalMatch(model); it.hasNext();) {
        if (!kept.contains(it.next().captured()))
            return false;
    }
    return true;
}

// The model and the tag in one fixture name, the model shortened as `how` says.
QString nameWithTag(const QString &model, QString tag, ModelShortening how)
{
    if (tag.isEmpty())
        return ShortModelName(model, FixtureNameLength, how);
    if (model.size() + 1 + tag.size() > FixtureNameLength)
        tag.remove(QLatin1Char(' '));
    // The model's words tell models apart, its numbers most of all: the tag gives up
    // letters (down to three) before the model loses a word, and before it loses a number
    // when it must lose a word anyway.
    // Each shorter tag is made only when the longer one left the model no room.
    QStringList tags;
    QStringList models;
    for (int length = int(tag.size()); length >= 3 || tags.isEmpty(); --length) {
        const QString t = tags.isEmpty() ? tag : ShortenedText(tag, length);
        bool whole = false;
        tags << t;
        models << ShortModelName(model, FixtureNameLength - 1 - int(t.size()), how, &whole);
        if (whole)
            return models.constLast() + QLatin1Char(' ') + t;
    }
    for (int i = 0; i < tags.size(); ++i) {
        if (keepsNumbers(model, models.at(i)))
            return models.at(i) + QLatin1Char(' ') + tags.at(i);
    }
    return models.constFirst() + QLatin1Char(' ') + tag;
}

// The names of all modes: each mode takes the first of its tags, the model shortened the
// first way and then the second, that gives a name no other mode can take at that stage,
// that no mode has taken before and that is not one of `taken`. Empty names where even the
// last stage found none.
QStringList fixtureNames(const QString &model, const QStringList &modes, const QSet<QString> &taken)
{
    const int count = int(modes.size());
    QStringList chosen(count);
    QSet<QString> used = taken;
    for (int stage = 0; stage < 4; ++stage) {
        QStringList tags(count);
        for (int i = 0; i < count && count > 1; ++i) {
            const QString &name = modes.at(i);
            tags[i] = stage == 0   ? modeTag(name, false)
                    : stage == 1 ? modeTag(name, true)
                    : stage == 2 ? QStringLiteral("M%1").arg(i + 1)
                                 : QStringLiteral("#%1").arg(i + 1);
        }
        for (ModelShortening how : {ModelShortening::CommonWordsFirst, ModelShortening::VowelsFirst}) {
            QStringList candidates(count);
            for (int i = 0; i < count; ++i) {
                if (chosen.at(i).isEmpty())
                    candidates[i] = nameWithTag(model, tags.at(i), how);
            }
            QHash<QString, int> counts;
            for (const QString &c : std::as_const(candidates))
                ++counts[c.toLower()];
            for (int i = 0; i < count; ++i) {
                const QString &candidate = candidates.at(i);
                if (!candidate.isEmpty() && counts.value(candidate.toLower()) == 1
                    && !used.contains(candidate.toLower()))
                    chosen[i] = candidate;
            }
            for (const QString &name : std::as_const(chosen))
                used.insert(name.toLower());
        }
    }
    return chosen;
}

} // namespace

QString ImportedModelText(const QString &model, const QString &manufacturer)
{
    QString text = AsciiText(model);
    if (text.isEmpty())
        text = AsciiText(manufacturer);
    return text.isEmpty() ? QStringLiteral("Imported Fixture") : text;
}

QStringList ImportedFixtureNames(const QString &model, const QStringList &modeNames, const QSet<QString> &taken)
{
    QSet<QString> takenLower;
    for (const QString &t : taken)
        takenLower.insert(t.toLower());
    QStringList names = fixtureNames(model, modeNames, takenLower);
    // Every way of shortening gives names other models hold: the model takes a number.
    QSet<QString> used = takenLower;
    for (const QString &n : std::as_const(names))
        used.insert(n.toLower());
    for (int i = 0; i < names.size(); ++i) {
        const QString tag = modeNames.size() <= 1 ? QString() : QStringLiteral("M%1").arg(i + 1);
        for (int n = 2; names.at(i).isEmpty(); ++n) {
            const QString numbered =
                nameWithTag(model, tag + QStringLiteral("~%1").arg(n), ModelShortening::CommonWordsFirst);
            if (!used.contains(numbered.toLower())) {
                names[i] = numbered;
                used.insert(numbered.toLower());
            }
        }
    }
    return names;
}

QString ImportedFixtureName(const QString &model, const QStringList &modeNames, int mode)
{
    if (modeNames.size() <= 1 || mode < 0 || mode >= modeNames.size())
        return ShortModelName(model, FixtureNameLength, ModelShortening::CommonWordsFirst);
    return ImportedFixtureNames(model, modeNames).at(mode);
}

QString ImportedFileName(const QString &model, const QString &modeName)
{
    QString name = FileNameText(model);
    const QString modeText = FileNameText(modeName);
    if (!modeText.isEmpty())
        name += QLatin1Char('-') + modeText;
    if (name.isEmpty())
        name = QStringLiteral("fixture");
    return name + QStringLiteral(".zff");
}

} // namespace zelvar
