#include "signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const int Handled[] = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1}; // [0] written by the handler, [1] read by the event loop

extern "C" void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    // Full or closed: the signal is dropped, as a repeated one would be anyway.
    [[maybe_unused]] const ssize_t n = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent)
{
    if (pipeEnds[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeEnds) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignals);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : Handled)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    for (const int number : Handled)
        std::signal(number, SIG_DFL);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void TerminationSignals::readSignals()
{
    char numbers[16];
    ssize_t n = 0;
    while ((n = ::read(pipeEnds[1], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit received(int(numbers[i]));
    }
}
