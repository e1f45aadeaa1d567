#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/VisaStatus.h"
#include "unit/visa/PtyPeer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>

namespace {

std::shared_ptr<IMessage> OpenMessage(const QString& strName)
{
    CBuiltinResourceManager rm;
    return std::dynamic_pointer_cast<IMessage>(rm.Open(strName, Visa::NO_LOCK, 2000, QString()));
}

HRESULT StatusOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return Visa::VI_SUCCESS;
}

class SerialPathTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.IsOpen());
        m_pSession = OpenMessage(m_peer.ResourceName());
        ASSERT_TRUE(m_pSession);
        m_pSession->SetTimeout(3000);
    }

    CPtyPeer m_peer;
    std::shared_ptr<IMessage> m_pSession;
};

TEST_F(SerialPathTest, QueryReplyEndsAtLineFeed)
{
    EXPECT_EQ(m_pSession->WriteString(QStringLiteral("*IDN?\n")), 6);
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("*IDN?\n"));
    // Two lines at once: each read takes one, the second stays for the next.
    m_peer.Send("TALVERO,DXR-9K,12345678,1.02\n0,\"No error\"\n");
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("TALVERO,DXR-9K,12345678,1.02\n"));
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("0,\"No error\"\n"));
}

TEST_F(SerialPathTest, ReplySplitAcrossArrivalsIsJoined)
{
    std::thread peer([this] {
        m_peer.Send("1.2");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_peer.Send("345\n");
    });
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("1.2345\n"));
    peer.join();
}

TEST_F(SerialPathTest, LongReplyIsReadAsTheCountThenTheRest)
{
    QByteArray reply(299, 'x');
    for (int i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<char>('A' + i % 26);
    reply.append('\n');
    m_peer.Send(reply);
    const QString strFirst = m_pSession->ReadString(256);
    EXPECT_EQ(strFirst, QString::fromLatin1(reply.left(256)));
    EXPECT_EQ(m_pSession->ReadString(256), QString::fromLatin1(reply.mid(256)));
}

TEST_F(SerialPathTest, Latin1TravelsBothWays)
{
    m_pSession->WriteString(QStringLiteral("MEM \u00b5A \u00e9\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("MEM \xb5"
                                               "A \xe9\n"));
    m_peer.Send("\xb0"
                "C\n");
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("\u00b0C\n"));
}

TEST_F(SerialPathTest, SilentPeerTimesOutAfterTheSetTimeout)
{
    m_pSession->SetTimeout(500);
    QElapsedTimer timer;
    timer.start();
    try {
        m_pSession->ReadString(256);
        FAIL() << "a read from a silent line returned";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_TMO);
        EXPECT_EQ(e.Description(), QStringLiteral("Timeout expired before operation completed."));
    }
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
}

TEST_F(SerialPathTest, PartialReplyAtTimeoutIsNotLeftForTheNextRead)
{
    m_pSession->SetTimeout(300);
    m_peer.Send("12.5");
    EXPECT_EQ(StatusOf([this] { m_pSession->ReadString(256); }), Visa::VI_ERROR_TMO);
    m_peer.Send("0,\"No error\"\n");
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("0,\"No error\"\n"));
}

TEST_F(SerialPathTest, SerialSettingsReachTheLine)
{
    auto pSerial = std::dynamic_pointer_cast<ISerial>(m_pSession);
    ASSERT_TRUE(pSerial);
    pSerial->SetBaudRate(19200);
    pSerial->SetDataBits(8);
    pSerial->SetStopBits(Visa::ASRL_STOP_TWO);
    pSerial->SetParity(Visa::ASRL_PAR_NONE);
    pSerial->SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);

    // Read back through a descriptor of our own, as another program would.
    const int fd = ::open(m_peer.SlavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios settings{};
    ASSERT_EQ(::tcgetattr(fd, &settings), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetospeed(&settings), static_cast<speed_t>(B19200));
    EXPECT_EQ(::cfgetispeed(&settings), static_cast<speed_t>(B19200));
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE(settings.c_cflag & CSTOPB);
    EXPECT_FALSE(settings.c_cflag & PARENB);
    EXPECT_TRUE(settings.c_iflag & IXON);
    EXPECT_TRUE(settings.c_iflag & IXOFF);
    EXPECT_FALSE(settings.c_cflag & CRTSCTS);

    // The session still talks with XON/XOFF on.
    m_pSession->WriteString(QStringLiteral("SYST:ERR?\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("SYST:ERR?\n"));
    m_peer.Send("0,\"No error\"\n");
    EXPECT_EQ(m_pSession->ReadString(256), QStringLiteral("0,\"No error\"\n"));
}

TEST_F(SerialPathTest, UnsupportedSettingsAreRefusedByName)
{
    auto pSerial = std::dynamic_pointer_cast<ISerial>(m_pSession);
    ASSERT_TRUE(pSerial);
    const struct
    {
        std::function<void()> fn;
        const char* pszAttribute;
    } cases[] = {
        {[&] { pSerial->SetBaudRate(12345); }, "VI_ATTR_ASRL_BAUD"},
        {[&] { pSerial->SetDataBits(9); }, "VI_ATTR_ASRL_DATA_BITS"},
        {[&] { pSerial->SetStopBits(30); }, "VI_ATTR_ASRL_STOP_BITS"},
        {[&] { pSerial->SetParity(7); }, "VI_ATTR_ASRL_PARITY"},
        {[&] { pSerial->SetFlowControl(Visa::ASRL_FLOW_DTR_DSR); }, "VI_ATTR_ASRL_FLOW_CNTRL"},
    };
    for (const auto& c : cases) {
        try {
            c.fn();
            ADD_FAILURE() << c.pszAttribute << " accepted";
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), Visa::VI_ERROR_NSUP_ATTR_STATE);
            EXPECT_TRUE(e.Description().contains(QLatin1String(c.pszAttribute)))
                << qPrintable(e.Description());
        }
    }
}

