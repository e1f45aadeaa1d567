#include "platform/visa/BuiltinResourceManager.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// A listening socket on the loopback interface, standing in for an
// instrument's SCPI port.
class CLoopbackServer
{
public:
    CLoopbackServer()
    {
        m_fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t nLength = sizeof address;
        if (::bind(m_fdListen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_fdListen, 4) != 0 ||
            ::getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&address), &nLength) != 0)
            return;
        m_nPort = ntohs(address.sin_port);
    }
    ~CLoopbackServer()
    {
        CloseClient();
        ::close(m_fdListen);
    }
    CLoopbackServer(const CLoopbackServer&) = delete;
    CLoopbackServer& operator=(const CLoopbackServer&) = delete;

    int Port() const { return m_nPort; }
    QString ResourceName() const { return QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(m_nPort); }
    void Accept() { m_fdClient = ::accept(m_fdListen, nullptr, nullptr); }
    void Send(const QByteArray& bytes) const { (void)!::write(m_fdClient, bytes.constData(), bytes.size()); }
    QByteArray ReceiveLine() const
    {
        QByteArray line;
        char c = 0;
        while (!line.endsWith('\n') && ::read(m_fdClient, &c, 1) == 1)
            line.append(c);
        return line;
    }
    void CloseClient()
    {
        if (m_fdClient >= 0)
            ::close(m_fdClient);
        m_fdClient = -1;
    }

private:
    int m_fdListen = -1;
    int m_fdClient = -1;
    int m_nPort = 0;
};

HRESULT StatusOf(const std::function<void()>& fn)
{
    try {
        fn();
    } catch (const _com_error& e) {
        return e.Error();
    }
    return Visa::VI_SUCCESS;
}

TEST(SocketPathTest, QueryOverRawSocketEndsAtLineFeed)
{
    CLoopbackServer server;
    ASSERT_GT(server.Port(), 0);
    CBuiltinResourceManager rm;
    auto pSession =
        std::dynamic_pointer_cast<IMessage>(rm.Open(server.ResourceName(), Visa::NO_LOCK, 2000, {}));
    ASSERT_TRUE(pSession);
    EXPECT_FALSE(std::dynamic_pointer_cast<ISerial>(pSession));
    server.Accept();
    pSession->SetTimeout(2000);
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_EQ(server.ReceiveLine(), QByteArray("*IDN?\n"));
    server.Send("TALVERO,DXR-9K,00000001,1.00\n");
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("TALVERO,DXR-9K,00000001,1.00\n"));
    // Sockets lock too, through a lock file.
    pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    auto pOther = rm.Open(server.ResourceName(), Visa::NO_LOCK, 2000, {});
    EXPECT_EQ(StatusOf([&] { pOther->LockRsrc(Visa::EXCLUSIVE_LOCK, 100, QString()); }), Visa::VI_ERROR_TMO);
}

TEST(SocketPathTest, PeerClosingMidReadEndsWithConnectionLost)
{
    CLoopbackServer server;
    CBuiltinResourceManager rm;
    auto pSession =
        std::dynamic_pointer_cast<IMessage>(rm.Open(server.ResourceName(), Visa::NO_LOCK, 2000, {}));
    server.Accept();
    pSession->SetTimeout(3000);
    std::thread peer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        server.Send("12.3");
        server.CloseClient();
    });
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }), Visa::VI_ERROR_CONN_LOST);
    EXPECT_LT(timer.elapsed(), 2000);
    peer.join();
    // A write to the closed connection fails instead of killing the program.
    HRESULT nStatus = Visa::VI_SUCCESS;
    for (int i = 0; i < 5 && nStatus == Visa::VI_SUCCESS; ++i)
        nStatus = StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); });
    EXPECT_EQ(nStatus, Visa::VI_ERROR_CONN_LOST);
}

TEST(SocketPathTest, ClosedPortIsRefusedWithATextThatSaysSo)
{
    int nPort = 0;
    {
        CLoopbackServer server;
        nPort = server.Port();
    }
    CBuiltinResourceManager rm;
    try {
        rm.Open(QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(nPort), Visa::NO_LOCK, 2000, {});
        FAIL() << "connected to a closed port";
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_MACHINE_NAVAIL);
        EXPECT_TRUE(e.Description().contains(QStringLiteral("127.0.0.1:%1").arg(nPort)))
            << qPrintable(e.Description());
    }
}

} // namespace
