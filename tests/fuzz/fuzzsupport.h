#pragma once

#include "cp932.h"

#include <QByteArrayView>
#include <QNetworkInterface>
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

// The messenger answers the address a datagram names, so a fuzzer that
// feeds it datagrams must not be able to reach any other machine: it runs
// only where no interface but loopback is up (a network namespace of its
// own, as run-fuzzers.sh makes with unshare -n).
inline void requireLoopbackOnly()
{
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &i : interfaces) {
        if ((i.flags() & QNetworkInterface::IsUp) && !(i.flags() & QNetworkInterface::IsLoopBack)) {
            std::fprintf(stderr, "interface %s is up: run this fuzzer inside 'unshare -n'\n",
                         qPrintable(i.name()));
            std::exit(2);
        }
    }
}

} // namespace FuzzSupport
