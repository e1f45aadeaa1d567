#include "PtySession.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <sys/stat.h>
#include <termios.h>
#include <thread>

namespace {

using SerialPathTest = PtySessionTest;

// The line's settings read through a descriptor of our own, as another program would.
termios LineSettings(const QString& strPath)
{
    termios settings{};
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::tcgetattr(fd, &settings), 0);
    ::close(fd);
    return settings;
}

TEST_F(SerialPathTest, RepliesEndAtTheLineFeedOrTheCountAndTravelAsLatin1)
{
    EXPECT_EQ(m_pSession->WriteString(QStringLiteral("MEM \u00b5A?\n")), 8);
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("MEM \xb5"
                                               "A?\n"));
    // Two lines at once: each read takes one, the second stays for the next.
    m_peer.Send("TALVERO,DXR-9K,12345678,1.02\n0,\"\xb0"
                "C\"\n");
    EXPECT_EQ(Read(), QStringLiteral("TALVERO,DXR-9K,12345678,1.02\n"));
    EXPECT_EQ(Read(), QStringLiteral("0,\"\u00b0C\"\n"));
    // A reply split across arrivals is joined.
    std::thread peer([this] {
        m_peer.Send("1.2");
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        m_peer.Send("345\n");
    });
    EXPECT_EQ(Read(), QStringLiteral("1.2345\n"));
    peer.join();
    // A long reply is read as the count, then the rest.
    const QByteArray reply = QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ").repeated(12).left(299);
    m_peer.Send(reply + '\n');
    EXPECT_EQ(Read(), QString::fromLatin1(reply.left(256)));
    EXPECT_EQ(Read(), QString::fromLatin1(reply.mid(256) + '\n'));
}

TEST_F(SerialPathTest, SilentPeerTimesOutAfterTheSetTimeoutAndPartialReplyIsDropped)
{
    m_pSession->SetTimeout(500);
    m_peer.Send("12.5");
    QElapsedTimer timer;
    timer.start();
    QString strText;
    EXPECT_EQ(StatusOf([this] { Read(); }, &strText), Visa::VI_ERROR_TMO);
    EXPECT_EQ(strText, QStringLiteral("Timeout expired before operation completed."));
    EXPECT_GE(timer.elapsed(), 490);
    EXPECT_LT(timer.elapsed(), 1500);
    // What arrived before the timeout is not left for the next read.
    m_peer.Send("0,\"No error\"\n");
    EXPECT_EQ(Read(), QStringLiteral("0,\"No error\"\n"));
}

