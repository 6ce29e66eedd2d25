#include "terminationwatcher.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end is used from the signal handler, which may do nothing but
// write(2); the event loop reads the other end.
int SignalPipe[2] = { -1, -1 };
constexpr int Watched[] = { SIGTERM, SIGHUP, SIGINT };

extern "C" void onTerminationSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[1], &byte, 1);
}

} // namespace

TerminationWatcher::TerminationWatcher(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    m_notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(SignalPipe[0], &byte, 1) == 1)
            emit terminationRequested(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Watched)
        ::sigaction(s, &action, nullptr);
}

TerminationWatcher::~TerminationWatcher()
{
    for (int s : Watched)
        ::signal(s, SIG_DFL);
    delete m_notifier;
    for (int &fd : SignalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}
