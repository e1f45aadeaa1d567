// HiSLIP through the built-in VISA against dxr9k-sim on loopback, and
// against a scripted peer that breaks the protocol after the handshake.

#include "integration/instrument/SimProcess.h"
#include "integration/lan/LanSim.h"
#include "integration/memfile/RunCli.h"
#include "unit/visa/VisaTestSupport.h"

#include "model/XmlDocData.h"
#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/HislipMessage.h"
#include "platform/visa/VisaStatus.h"
#include "resources/StringTable.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::shared_ptr<IMessage> Open(IResourceManager& rm, const QString& strName)
{
    return std::dynamic_pointer_cast<IMessage>(rm.Open(strName, Visa::NO_LOCK, 2000, QString()));
}

TEST(HislipPathTest, IdentifyDownloadAndUploadMoveAllMemoriesEqual)
{
    QTemporaryDir dir;
    CXmlDocData data;
    data.Reset();
    for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
        *data.GetContainer().GetAt(i) = Pattern(i, 3);
    ASSERT_TRUE(data.Save(dir.filePath("file.xMem")));

    CLanSim sim({"--hislip", "0"}, 1);
    ASSERT_TRUE(sim.Line(0).startsWith(QLatin1String("TCPIP0::127.0.0.1::hislip0,")))
        << qPrintable(sim.Line(0));
    const QString strEnvironment = QStringLiteral("VAULTLINE_VISA_PROVIDER=builtin");
    const RUN id = RunCli({"identify", sim.Line(0)}, strEnvironment);
    EXPECT_EQ(id.nExit, 0) << qPrintable(id.strErr);
    EXPECT_TRUE(id.strOut.contains(QLatin1String("TALVERO"))) << qPrintable(id.strOut);

    const RUN up = RunCli({"upload", dir.filePath("file.xMem"), sim.Line(0)}, strEnvironment);
    ASSERT_EQ(up.nExit, 0) << qPrintable(up.strErr);
    const RUN down = RunCli({"download", sim.Line(0), dir.filePath("back.xMem")}, strEnvironment);
    ASSERT_EQ(down.nExit, 0) << qPrintable(down.strErr);
    CXmlDocData back;
    back.Reset();
    ASSERT_TRUE(back.Load(dir.filePath("back.xMem")));
    for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
        EXPECT_EQ(Describe(*back.GetContainer().GetAt(i)), Describe(Pattern(i, 3))) << "memory " << i;
}

TEST(HislipPathTest, SecondClientWaitsForTheInstrumentsLockThenGetsTheLockedStatus)
{
    CLanSim sim({"--hislip", "0"}, 1);
    CBuiltinResourceManager rm;
    const std::shared_ptr<IMessage> pFirst = Open(rm, sim.Line(0));
    std::shared_ptr<IMessage> pSecond = Open(rm, sim.Line(0));
    pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());

    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([&] { pSecond->LockRsrc(Visa::EXCLUSIVE_LOCK, 500, QString()); }),
              Visa::VI_ERROR_RSRC_LOCKED);
    EXPECT_GE(timer.elapsed(), 480);
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(StatusOf([&] { pSecond->LockRsrc(Visa::SHARED_LOCK, 0, QString()); }),
              Visa::VI_ERROR_RSRC_LOCKED);
    EXPECT_EQ(StatusOf([&] { pSecond->WriteString(QStringLiteral("*IDN?\n")); }), Visa::VI_ERROR_RSRC_LOCKED);
    pFirst->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_TRUE(pFirst->ReadString(256).startsWith(QLatin1String("TALVERO,")));

    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pFirst->UnlockRsrc();
    });
    timer.restart();
    pSecond->LockRsrc(Visa::EXCLUSIVE_LOCK, 3000, QString());
    release.join();
    EXPECT_GE(timer.elapsed(), 150);
    EXPECT_LT(timer.elapsed(), 1500);
    // Shared locks share with each other, not with the exclusive one.
    pSecond->UnlockRsrc();
    pSecond->LockRsrc(Visa::SHARED_LOCK, 0, QString());
    pFirst->LockRsrc(Visa::SHARED_LOCK, 0, QString());
    EXPECT_EQ(StatusOf([&] { pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()); }),
              Visa::VI_ERROR_RSRC_LOCKED);
    // Closing a session ends its lock at the instrument.
    pSecond.reset();
    pFirst->LockRsrc(Visa::EXCLUSIVE_LOCK, 1000, QString());
    EXPECT_EQ(pFirst->LockState(), Visa::EXCLUSIVE_LOCK);
}

TEST(HislipPathTest, SilentOrKilledInstrumentGivesTimeoutThenConnectionLost)
{
    CLanSim sim({"--hislip", "0", "--silent-after", "1"}, 1);
    CBuiltinResourceManager rm;
    const std::shared_ptr<IMessage> pSession = Open(rm, sim.Line(0));
    pSession->SetTimeout(600);
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_TRUE(pSession->ReadString(256).startsWith(QLatin1String("TALVERO,")));
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }), Visa::VI_ERROR_TMO);
    EXPECT_GE(timer.elapsed(), 580);
    EXPECT_LT(timer.elapsed(), 1100);

    sim.Kill(SIGKILL);
    QString strText;
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }, &strText), Visa::VI_ERROR_CONN_LOST);
    EXPECT_TRUE(strText.contains(QLatin1String("(HiSLIP hislip0)"))) << qPrintable(strText);
}

