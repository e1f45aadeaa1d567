#include "sim/SimServer.h"

#include "platform/visa/VisaTrace.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t s_bStop = 0;
int s_fdStop[2] = {-1, -1};

// A line longer than this is not a command of this instrument; it is dropped
// rather than allowed to grow without bound.
constexpr int MAX_LINE_BYTES = 64 * 1024;

void MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    cfmakeraw(&t);
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    t.c_cflag |= CSTOPB | CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
}

void SetNonBlocking(int fd)
{
    const int nFlags = fcntl(fd, F_GETFL);
    if (nFlags >= 0)
        fcntl(fd, F_SETFL, nFlags | O_NONBLOCK);
}

QString Errno(const char* pszWhat)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(pszWhat), QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

CSimServer::CSimServer(CSimInstrument& instrument, const SIMOPTIONS& options)
    : m_instrument(instrument), m_options(options)
{
    if (s_fdStop[0] < 0 && pipe(s_fdStop) == 0) {
        SetNonBlocking(s_fdStop[0]);
        SetNonBlocking(s_fdStop[1]);
        fcntl(s_fdStop[0], F_SETFD, FD_CLOEXEC);
        fcntl(s_fdStop[1], F_SETFD, FD_CLOEXEC);
    }
    if (m_options.nBaud > 0)
        m_dBytesPerSecond = BytesPerSecond(m_options.nBaud);
    m_tInFree = m_tOutFree = CLOCK::now();
}

CSimServer::~CSimServer()
{
    for (CONNECTION& conn : m_connections)
        close(conn.fd);
    if (m_fdListen >= 0)
        close(m_fdListen);
    if (m_fdSlave >= 0)
        close(m_fdSlave);
    if (m_fdMaster >= 0)
        close(m_fdMaster);
    if (!m_strLinkCreated.isEmpty())
        unlink(QFile::encodeName(m_strLinkCreated).constData());
    if (m_pLog)
        std::fclose(m_pLog);
}

void CSimServer::RequestStop()
{
    s_bStop = 1;
    if (s_fdStop[1] >= 0) {
        const char c = 1;
        [[maybe_unused]] const ssize_t n = write(s_fdStop[1], &c, 1);
    }
}

bool CSimServer::Stopping() const
{
    return s_bStop != 0;
}

bool CSimServer::Start(QString& strResource, QString& strError)
{
    if (!m_options.strLogPath.isEmpty()) {
        m_pLog = std::fopen(QFile::encodeName(m_options.strLogPath).constData(), "a");
        if (!m_pLog) {
            strError = Errno("cannot open the transcript file");
            return false;
        }
    }

    if (m_options.bPty) {
        m_fdMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fdMaster < 0 || grantpt(m_fdMaster) != 0 || unlockpt(m_fdMaster) != 0) {
            strError = Errno("cannot create a pseudo-terminal");
            return false;
        }
        char szName[256] = {};
        if (ptsname_r(m_fdMaster, szName, sizeof szName) != 0) {
            strError = Errno("cannot name the pseudo-terminal");
            return false;
        }
        // Holding the device open keeps the line up while no client has it
        // (otherwise the master reads EIO), and lets the simulator put it in
        // raw mode at once: a new terminal echoes, which would send every
        // reply straight back as a command.
        m_fdSlave = open(szName, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m_fdSlave < 0) {
            strError = Errno("cannot open the pseudo-terminal");
            return false;
        }
        MakeRaw(m_fdSlave);
        MakeRaw(m_fdMaster);
        SetNonBlocking(m_fdMaster);

        QString strPath = QString::fromLocal8Bit(szName);
        if (!m_options.strLink.isEmpty()) {
            const QByteArray link = QFile::encodeName(m_options.strLink);
            struct stat st
            {
            };
            if (lstat(link.constData(), &st) == 0) {
                if (!S_ISLNK(st.st_mode)) {
                    strError = QStringLiteral("%1 exists and is not a symbolic link").arg(m_options.strLink);
                    return false;
                }
                unlink(link.constData());
            }
            if (symlink(szName, link.constData()) != 0) {
                strError = Errno("cannot create the link");
                return false;
            }
            m_strLinkCreated = m_options.strLink;
            strPath = QFileInfo(m_options.strLink).absoluteFilePath();
        }
        strResource = QStringLiteral("ASRL%1::INSTR").arg(strPath);
        return true;
    }

    if (m_options.nTcpPort >= 0) {
        m_fdListen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (m_fdListen < 0) {
            strError = Errno("cannot create a socket");
            return false;
        }
        const int nOn = 1;
        setsockopt(m_fdListen, SOL_SOCKET, SO_REUSEADDR, &nOn, sizeof nOn);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(m_options.nTcpPort));
        if (bind(m_fdListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(m_fdListen, 4) != 0) {
            strError = Errno("cannot listen on 127.0.0.1");
            return false;
        }
        socklen_t nLen = sizeof addr;
        getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&addr), &nLen);
        strResource = QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(ntohs(addr.sin_port));
        return true;
    }

    // Only the services added to the loop serve; the resource stays empty.
    return true;
}

