// The VXI-11 and HiSLIP sessions against scripted peers that link properly
// and then break the protocol: every case ends in a VISA error with a clear
// text within the timeout, never a hang, a crash or an allocation the size
// the peer announced.

#include "unit/visa/VisaTestSupport.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/HislipMessage.h"
#include "platform/visa/OncRpc.h"
#include "platform/visa/VisaStrings.h"
#include "platform/visa/Vxi11Protocol.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

void Send(int fd, const QByteArray& bytes)
{
    (void)!::write(fd, bytes.constData(), bytes.size());
}

// A listening socket on 127.0.0.1 and a thread that accepts every client
// and hands what each sent to OnInput. A subclass calls Start last in its
// constructor and Stop first in its destructor: the thread uses its members.
class CLoopbackPeer
{
public:
    CLoopbackPeer()
    {
        m_fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof address;
        ::bind(m_fdListen, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_fdListen, 4);
        ::getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&address), &nLength);
        m_nPort = ntohs(address.sin_port);
    }
    virtual ~CLoopbackPeer() { ::close(m_fdListen); }
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;

protected:
    // Takes what it can of the client's input and answers it.
    virtual void OnInput(int fd, QByteArray& input) = 0;
    void Start()
    {
        m_thread = std::thread([this] { Serve(); });
    }
    void Stop()
    {
        m_bStop = true;
        m_thread.join();
    }

    int m_nPort = 0;

private:
    void Serve()
    {
        // A client that has gone stays with its descriptor negated (poll
        // skips it) until the end.
        std::vector<pollfd> fds{{m_fdListen, POLLIN, 0}};
        std::vector<QByteArray> inputs(1);
        while (!m_bStop) {
            if (::poll(fds.data(), fds.size(), 20) <= 0)
                continue;
            for (size_t i = 0; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                if (i == 0) {
                    fds.push_back({::accept(m_fdListen, nullptr, nullptr), POLLIN, 0});
                    inputs.emplace_back();
                    continue;
                }
                char buf[4096];
                const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
                if (n <= 0) {
                    fds[i].fd = ~fds[i].fd;
                    continue;
                }
                inputs[i].append(buf, static_cast<int>(n));
                OnInput(fds[i].fd, inputs[i]);
            }
        }
        for (size_t i = 1; i < fds.size(); ++i)
            ::close(fds[i].fd < 0 ? ~fds[i].fd : fds[i].fd);
    }

    int m_fdListen = -1;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

struct READ
{
    HRESULT nStatus;
    QString strText; // of the error
    QString strRead;
    qint64 nMs;
};

// Opens the resource, asks (when bAsk) and reads with a 500 ms timeout.
READ ReadFrom(const QString& strResource, bool bAsk)
{
    CBuiltinResourceManager rm;
    const auto pSession =
        std::dynamic_pointer_cast<IMessage>(rm.Open(strResource, Visa::NO_LOCK, 2000, QString()));
    if (!pSession)
        return {Visa::VI_ERROR_RSRC_NFOUND, QString(), QString(), 0};
    pSession->SetTimeout(500);
    if (bAsk)
        pSession->WriteString(QStringLiteral("*IDN?\n"));
    QElapsedTimer timer;
    timer.start();
    READ r{};
    r.nStatus = StatusOf([&] { r.strRead = pSession->ReadString(256); }, &r.strText);
    r.nMs = timer.elapsed();
    return r;
}

// The XDR words, as the results of a call or any other body.
QByteArray Words(std::initializer_list<std::uint32_t> words)
{
    CXdrWriter w;
    for (const std::uint32_t n : words)
        w.U32(n);
    return w.Bytes();
}

// Answers GETPORT with its own port and create_link with link 1; every
// other call gets what the script makes of its xid and procedure (nothing:
// no answer), and with bClose the connection ends after it.
class CScriptedPeer : public CLoopbackPeer
{
public:
    using SCRIPT = std::function<QByteArray(std::uint32_t dwXid, std::uint32_t dwProcedure)>;

    explicit CScriptedPeer(SCRIPT script, bool bClose = false) : m_script(std::move(script)), m_bClose(bClose)
    {
        qputenv("VAULTLINE_VXI11_PORTMAPPER", QByteArray::number(m_nPort));
        Start();
    }
    ~CScriptedPeer() override
    {
        Stop();
        qunsetenv("VAULTLINE_VXI11_PORTMAPPER");
    }

private:
    void OnInput(int fd, QByteArray& input) override
    {
        QByteArray record;
        COncRpc::RPCCALL call;
        while (COncRpc::TakeRecord(input, record, 1 << 20) == COncRpc::RECORD_DONE &&
               COncRpc::ParseCall(record, call)) {
            const auto reply = [&](std::initializer_list<std::uint32_t> words) {
                return COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, Words(words));
            };
            if (call.dwProgram == COncRpc::PORTMAPPER_PROGRAM) {
                Send(fd, reply({static_cast<std::uint32_t>(m_nPort)}));
            } else if (call.dwProcedure == Vxi11::CREATE_LINK) {
                Send(fd, reply({0, 1, 0, 1024}));
            } else if (call.dwProcedure == Vxi11::DESTROY_LINK) {
                Send(fd, reply({0}));
            } else {
                Send(fd, m_script(call.dwXid, call.dwProcedure));
                if (m_bClose)
                    ::shutdown(fd, SHUT_RDWR);
            }
        }
    }

    SCRIPT m_script;
    bool m_bClose;
};

