#include "terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] written by the handler, [1] read by the notifier.
int SignalSockets[2] = { -1, -1 };

constexpr int HandledSignals[] = { SIGTERM, SIGHUP };

extern "C" void forwardSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // Non-blocking: with the pipe full the signal is already pending there.
    [[maybe_unused]] const ssize_t written = ::write(SignalSockets[0], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent)
    : QObject(parent)
{
    if (SignalSockets[0] != -1)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, SignalSockets) != 0) {
        SignalSockets[0] = SignalSockets[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(SignalSockets[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : HandledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int signalNumber : HandledSignals)
        ::signal(signalNumber, SIG_DFL);
    delete m_notifier;
    ::close(SignalSockets[0]);
    ::close(SignalSockets[1]);
    SignalSockets[0] = SignalSockets[1] = -1;
}

void TerminationSignals::readSignals()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(SignalSockets[1], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}