void CSimServer::Run()
{
    char buffer[4096];
    while (!Stopping()) {
        std::vector<pollfd> fds;
        fds.push_back({s_fdStop[0], POLLIN, 0});
        if (m_fdMaster >= 0)
            fds.push_back({m_fdMaster, POLLIN, 0});
        if (m_fdListen >= 0)
            fds.push_back({m_fdListen, POLLIN, 0});
        for (const CONNECTION& conn : m_connections)
            fds.push_back({conn.fd, POLLIN, 0});
        int nTimeoutMs = -1;
        for (ISimService* pService : m_services) {
            pService->AddPollFds(fds);
            const int nDue = pService->NextTimeoutMs();
            if (nDue >= 0 && (nTimeoutMs < 0 || nDue < nTimeoutMs))
                nTimeoutMs = nDue;
        }

        if (poll(fds.data(), fds.size(), nTimeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents)
            return;
        for (size_t i = 1; i < fds.size(); ++i) {
            if (!fds[i].revents)
                continue;
            const int fd = fds[i].fd;
            if (fd == m_fdListen) {
                const int fdClient = accept4(m_fdListen, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fdClient >= 0) {
                    // A reply is one write; Nagle's algorithm would hold it
                    // back until the previous one is acknowledged.
                    const int nOn = 1;
                    setsockopt(fdClient, IPPROTO_TCP, TCP_NODELAY, &nOn, sizeof nOn);
                    m_connections.push_back(CONNECTION{fdClient, {}, false});
                }
                continue;
            }
            if (fd == m_fdMaster) {
                m_line.fd = m_fdMaster;
                const ssize_t n = read(m_fdMaster, buffer, sizeof buffer);
                if (n > 0)
                    OnInput(m_line, buffer, n);
                else if (n < 0 && errno != EAGAIN && errno != EINTR)
                    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // no client yet
                continue;
            }
            for (size_t c = 0; c < m_connections.size(); ++c) {
                if (m_connections[c].fd != fd)
                    continue;
                const ssize_t n = read(fd, buffer, sizeof buffer);
                if (n > 0) {
                    OnInput(m_connections[c], buffer, n);
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    close(fd);
                    m_connections.erase(m_connections.begin() + static_cast<std::ptrdiff_t>(c));
                }
                break;
            }
        }
        for (ISimService* pService : m_services)
            pService->OnPolled(fds);
    }
}

void CSimServer::OnInput(CONNECTION& conn, const char* pData, long nBytes)
{
    // On a rate-limited line the bytes cannot have arrived faster than the
    // line carries them: byte i of this chunk is complete (i + 1) character
    // times after the line was free, or after now if it was idle.
    const CLOCK::time_point tNow = CLOCK::now();
    const CLOCK::time_point tStart = std::max(tNow, m_tInFree);
    auto arrival = [&](long nIndex) {
        if (m_dBytesPerSecond <= 0)
            return tNow;
        return tStart + std::chrono::duration_cast<CLOCK::duration>(
                            std::chrono::duration<double>((nIndex + 1) / m_dBytesPerSecond));
    };
    if (m_dBytesPerSecond > 0)
        m_tInFree = arrival(nBytes - 1);

    for (long i = 0; i < nBytes && !Stopping(); ++i) {
        const char c = pData[i];
        if (c == '\n') {
            if (conn.bDiscarding) {
                conn.bDiscarding = false;
                conn.input.clear();
                continue;
            }
            QByteArray line = conn.input;
            conn.input.clear();
            if (line.endsWith('\r'))
                line.chop(1);
            OnLine(conn, line, arrival(i));
            continue;
        }
        if (conn.bDiscarding)
            continue;
        if (conn.input.size() >= MAX_LINE_BYTES) {
            Log('>', conn.input.left(80), "(line too long, dropped)");
            conn.input.clear();
            conn.bDiscarding = true;
            continue;
        }
        conn.input += c;
    }
}

void CSimServer::OnLine(CONNECTION& conn, QByteArray line, CLOCK::time_point tArrived)
{
    ++m_nLines;
    if (m_options.nSilentAfter >= 0 && m_nLines > m_options.nSilentAfter) {
        Log('>', line, "(silent: not answered)");
        return;
    }
    SleepUntil(tArrived);
    Log('>', line);
    const QByteArray reply = m_instrument.Execute(line);
    if (reply.isEmpty())
        return;
    if (m_options.nLatencyMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.nLatencyMs));
    Log('<', reply);
    WriteAll(conn.fd, reply + '\n', conn.fd != m_fdMaster);
}