// A device_read result: error, reason, data.
QByteArray ReadResult(std::uint32_t dwXid, const QByteArray& data, std::uint32_t dwReason = Vxi11::REASON_END)
{
    CXdrWriter w;
    w.U32(0);
    w.U32(dwReason);
    w.Opaque(data);
    return COncRpc::Reply(dwXid, COncRpc::SUCCESS, w.Bytes());
}

TEST(Vxi11PeerTest, BrokenRepliesEndInAVisaErrorWithinTheTimeout)
{
    using XID = std::uint32_t;
    struct CASE
    {
        const char* pszWhat;
        std::function<QByteArray(XID)> script;
        HRESULT nStatus;
        QString strReply = QString(); // what the read returns when it succeeds
        bool bClose = false;
    };
    const CASE cases[] = {
        {"announces a 2 GB reply", [](XID) { return QByteArray::fromHex("fffffff0000000"); },
         Visa::VI_ERROR_IO},
        {"replies with something that is no reply",
         [](XID dwXid) {
             return QByteArray::fromHex("80000008") + Words({dwXid, 7});
         },
         Visa::VI_ERROR_IO},
        {"closes in the middle of a reply",
         [](XID dwXid) { return ReadResult(dwXid, "TALVERO,DXR-9K\n").left(20); }, Visa::VI_ERROR_CONN_LOST,
         QString(), true},
        {"says nothing", [](XID) { return QByteArray(); }, Visa::VI_ERROR_TMO},
        {"sends more than was asked for", [](XID dwXid) { return ReadResult(dwXid, QByteArray(300, 'x')); },
         Visa::VI_ERROR_IO},
        {"refuses the procedure", [](XID dwXid) { return COncRpc::Reply(dwXid, COncRpc::PROC_UNAVAIL); },
         Visa::VI_ERROR_IO},
        {"answers a call that timed out first",
         [](XID dwXid) { return ReadResult(dwXid - 1, "stale\n") + ReadResult(dwXid, "fresh\n"); },
         Visa::VI_SUCCESS, "fresh\n"},
        {"sends the reply in one-byte fragments",
         [](XID dwXid) {
             const QByteArray message = ReadResult(dwXid, "split\n").mid(4);
             QByteArray fragments;
             for (int i = 0; i < message.size(); ++i)
                 fragments +=
                     QByteArray::fromHex(i + 1 == message.size() ? "80000001" : "00000001") + message[i];
             return fragments;
         },
         Visa::VI_SUCCESS, "split\n"},
        {"reports the device locked",
         [](XID dwXid) {
             return COncRpc::Reply(dwXid, COncRpc::SUCCESS, Words({Vxi11::ERR_LOCKED, 0, 0}));
         },
         Visa::VI_ERROR_RSRC_LOCKED},
    };
    for (const CASE& c : cases) {
        CScriptedPeer peer([&c](XID dwXid, std::uint32_t) { return c.script(dwXid); }, c.bClose);
        const READ r = ReadFrom(QStringLiteral("TCPIP0::127.0.0.1::inst0::INSTR"), false);
        EXPECT_EQ(r.nStatus, c.nStatus) << c.pszWhat;
        EXPECT_LT(r.nMs, 1000) << c.pszWhat;
        EXPECT_EQ(r.strRead, c.strReply) << c.pszWhat;
        if (c.nStatus != Visa::VI_SUCCESS && c.nStatus != Visa::VI_ERROR_TMO) {
            EXPECT_TRUE(r.strText.contains(QLatin1String("127.0.0.1")))
                << c.pszWhat << ": " << qPrintable(r.strText);
        }
    }
}

// Under the lock a write is not waited for; its acknowledgement comes with
// the next reply, and a failure it reports is raised by that next call.
TEST(Vxi11PeerTest, AWriteSentAheadUnderTheLockReportsItsFailureWithTheNextCall)
{
    CScriptedPeer peer([](std::uint32_t dwXid, std::uint32_t dwProcedure) {
        if (dwProcedure == Vxi11::DEVICE_READ)
            return ReadResult(dwXid, "x\n");
        // A write fails with an I/O error, having taken nothing; a lock is granted.
        return COncRpc::Reply(dwXid, COncRpc::SUCCESS,
                              dwProcedure == Vxi11::DEVICE_WRITE ? Words({Vxi11::ERR_IO, 0}) : Words({0}));
    });
    CBuiltinResourceManager rm;
    const auto pSession = std::dynamic_pointer_cast<IMessage>(
        rm.Open("TCPIP0::127.0.0.1::inst0::INSTR", Visa::NO_LOCK, 2000, {}));
    pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 1000, QString());
    EXPECT_EQ(StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_SUCCESS);
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }, &strText), Visa::VI_ERROR_IO);
    EXPECT_TRUE(
        strText.contains(LoadVisaString(IDS_VISA_VXI11_ERROR).arg("127.0.0.1 (VXI-11 inst0)").arg(17)))
        << qPrintable(strText);
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("x\n")); // the stream is still in step
    pSession->UnlockRsrc();
    EXPECT_EQ(StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_ERROR_IO);
}

