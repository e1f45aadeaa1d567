// The VXI-11 session against a scripted peer that links properly and then
// breaks the protocol: every case ends in a VISA error with a clear text
// within the timeout, never a hang, a crash or an allocation the size the
// peer announced.

#include "unit/visa/VisaTestSupport.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/OncRpc.h"
#include "platform/visa/Vxi11Protocol.h"
#include "resources/StringTable.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// Answers GETPORT with its own port and create_link with link 1; every
// other call goes to the script with the connection, the call's xid and its
// procedure.
class CScriptedPeer
{
public:
    using SCRIPT = std::function<void(int fd, std::uint32_t dwXid, std::uint32_t dwProcedure)>;

    explicit CScriptedPeer(SCRIPT script) : m_script(std::move(script))
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
        qputenv("VAULTLINE_VXI11_PORTMAPPER", QByteArray::number(m_nPort));
        m_thread = std::thread([this] { Serve(); });
    }
    ~CScriptedPeer()
    {
        m_bStop = true;
        m_thread.join();
        ::close(m_fdListen);
        qunsetenv("VAULTLINE_VXI11_PORTMAPPER");
    }

private:
    void Serve()
    {
        std::vector<int> clients;
        std::vector<QByteArray> inputs;
        while (!m_bStop) {
            std::vector<pollfd> fds{{m_fdListen, POLLIN, 0}};
            for (int fd : clients)
                fds.push_back({fd, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            if (fds[0].revents) {
                clients.push_back(::accept(m_fdListen, nullptr, nullptr));
                inputs.emplace_back();
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                char buf[4096];
                const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
                if (n <= 0)
                    continue;
                inputs[i - 1].append(buf, static_cast<int>(n));
                QByteArray record;
                while (COncRpc::TakeRecord(inputs[i - 1], record, 1 << 20) == COncRpc::RECORD_DONE)
                    Answer(fds[i].fd, record);
            }
        }
        for (int fd : clients)
            ::close(fd);
    }
    void Answer(int fd, const QByteArray& record)
    {
        COncRpc::RPCCALL call;
        ASSERT_TRUE(COncRpc::ParseCall(record, call));
        CXdrWriter w;
        if (call.dwProgram == COncRpc::PORTMAPPER_PROGRAM) {
            w.U32(static_cast<std::uint32_t>(m_nPort));
        } else if (call.dwProcedure == Vxi11::CREATE_LINK) {
            for (std::uint32_t n : {0u, 1u, 0u, 1024u})
                w.U32(n);
        } else if (call.dwProcedure == Vxi11::DESTROY_LINK) {
            w.U32(0);
        } else {
            m_script(fd, call.dwXid, call.dwProcedure);
            return;
        }
        const QByteArray reply = COncRpc::Reply(call.dwXid, COncRpc::SUCCESS, w.Bytes());
        (void)!::write(fd, reply.constData(), reply.size());
    }

    SCRIPT m_script;
    int m_fdListen = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

void Send(int fd, const QByteArray& bytes)
{
    (void)!::write(fd, bytes.constData(), bytes.size());
}

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
    struct CASE
    {
        const char* pszWhat;
        CScriptedPeer::SCRIPT script;
        HRESULT nStatus;
        QString strReply = QString(); // what the read returns when it succeeds
    };
    const CASE cases[] = {
        {"announces a 2 GB reply",
         [](int fd, std::uint32_t, std::uint32_t) { Send(fd, QByteArray::fromHex("fffffff0000000")); },
         Visa::VI_ERROR_IO},
        {"replies with something that is no reply",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             CXdrWriter w;
             w.U32(dwXid);
             w.U32(7);
             Send(fd, QByteArray::fromHex("80000008") + w.Bytes());
         },
         Visa::VI_ERROR_IO},
        {"closes in the middle of a reply",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             Send(fd, ReadResult(dwXid, "TALVERO,DXR-9K\n").left(20));
             ::shutdown(fd, SHUT_RDWR);
         },
         Visa::VI_ERROR_CONN_LOST},
        {"says nothing", [](int, std::uint32_t, std::uint32_t) {}, Visa::VI_ERROR_TMO},
        {"sends more than was asked for",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             Send(fd, ReadResult(dwXid, QByteArray(300, 'x')));
         },
         Visa::VI_ERROR_IO},
        {"refuses the procedure",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             Send(fd, COncRpc::Reply(dwXid, COncRpc::PROC_UNAVAIL));
         },
         Visa::VI_ERROR_IO},
        {"answers a call that timed out first",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             Send(fd, ReadResult(dwXid - 1, "stale\n") + ReadResult(dwXid, "fresh\n"));
         },
         Visa::VI_SUCCESS, "fresh\n"},
        {"sends the reply in one-byte fragments",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             const QByteArray message = ReadResult(dwXid, "split\n").mid(4);
             QByteArray fragments;
             for (int i = 0; i < message.size(); ++i)
                 fragments +=
                     QByteArray::fromHex(i + 1 == message.size() ? "80000001" : "00000001") + message[i];
             Send(fd, fragments);
         },
         Visa::VI_SUCCESS, "split\n"},
        {"reports the device locked",
         [](int fd, std::uint32_t dwXid, std::uint32_t) {
             CXdrWriter w;
             for (std::uint32_t n : {Vxi11::ERR_LOCKED, 0u, 0u})
                 w.U32(n);
             Send(fd, COncRpc::Reply(dwXid, COncRpc::SUCCESS, w.Bytes()));
         },
         Visa::VI_ERROR_RSRC_LOCKED},
    };
    for (const CASE& c : cases) {
        CScriptedPeer peer(c.script);
        CBuiltinResourceManager rm;
        const auto pSession = std::dynamic_pointer_cast<IMessage>(
            rm.Open("TCPIP0::127.0.0.1::inst0::INSTR", Visa::NO_LOCK, 2000, {}));
        ASSERT_TRUE(pSession) << c.pszWhat;
        pSession->SetTimeout(500);
        QElapsedTimer timer;
        timer.start();
        QString strRead;
        QString strText;
        EXPECT_EQ(StatusOf([&] { strRead = pSession->ReadString(256); }, &strText), c.nStatus) << c.pszWhat;
        EXPECT_LT(timer.elapsed(), 1000) << c.pszWhat;
        EXPECT_EQ(strRead, c.strReply) << c.pszWhat;
        if (c.nStatus != Visa::VI_SUCCESS && c.nStatus != Visa::VI_ERROR_TMO) {
            EXPECT_TRUE(strText.contains(QLatin1String("127.0.0.1")))
                << c.pszWhat << ": " << qPrintable(strText);
        }
    }
}

