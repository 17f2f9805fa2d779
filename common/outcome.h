// Result of a load or save: success, or failure with a reason the window can show.
// Plain classes never open a box; they hand one of these to the caller.
#pragma once

#include <QString>

namespace zelvar {

class Outcome
{
public:
    static Outcome success() { return Outcome(); }
    static Outcome failure(const QString &reason)
    {
        Outcome o;
        o.m_ok = false;
        o.m_reason = reason;
        return o;
    }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &reason() const { return m_reason; }

private:
    bool m_ok = true;
    QString m_reason;
};

} // namespace zelvar