// Completes the handshake of a session and answers its lock questions,
// then answers the first message of the synchronous channel with the
// script's bytes.
class CHislipPeer : public CLoopbackPeer
{
public:
    explicit CHislipPeer(QByteArray answer, bool bCloseAfter = false)
        : m_answer(std::move(answer)), m_bCloseAfter(bCloseAfter)
    {
        Start();
    }
    ~CHislipPeer() override { Stop(); }
    QString Resource() const { return QStringLiteral("TCPIP0::127.0.0.1::hislip0,%1::INSTR").arg(m_nPort); }

private:
    void OnInput(int fd, QByteArray& input) override
    {
        // The handshake and the lock questions get plain answers.
        using M = CHislipMessage;
        static const std::map<std::uint8_t, QByteArray> s_answers = {
            {Hislip::INITIALIZE, M::Encode(Hislip::INITIALIZE_RESPONSE, 0, 0x01000007)},
            {Hislip::ASYNC_INITIALIZE, M::Encode(Hislip::ASYNC_INITIALIZE_RESPONSE, 0, 0)},
            {Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE,
             M::Encode(Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE_RESPONSE, 0, 0, M::Size64(1 << 20))},
            {Hislip::ASYNC_LOCK_INFO, M::Encode(Hislip::ASYNC_LOCK_INFO_RESPONSE, 0, 0)},
            {Hislip::ASYNC_LOCK, M::Encode(Hislip::ASYNC_LOCK_RESPONSE, Hislip::LOCK_GRANTED, 0)},
        };
        M message;
        while (message.Take(input, 1 << 20) == M::TAKE_DONE) {
            if (s_answers.count(message.m_nType)) {
                Send(fd, s_answers.at(message.m_nType));
            } else if (!m_bAnswered) {
                m_bAnswered = true;
                Send(fd, m_answer);
                if (m_bCloseAfter)
                    ::shutdown(fd, SHUT_RDWR);
            }
        }
    }

    QByteArray m_answer;
    bool m_bCloseAfter;
    bool m_bAnswered = false;
};

QByteArray DataEnd(std::uint32_t dwId, const QByteArray& text)
{
    return CHislipMessage::Encode(Hislip::DATA_END, 0, dwId, text);
}

TEST(HislipPeerTest, BrokenPeersEndInAVisaErrorWithinTheTimeout)
{
    const std::uint32_t dwFirst = Hislip::FIRST_MESSAGE_ID;
    struct CASE
    {
        const char* pszWhat;
        QByteArray answer;
        bool bClose;
        HRESULT nStatus;
        QString strText; // in the error's text, or the reply read
    };
    const CASE cases[] = {
        {"announces 4 GB", QByteArray::fromHex("48530600ffffff000000000100000000"), false, Visa::VI_ERROR_IO,
         "4294967296 bytes"},
        {"sends a fatal error",
         CHislipMessage::Encode(Hislip::FATAL_ERROR, Hislip::FATAL_TOO_MANY_CLIENTS, 0,
                                "too many clients\x01"),
         false, Visa::VI_ERROR_IO, "fatal error (code 4): too many clients?"},
        {"sends an error", CHislipMessage::Encode(Hislip::ERROR, Hislip::ERROR_TOO_LARGE, 0, "too large"),
         false, Visa::VI_ERROR_IO, "HiSLIP error (code 4): too large"},
        {"closes in the middle of a message", DataEnd(dwFirst, "TALVERO,DXR-9K\n").left(20), true,
         Visa::VI_ERROR_CONN_LOST, "(HiSLIP hislip0)"},
        {"sends no HiSLIP", "HX0123456789abcdef", false, Visa::VI_ERROR_IO, "not a HiSLIP message"},
        {"says nothing", QByteArray(), false, Visa::VI_ERROR_TMO, QString()},
        {"answers an older message first", DataEnd(dwFirst - 2, "stale\n") + DataEnd(dwFirst, "fresh\n"),
         false, Visa::VI_SUCCESS, "fresh\n"},
        {"answers in two parts",
         CHislipMessage::Encode(Hislip::DATA, 0, dwFirst, "TALVERO,") + DataEnd(dwFirst, "DXR-9K\n"), false,
         Visa::VI_SUCCESS, "TALVERO,DXR-9K\n"},
    };
    for (const CASE& c : cases) {
        CHislipPeer peer(c.answer, c.bClose);
        const READ r = ReadFrom(peer.Resource(), true);
        EXPECT_EQ(r.nStatus, c.nStatus) << c.pszWhat;
        EXPECT_LT(r.nMs, 1000) << c.pszWhat;
        EXPECT_TRUE((c.nStatus == Visa::VI_SUCCESS ? r.strRead : r.strText).contains(c.strText))
            << c.pszWhat << ": " << qPrintable(r.strText) << qPrintable(r.strRead);
    }
}

} // namespace