// Under the lock a write is not waited for; its acknowledgement comes with
// the next reply, and a failure it reports is raised by that next call.
TEST(Vxi11PeerTest, AWriteSentAheadUnderTheLockReportsItsFailureWithTheNextCall)
{
    CScriptedPeer peer([](int fd, std::uint32_t dwXid, std::uint32_t dwProcedure) {
        CXdrWriter w;
        if (dwProcedure == Vxi11::DEVICE_READ) {
            Send(fd, ReadResult(dwXid, "x\n"));
            return;
        }
        w.U32(dwProcedure == Vxi11::DEVICE_WRITE ? Vxi11::ERR_IO : 0);
        if (dwProcedure == Vxi11::DEVICE_WRITE)
            w.U32(0);
        Send(fd, COncRpc::Reply(dwXid, COncRpc::SUCCESS, w.Bytes()));
    });
    CBuiltinResourceManager rm;
    const auto pSession = std::dynamic_pointer_cast<IMessage>(
        rm.Open("TCPIP0::127.0.0.1::inst0::INSTR", Visa::NO_LOCK, 2000, {}));
    pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 1000, QString());
    EXPECT_EQ(StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_SUCCESS);
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }, &strText), Visa::VI_ERROR_IO);
    EXPECT_TRUE(strText.contains(LoadResString(2909).arg("127.0.0.1 (VXI-11 inst0)").arg(17)))
        << qPrintable(strText);
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("x\n")); // the stream is still in step
    pSession->UnlockRsrc();
    EXPECT_EQ(StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_ERROR_IO);
}

} // namespace