QByteArray CSimServer::Exchange(const QByteArray& message)
{
    ++m_nLines;
    if (m_options.nSilentAfter >= 0 && m_nLines > m_options.nSilentAfter) {
        Log('>', message, "(silent: not answered)");
        return QByteArray();
    }
    Log('>', message);
    const QByteArray reply = m_instrument.Execute(message);
    if (reply.isEmpty())
        return reply;
    if (m_options.nLatencyMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(m_options.nLatencyMs));
    Log('<', reply);
    return reply;
}

void CSimServer::SleepUntil(CLOCK::time_point t) const
{
    while (!Stopping() && CLOCK::now() < t)
        std::this_thread::sleep_until(std::min(t, CLOCK::now() + std::chrono::milliseconds(100)));
}

bool CSimServer::WriteAll(int fd, const QByteArray& data, bool bWhole)
{
    // Paced writes go out in small pieces, each when the line would have
    // finished sending it, so that the client sees the bytes trickle in. On
    // TCP a reply goes out whole when the line would have carried its last
    // byte: small pieces there only wait on acknowledgements and segment
    // overheads, and the client reads whole replies anyway.
    const qsizetype nPiece = m_dBytesPerSecond > 0 && !bWhole ? 8 : data.size();
    qsizetype nSent = 0;
    if (m_dBytesPerSecond > 0)
        m_tOutFree = std::max(m_tOutFree, CLOCK::now());
    while (nSent < data.size()) {
        const qsizetype nThis = std::min(nPiece, data.size() - nSent);
        if (m_dBytesPerSecond > 0) {
            m_tOutFree += std::chrono::duration_cast<CLOCK::duration>(
                std::chrono::duration<double>(static_cast<double>(nThis) / m_dBytesPerSecond));
            SleepUntil(m_tOutFree);
        }
        qsizetype nDone = 0;
        while (nDone < nThis) {
            if (Stopping())
                return false;
            const ssize_t n = write(fd, data.constData() + nSent + nDone, static_cast<size_t>(nThis - nDone));
            if (n > 0) {
                nDone += n;
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            // The client is not reading: wait for room, or for the stop.
            pollfd fds[2] = {{fd, POLLOUT, 0}, {s_fdStop[0], POLLIN, 0}};
            poll(fds, 2, 1000);
        }
        nSent += nThis;
    }
    return true;
}

void CSimServer::Log(char cDirection, const QByteArray& text, const char* pszNote)
{
    if (!m_pLog)
        return;
    const QByteArray stamp = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
    std::fprintf(m_pLog, "%s %c %s%s%s\n", stamp.constData(), cDirection,
                 CVisaTrace::Printable(text).constData(), pszNote ? " " : "", pszNote ? pszNote : "");
    std::fflush(m_pLog);
}