TEST(HislipPathTest, InstrumentKilledMidTransferIsAClearVisaErrorAndNoFile)
{
    QTemporaryDir dir;
    CLanSim sim({"--hislip", "0", "--log", dir.filePath("sim.log")}, 1);
    std::thread killer = sim.KillAfter(dir.filePath("sim.log"), 500);
    const RUN r =
        RunCli({"download", sim.Line(0), dir.filePath("backup.xMem")}, "VAULTLINE_VISA_PROVIDER=builtin");
    killer.join();
    EXPECT_EQ(r.nExit, 5);
    EXPECT_TRUE(r.strErr.startsWith(CVisaStatus::Description(Visa::VI_ERROR_CONN_LOST)))
        << qPrintable(r.strErr);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("backup.xMem")));
}

// Completes the handshake of one session, then answers the first message of
// the synchronous channel with the script's bytes.
class CHislipPeer
{
public:
    explicit CHislipPeer(QByteArray answer, bool bCloseAfter = false)
        : m_answer(std::move(answer)), m_bCloseAfter(bCloseAfter)
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
        m_thread = std::thread([this] { Serve(); });
    }
    ~CHislipPeer()
    {
        m_bStop = true;
        m_thread.join();
        ::close(m_fdListen);
    }
    QString Resource() const { return QStringLiteral("TCPIP0::127.0.0.1::hislip0,%1::INSTR").arg(m_nPort); }

private:
    // The next whole message of a channel, or false after a while.
    bool Next(int fd, QByteArray& buf, CHislipMessage& message)
    {
        for (int i = 0; i < 100 && !m_bStop; ++i) {
            if (message.Take(buf, 1 << 20) == CHislipMessage::TAKE_DONE)
                return true;
            pollfd pfd{fd, POLLIN, 0};
            char chunk[4096];
            if (::poll(&pfd, 1, 50) > 0) {
                const ssize_t n = ::read(fd, chunk, sizeof chunk);
                if (n <= 0)
                    return false;
                buf.append(chunk, static_cast<int>(n));
            }
        }
        return false;
    }
    void Serve()
    {
        const int fdSync = ::accept(m_fdListen, nullptr, nullptr);
        QByteArray bufSync, bufAsync;
        CHislipMessage message;
        if (Next(fdSync, bufSync, message))
            Send(fdSync, CHislipMessage::Encode(Hislip::INITIALIZE_RESPONSE, 0, 0x01000007));
        const int fdAsync = ::accept(m_fdListen, nullptr, nullptr);
        if (Next(fdAsync, bufAsync, message))
            Send(fdAsync, CHislipMessage::Encode(Hislip::ASYNC_INITIALIZE_RESPONSE, 0, 0));
        if (Next(fdAsync, bufAsync, message))
            Send(fdAsync, CHislipMessage::Encode(Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE_RESPONSE, 0, 0,
                                                 QByteArray::fromHex("0000000000100000")));
        // The lock questions of the asynchronous channel get plain answers;
        // the first message of the synchronous channel gets the script.
        bool bAnswered = false;
        while (!m_bStop) {
            pollfd fds[2] = {{bAnswered ? -1 : fdSync, POLLIN, 0}, {fdAsync, POLLIN, 0}};
            if (::poll(fds, 2, 20) <= 0)
                continue;
            if ((fds[1].revents & POLLIN) && Next(fdAsync, bufAsync, message)) {
                if (message.m_nType == Hislip::ASYNC_LOCK_INFO)
                    Send(fdAsync, CHislipMessage::Encode(Hislip::ASYNC_LOCK_INFO_RESPONSE, 0, 0));
                else if (message.m_nType == Hislip::ASYNC_LOCK)
                    Send(fdAsync, CHislipMessage::Encode(Hislip::ASYNC_LOCK_RESPONSE, 1, 0));
            }
            if ((fds[0].revents & POLLIN) && !bAnswered && Next(fdSync, bufSync, message)) {
                bAnswered = true;
                Send(fdSync, m_answer);
                if (m_bCloseAfter)
                    ::shutdown(fdSync, SHUT_RDWR);
            }
        }
        ::close(fdSync);
        ::close(fdAsync);
    }
    static void Send(int fd, const QByteArray& bytes) { (void)!::write(fd, bytes.constData(), bytes.size()); }

    QByteArray m_answer;
    bool m_bCloseAfter;
    int m_fdListen = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::thread m_thread;
};

QByteArray DataEnd(std::uint32_t dwId, const QByteArray& text)
{
    return CHislipMessage::Encode(Hislip::DATA_END, 0, dwId, text);
}

TEST(HislipPathTest, BrokenPeersEndInAVisaErrorWithinTheTimeout)
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
        CBuiltinResourceManager rm;
        const std::shared_ptr<IMessage> pSession = Open(rm, peer.Resource());
        ASSERT_TRUE(pSession) << c.pszWhat;
        pSession->SetTimeout(500);
        pSession->WriteString(QStringLiteral("*IDN?\n"));
        QElapsedTimer timer;
        timer.start();
        QString strRead;
        QString strText;
        EXPECT_EQ(StatusOf([&] { strRead = pSession->ReadString(256); }, &strText), c.nStatus) << c.pszWhat;
        EXPECT_LT(timer.elapsed(), 1000) << c.pszWhat;
        EXPECT_TRUE((c.nStatus == Visa::VI_SUCCESS ? strRead : strText).contains(c.strText))
            << c.pszWhat << ": " << qPrintable(strText) << qPrintable(strRead);
    }
}

} // namespace
