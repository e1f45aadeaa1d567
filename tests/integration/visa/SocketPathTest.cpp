#include "PtySession.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/ResourceLock.h"
#include "unit/visa/VisaTestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

// A raw socket query against a loopback listener standing in for the
// instrument's SCPI port, then the instrument going away mid-reply.
TEST(SocketPathTest, QueryEndsAtLineFeedAndPeerClosingMidReadIsConnectionLost)
{
    const int fdListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    ASSERT_EQ(::bind(fdListen, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(fdListen, 4), 0);
    ASSERT_EQ(::getsockname(fdListen, reinterpret_cast<sockaddr*>(&address), &nLength), 0);
    const QString strName = QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(ntohs(address.sin_port));

    CBuiltinResourceManager rm;
    auto pSession = std::dynamic_pointer_cast<IMessage>(rm.Open(strName, Visa::NO_LOCK, 2000, {}));
    ASSERT_TRUE(pSession);
    EXPECT_FALSE(std::dynamic_pointer_cast<ISerial>(pSession));
    const int fdPeer = ::accept(fdListen, nullptr, nullptr);
    pSession->SetTimeout(3000);
    pSession->WriteString(QStringLiteral("*IDN?\n"));
    EXPECT_EQ(ReadLineFrom(fdPeer), QByteArray("*IDN?\n"));
    (void)!::write(fdPeer, "TALVERO,DXR-9K,00000001,1.00\n12.3", 33);
    EXPECT_EQ(pSession->ReadString(256), QStringLiteral("TALVERO,DXR-9K,00000001,1.00\n"));

    // Sockets lock too, through a lock file.
    pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
    auto pOther = rm.Open(strName, Visa::NO_LOCK, 2000, {});
    EXPECT_EQ(StatusOf([&] { pOther->LockRsrc(Visa::EXCLUSIVE_LOCK, 100, QString()); }), Visa::VI_ERROR_TMO);

    ::close(fdPeer);
    ::close(fdListen);
    EXPECT_EQ(StatusOf([&] { pSession->ReadString(256); }), Visa::VI_ERROR_CONN_LOST);
    // A write to the closed connection fails instead of killing the program.
    HRESULT nStatus = Visa::VI_SUCCESS;
    for (int i = 0; i < 5 && nStatus == Visa::VI_SUCCESS; ++i)
        nStatus = StatusOf([&] { pSession->WriteString(QStringLiteral("*IDN?\n")); });
    EXPECT_EQ(nStatus, Visa::VI_ERROR_CONN_LOST);
}

// Lock files of sockets live in the user's runtime folder and go with the
// last session that used them, so a folder of them does not grow with every
// port ever used; a waiter that gets a removed file's lock notices.
TEST(SocketPathTest, LockFilesGoWithTheirLastHolderAndStayExclusive)
{
    const QDir folder(CResourceLock::LockFolder());
    EXPECT_TRUE(CResourceLock::LockFolder().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR")));
    const auto lockFiles = [&] { return folder.entryList({QStringLiteral("*.lock")}, QDir::Files).size(); };
    const qsizetype nBefore = lockFiles();
    CBuiltinResourceManager rm;
    for (int nPort = 40001; nPort <= 40020; ++nPort) {
        const QString strName = QStringLiteral("TCPIP0::127.0.0.1::%1::SOCKET").arg(nPort);
        CResourceLock lock;
        lock.UseLockFile(strName);
        ASSERT_TRUE(lock.Change(CResourceLock::MODE_EXCLUSIVE, 100));
        lock.Change(CResourceLock::MODE_NONE, 0);
    }
    EXPECT_EQ(lockFiles(), nBefore);

    // One waits while the other holds; after the holder goes (and removes the
    // file), the waiter holds the new file's lock and a third is kept out.
    CResourceLock a, b, c;
    for (CResourceLock* p : {&a, &b, &c})
        p->UseLockFile(QStringLiteral("TCPIP0::127.0.0.1::40100::SOCKET"));
    ASSERT_TRUE(a.Change(CResourceLock::MODE_EXCLUSIVE, 100));
    EXPECT_FALSE(b.Change(CResourceLock::MODE_EXCLUSIVE, 50));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        a.Change(CResourceLock::MODE_NONE, 0);
    });
    EXPECT_TRUE(b.Change(CResourceLock::MODE_EXCLUSIVE, 2000));
    release.join();
    EXPECT_TRUE(c.ExclusiveElsewhere());
    EXPECT_FALSE(c.Change(CResourceLock::MODE_EXCLUSIVE, 50));
    b.Change(CResourceLock::MODE_NONE, 0);
    EXPECT_TRUE(c.Change(CResourceLock::MODE_EXCLUSIVE, 100));
    c.Change(CResourceLock::MODE_NONE, 0);
    EXPECT_EQ(lockFiles(), nBefore);
}

} // namespace
