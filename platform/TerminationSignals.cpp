#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace spoolar {

namespace {

// The write end of the pipe the signal handler writes the signal number into.
int g_signalWriteFd = -1;
int g_signalReadFd = -1;

extern "C" void onTerminationSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    if (g_signalWriteFd >= 0) {
        const ssize_t written = ::write(g_signalWriteFd, &byte, 1);
        (void)written; // a full pipe already holds a wake-up
    }
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> handler)
    : m_handler(std::move(handler))
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    g_signalReadFd = fds[0];
    g_signalWriteFd = fds[1];
    m_notifier = std::make_unique<QSocketNotifier>(g_signalReadFd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (::read(g_signalReadFd, &byte, 1) == 1) {
            if (m_handler)
                m_handler(byte);
        }
    });
    struct sigaction action = {};
    action.sa_handler = &onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    m_notifier.reset();
    ::close(g_signalWriteFd);
    ::close(g_signalReadFd);
    g_signalWriteFd = g_signalReadFd = -1;
}

} // namespace spoolar
