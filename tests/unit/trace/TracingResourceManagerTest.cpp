#include "platform/visa/TracingResourceManager.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaTrace.h"

#include "support/FileBytes.h"
#include "unit/instrument/ScriptedPeer.h"
#include "unit/visa/VisaTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Opens the scripted instrument or serial line by its name; anything else
// is not found.
class CScriptedManager : public IResourceManager
{
public:
    QStringList FindRsrc(const QString&) override { return {}; }
    std::shared_ptr<IVisaSession> Open(const QString& strName, int, long, const QString&) override
    {
        if (strName == m_pMessage->ResourceName())
            return m_pMessage;
        if (strName == m_pSerial->ResourceName())
            return m_pSerial;
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND, QStringLiteral("no such thing"));
    }
    std::shared_ptr<CScriptedMessage> m_pMessage = std::make_shared<CScriptedMessage>();
    std::shared_ptr<CScriptedSerial> m_pSerial = std::make_shared<CScriptedSerial>();
};

class TracingResourceManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString strError;
        ASSERT_TRUE(CVisaTrace::Start(m_dir.filePath(QStringLiteral("trace.log")), strError))
            << qPrintable(strError);
    }
    void TearDown() override { CVisaTrace::Stop(); }

    // The trace without its time stamps.
    QStringList Lines() const
    {
        QStringList lines;
        for (const QByteArray& line : FileBytes(m_dir.filePath(QStringLiteral("trace.log"))).split('\n')) {
            if (!line.isEmpty())
                lines << QString::fromUtf8(line.mid(13)); // "HH:mm:ss.zzz "
        }
        return lines;
    }

    QTemporaryDir m_dir;
};

TEST_F(TracingResourceManagerTest, OneLinePerCommandAndPerWholeReply)
{
    auto pInner = std::make_shared<CScriptedManager>();
    // A memo with a line feed arrives in two reads, a long reply cut by the
    // count in two more; a reply without its line feed is marked.
    pInner->m_pMessage->m_strPending = QStringLiteral("\"two\nlines\"\n1,2,3\npartial");
    {
        const std::shared_ptr<IResourceManager> pRm = CTracingResourceManager::WrapIfTracing(pInner);
        const auto pSession =
            std::dynamic_pointer_cast<IMessage>(pRm->Open(QStringLiteral("GPIB0::1::INSTR"), 0, 0, {}));
        ASSERT_TRUE(pSession);
        EXPECT_FALSE(std::dynamic_pointer_cast<ISerial>(pSession))
            << "a message session became a serial line";
        pSession->WriteString(QStringLiteral("MEMO?\n"));
        const QString strFirst = pSession->ReadString(256);
        EXPECT_EQ((strFirst + pSession->ReadString(256)).toStdString(), "\"two\nlines\"\n");
        pSession->WriteString(QStringLiteral("A\r\nB\\C\n"));
        pSession->ReadString(4);
        pSession->ReadString(4);
        pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 2000, QString());
        pSession->WriteString(QStringLiteral("X?"));
        pSession->ReadString(256);
        EXPECT_THROW(pSession->ReadString(256), _com_error);
        EXPECT_EQ(pInner->m_pMessage->m_log.filter(QStringLiteral("Write")).join('|').toStdString(),
                  "Write MEMO?\n|Write A\r\nB\\C\n|Write X?")
            << "the text was changed";
    }
    const QStringList expected = {
        QStringLiteral("- open GPIB0::1::INSTR"),
        QStringLiteral("> MEMO?"),
        QStringLiteral("< \"two\\x0alines\""),
        QStringLiteral("> A"),
        QStringLiteral("> B\\x5cC"),
        QStringLiteral("< 1,2,3"),
        QStringLiteral("- lock exclusive (waits up to 2000 ms)"),
        QStringLiteral("> X? (no line end)"),
        QStringLiteral("< partial (no line end)"),
        QStringLiteral("- read timeout: ") + _com_error(Visa::VI_ERROR_TMO).ErrorMessage(),
        QStringLiteral("- close GPIB0::1::INSTR"),
    };
    EXPECT_EQ(Lines().join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
}

TEST_F(TracingResourceManagerTest, SerialLinesStaySerialAndFailuresAreTraced)
{
    auto pInner = std::make_shared<CScriptedManager>();
    const std::shared_ptr<IResourceManager> pRm = CTracingResourceManager::WrapIfTracing(pInner);
    {
        const auto pSerial =
            std::dynamic_pointer_cast<ISerial>(pRm->Open(QStringLiteral("ASRL/dev/pts/9::INSTR"), 0, 0, {}));
        ASSERT_TRUE(pSerial) << "the serial line lost its settings";
        pSerial->SetBaudRate(19200);
        EXPECT_EQ(pInner->m_pSerial->m_log.last(), QStringLiteral("BaudRate 19200"));
    }
    EXPECT_EQ(StatusOf([&] { pRm->Open(QStringLiteral("GPIB0::2::INSTR"), 0, 0, {}); }),
              Visa::VI_ERROR_RSRC_NFOUND);
    const QStringList lines = Lines();
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], QStringLiteral("- baud 19200"));
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("- open GPIB0::2::INSTR failed: ")))
        << qPrintable(lines[3]);
    EXPECT_TRUE(lines[3].endsWith(QStringLiteral("no such thing"))) << qPrintable(lines[3]);
}

TEST(VisaTraceOffTest, NothingIsWrappedUnlessAskedFor)
{
    CVisaTrace::Stop();
    auto pInner = std::make_shared<CScriptedManager>();
    EXPECT_EQ(CTracingResourceManager::WrapIfTracing(pInner), pInner);
    QString strError;
    EXPECT_FALSE(CVisaTrace::Start(QStringLiteral("/nonexistent-dir/trace.log"), strError));
    EXPECT_FALSE(strError.isEmpty());
    EXPECT_FALSE(CVisaTrace::IsOn());
}

} // namespace
