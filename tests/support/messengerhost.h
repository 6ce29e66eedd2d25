#pragma once

#include "fixturebase.h"

#include <QByteArrayList>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

// A messenger of a fixture's folders and address in a process of its own
// (tests/messenger/messenger_host.cpp, at MESSENGER_HOST_PATH), for tests
// that need two messengers with a game each or that kill the messenger.

// Lets the event loop run (for what the test itself serves) until host has
// a whole line to read; false when it ended or the deadline passed first.
inline bool waitForLine(QProcess &host, const QDeadlineTimer &deadline)
{
    const auto lineOrEnd = [&] { return host.canReadLine() || host.state() == QProcess::NotRunning; };
    return host.canReadLine() || (QTest::qWaitFor(lineOrEnd, int(deadline.remainingTime())) && host.canReadLine());
}

// Waits until the host says "ready"; the lines it printed before (the boxes
// it answered) go to before. False when it ended or took too long.
inline bool waitUntilReady(QProcess &host, QByteArrayList *before = nullptr, int timeoutMs = 20000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (waitForLine(host, deadline)) {
        const QByteArray line = host.readLine().trimmed();
        if (line == "ready")
            return true;
        if (before)
            before->append(line);
    }
    return false;
}

// Sends the host one command and gives its answer: the rest of the first
// line that starts with answerPrefix ("<no answer>" when none comes).
inline QString askHost(QProcess &host, const QString &command, const QString &answerPrefix, int timeoutMs = 10000)
{
    host.write(command.toUtf8() + '\n');
    const QDeadlineTimer deadline(timeoutMs);
    while (waitForLine(host, deadline)) {
        QString line = QString::fromUtf8(host.readLine());
        line.chop(line.endsWith(QLatin1Char('\n')) ? 1 : 0);
        if (line.startsWith(answerPrefix))
            return line.mid(answerPrefix.size());
    }
    return QStringLiteral("<no answer>");
}

#ifdef MESSENGER_HOST_PATH
inline bool startMessengerHost(QProcess &host, const FixtureBase &fixture, QByteArrayList *before = nullptr)
{
    host.start(QStringLiteral(MESSENGER_HOST_PATH),
        { fixture.address(), fixture.settingsDir(), fixture.runtimeDir(), fixture.programDir(), fixture.dataDir() });
    return host.waitForStarted() && waitUntilReady(host, before);
}
#endif