TEST_F(SerialPathTest, LineHungUpMidReadEndsWithConnectionLost)
{
    std::thread peer([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        m_peer.CloseMaster();
    });
    QElapsedTimer timer;
    timer.start();
    try {
        m_pSession->ReadString(256);
        ADD_FAILURE() << "a read from a hung-up line returned";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_CONN_LOST);
        EXPECT_TRUE(e.Description().contains(m_peer.SlavePath())) << qPrintable(e.Description());
    }
    EXPECT_LT(timer.elapsed(), 2500);
    peer.join();
    // Writing to the dead line fails the same way instead of hanging.
    EXPECT_EQ(StatusOf([this] { m_pSession->WriteString(QStringLiteral("*IDN?\n")); }),
              Visa::VI_ERROR_CONN_LOST);
}

TEST(SerialOpenTest, VanishedLineIsNotFoundAndNamed)
{
    QString strName;
    QString strPath;
    {
        CPtyPeer peer;
        strName = peer.ResourceName();
        strPath = peer.SlavePath();
    }
    try {
        OpenMessage(strName);
        FAIL() << "opened a closed pseudo-terminal";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_RSRC_NFOUND);
        EXPECT_TRUE(e.Description().contains(strPath)) << qPrintable(e.Description());
    }
}

TEST(SerialOpenTest, ResourceThatVanishesBetweenListingAndOpeningIsNotFound)
{
    auto pPeer = std::make_unique<CPtyPeer>();
    qputenv("VAULTLINE_VISA_RESOURCES", pPeer->ResourceName().toLocal8Bit());
    CBuiltinResourceManager rm;
    const QStringList found = rm.FindRsrc(QStringLiteral("?*::INSTR"));
    qunsetenv("VAULTLINE_VISA_RESOURCES");
    ASSERT_TRUE(found.contains(pPeer->ResourceName()));
    pPeer.reset();
    EXPECT_EQ(StatusOf([&] { rm.Open(found.last(), Visa::NO_LOCK, 2000, QString()); }),
              Visa::VI_ERROR_RSRC_NFOUND);
}

// Permission is checked by a process that is not root (root opens anything):
// a child that drops to "nobody" when the test runs as root.
TEST(SerialOpenTest, PermissionDeniedNamesTheGroupToJoin)
{
    CPtyPeer peer;
    ASSERT_EQ(::chmod(peer.SlavePath().toLocal8Bit().constData(), 0660), 0);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        QByteArray result;
        try {
            OpenMessage(peer.ResourceName());
            result = "opened";
        } catch (const _com_error& e) {
            result = QByteArray::number(static_cast<quint32>(e.Error()), 16) + ' ' + e.Description().toUtf8();
        }
        (void)!::write(fds[1], result.constData(), static_cast<size_t>(result.size()));
        ::_exit(0);
    }
    ::close(fds[1]);
    QByteArray result;
    char buf[512];
    ssize_t n = 0;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        result.append(buf, static_cast<int>(n));
    ::close(fds[0]);
    int nStatus = 0;
    ::waitpid(pid, &nStatus, 0);
    ASSERT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << "could not drop privileges";
    EXPECT_TRUE(result.startsWith("bfff0072 ")) << result.constData();
    EXPECT_TRUE(result.contains("Permission denied on " + peer.SlavePath().toLocal8Bit()))
        << result.constData();
    EXPECT_TRUE(result.contains("dialout")) << result.constData();
}

TEST(SerialOpenTest, FileThatIsNoSerialLineIsRefused)
{
    EXPECT_EQ(StatusOf([] { OpenMessage(QStringLiteral("ASRL/dev/null::INSTR")); }),
              Visa::VI_ERROR_RSRC_NFOUND);
}

} // namespace
