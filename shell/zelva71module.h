// The main program's declarations of the platform functions it calls by name.
#pragma once

#include "common/windowpresence.h"

namespace zelvar::Zelva71Module {

// Is a top-level window captioned exactly `caption` open (in any program of this user)?
inline bool FindWindowA(const QString &caption)
{
    return zelvar::FindWindowA(caption);
}

} // namespace zelvar::Zelva71Module
