#include "app/EndSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int s_Signals[] = {SIGTERM, SIGINT, SIGHUP};
volatile sig_atomic_t s_fdWrite = -1;
volatile sig_atomic_t s_nReceived = 0;

void OnSignal(int nSignal)
{
    if (++s_nReceived >= 3)
        _exit(128 + nSignal);
    const int nSavedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(nSignal);
    if (s_fdWrite >= 0 && write(s_fdWrite, &byte, 1) < 0) {
        // The socket is full of signals the loop has yet to read: this one
        // adds nothing to them.
    }
    errno = nSavedErrno;
}

} // namespace

CEndSignals::CEndSignals(std::function<void(int)> fnOnSignal, QObject* pParent)
    : QObject(pParent), m_fnOnSignal(std::move(fnOnSignal))
{
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0)
        return;
    m_fdRead = fds[0];
    m_fdWrite = fds[1];
    s_fdWrite = m_fdWrite;
    s_nReceived = 0;
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int nSignal : s_Signals)
        sigaction(nSignal, &action, nullptr);
    m_pNotifier = new QSocketNotifier(m_fdRead, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CEndSignals::OnReadable);
}

CEndSignals::~CEndSignals()
{
    if (m_fdRead < 0)
        return;
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int nSignal : s_Signals)
        sigaction(nSignal, &action, nullptr);
    s_fdWrite = -1;
    close(m_fdRead);
    close(m_fdWrite);
}

void CEndSignals::OnReadable()
{
    unsigned char bytes[16];
    const ssize_t n = read(m_fdRead, bytes, sizeof bytes);
    for (ssize_t i = 0; i < n; ++i) {
        if (m_fnOnSignal)
            m_fnOnSignal(bytes[i]);
    }
}