TEST_F(SerialPathTest, SerialSettingsReachTheLine)
{
    auto pSerial = std::dynamic_pointer_cast<ISerial>(m_pSession);
    ASSERT_TRUE(pSerial);
    ApplyInstrumentLineSettings(*pSerial);

    const termios settings = LineSettings(m_peer.SlavePath());
    // Speeds out and in, character size, stop bits, parity and hardware flow, XON/XOFF.
    EXPECT_EQ(QList<unsigned>({::cfgetospeed(&settings), ::cfgetispeed(&settings),
                               settings.c_cflag & (CSIZE | CSTOPB | PARENB | CRTSCTS),
                               settings.c_iflag & (IXON | IXOFF)}),
              QList<unsigned>({B19200, B19200, CS8 | CSTOPB, IXON | IXOFF}));

    // Settings the line cannot take are refused by name.
    const std::pair<std::function<void()>, const char*> cases[] = {
        {[&] { pSerial->SetBaudRate(12345); }, "VI_ATTR_ASRL_BAUD"},
        {[&] { pSerial->SetDataBits(9); }, "VI_ATTR_ASRL_DATA_BITS"},
        {[&] { pSerial->SetStopBits(30); }, "VI_ATTR_ASRL_STOP_BITS"},
        {[&] { pSerial->SetParity(7); }, "VI_ATTR_ASRL_PARITY"},
        {[&] { pSerial->SetFlowControl(Visa::ASRL_FLOW_DTR_DSR); }, "VI_ATTR_ASRL_FLOW_CNTRL"}};
    for (const auto& [fn, pszAttribute] : cases) {
        QString strText;
        EXPECT_EQ(StatusOf(fn, &strText), Visa::VI_ERROR_NSUP_ATTR_STATE) << pszAttribute;
        EXPECT_TRUE(strText.contains(QLatin1String(pszAttribute))) << qPrintable(strText);
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
    QString strText;
    EXPECT_EQ(StatusOf([this] { Read(); }, &strText), Visa::VI_ERROR_CONN_LOST);
    EXPECT_TRUE(strText.contains(m_peer.SlavePath())) << qPrintable(strText);
    EXPECT_LT(timer.elapsed(), 2500);
    peer.join();
    // Writing to the dead line fails the same way instead of hanging.
    EXPECT_EQ(StatusOf([this] { m_pSession->WriteString(QStringLiteral("*IDN?\n")); }),
              Visa::VI_ERROR_CONN_LOST);
}

TEST(SerialOpenTest, ResourceThatVanishesBetweenListingAndOpeningIsNotFoundAndNamed)
{
    auto pPeer = std::make_unique<CPtyPeer>();
    const QString strPath = pPeer->SlavePath();
    qputenv("VAULTLINE_VISA_RESOURCES", pPeer->ResourceName().toLocal8Bit());
    CBuiltinResourceManager rm;
    const QStringList found = rm.FindRsrc(QStringLiteral("?*::INSTR"));
    qunsetenv("VAULTLINE_VISA_RESOURCES");
    ASSERT_TRUE(found.contains(pPeer->ResourceName()));
    pPeer.reset();
    QString strText;
    EXPECT_EQ(StatusOf([&] { rm.Open(found.last(), Visa::NO_LOCK, 2000, QString()); }, &strText),
              Visa::VI_ERROR_RSRC_NFOUND);
    EXPECT_TRUE(strText.contains(strPath)) << qPrintable(strText);
}

// Permission is checked by a process that is not root (root opens anything):
// the helper drops to "nobody" when the test runs as root.
TEST(SerialOpenTest, PermissionDeniedNamesTheGroupToJoin)
{
    CPtyPeer peer;
    ASSERT_EQ(::chmod(peer.SlavePath().toLocal8Bit().constData(), 0660), 0);
    CHelperProcess helper({peer.ResourceName(), QStringLiteral("--as-nobody")});
    const QByteArray result = helper.Line();
    EXPECT_TRUE(result.startsWith("error bfff0072 ")) << result.constData();
    EXPECT_TRUE(result.contains("Permission denied on " + peer.SlavePath().toLocal8Bit()))
        << result.constData();
    EXPECT_TRUE(result.contains("dialout")) << result.constData();
}

// Opening the line must not take another session's reply from it nor change
// its settings: that session may be in the middle of an exchange. Stale input
// is for the session's own first locked exchange to discard.
TEST_F(SerialPathTest, OpeningTheLineAgainLeavesItsInputAndSettings)
{
    auto pSerial = std::dynamic_pointer_cast<ISerial>(m_pSession);
    ASSERT_TRUE(pSerial);
    pSerial->SetBaudRate(19200);
    pSerial->SetStopBits(Visa::ASRL_STOP_TWO);
    pSerial->SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);
    m_pSession->WriteString(QStringLiteral("BACK:SMEM:POW?\n"));
    EXPECT_EQ(m_peer.ReceiveLine(), QByteArray("BACK:SMEM:POW?\n"));
    m_peer.Send("1,2,3,4,5,6,7,8,9,10\n");
    for (int i = 0; i < 5; ++i)
        m_rm.Open(m_peer.ResourceName(), Visa::NO_LOCK, 2000, QString());
    EXPECT_EQ(Read(), QStringLiteral("1,2,3,4,5,6,7,8,9,10\n"));
    const termios settings = LineSettings(m_peer.SlavePath());
    EXPECT_EQ(::cfgetospeed(&settings), speed_t(B19200));
    EXPECT_EQ(settings.c_cflag & CSTOPB, tcflag_t(CSTOPB));
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF), tcflag_t(IXON | IXOFF));

    m_peer.Send("stale\n");
    QThread::msleep(50);
    m_pSession->DiscardInput();
    m_peer.Send("0,\"No error\"\n");
    EXPECT_EQ(Read(), QStringLiteral("0,\"No error\"\n"));
}

} // namespace
