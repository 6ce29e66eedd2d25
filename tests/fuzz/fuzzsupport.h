#pragma once

#include "cp932.h"

#include <QByteArrayView>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

// Stops the run with a message: a broken property is a finding.
[[noreturn]] inline void fail(const char *what)
{
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

inline void check(bool ok, const char *what)
{
    if (!ok)
        fail(what);
}

// Whether text survives a trip through code page 932 unchanged.
inline bool cp932Stable(const QString &text)
{
    return Cp932::decode(Cp932::encode(text)) == text;
}

} // namespace FuzzSupport
