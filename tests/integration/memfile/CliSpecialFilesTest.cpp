#include "integration/memfile/RunCli.h"
#include "model/XmlDocData.h"
#include "platform/file/FileStrings.h"
#include "platform/visa/VisaStrings.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The commands meet FIFOs, folders, devices and sockets where they expect
// memory files, as root (as CI and many lab PCs run them) and as an ordinary
// user; every one answers at once with the message and the reason.
class CliSpecialFiles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        // Readable and, for the read-only folder case, enterable by nobody.
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        CXmlDocData data;
        data.Reset();
        data.GetContainer().GetAt(3)->Memo = QStringLiteral("three");
        ASSERT_TRUE(data.Save(Path("m.xMem")));
        m_before = FileBytes(Path("m.xMem"));
    }
    void TearDown() override { QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7700)); }
    QString Path(const char* psz) const { return m_dir.filePath(QString::fromUtf8(psz)); }
    QString Fifo(const char* pszName = "fifo.xMem") { return m_special.Fifo(pszName); }
    QString Socket() { return m_special.Socket(); }
    static mode_t Type(const QString& strPath) { return CSpecialFiles::Type(strPath); }

    QTemporaryDir m_dir;
    CSpecialFiles m_special{m_dir.path()};
    QByteArray m_before;
};

TEST_F(CliSpecialFiles, EveryReadingCommandRefusesSpecialFilesWithinASecond)
{
    const std::pair<QString, unsigned> inputs[] = {{Fifo(), IDS_FILE_IS_FIFO},
                                                   {m_dir.path(), IDS_FILE_IS_DIRECTORY},
                                                   {QStringLiteral("/dev/zero"), IDS_FILE_IS_DEVICE},
                                                   {Socket(), IDS_FILE_IS_SOCKET}};
    const QString strGood = Path("m.xMem");
    for (const auto& [strInput, nReason] : inputs) {
        const QStringList commands[] = {
            {"show", strInput},
            {"copy", strInput, "1", "2"},
            {"diff", strGood, strInput},
            {"download", "ASRL/dev/null::INSTR", Path("out.xMem"), "--range", "1-2", "--into", strInput}};
        for (const QStringList& args : commands) {
            const RUN run = RunCli(args);
            EXPECT_EQ(run.nExit, 3) << qPrintable(args.join(' ')) << qPrintable(run.strErr);
            EXPECT_EQ(run.strErr, FormatResString(IDS_FILE_NOT_READ, strInput) + '\n' +
                                      LoadResString(IDS_CLI_REASON).arg(LoadFileString(nReason)) + '\n')
                << qPrintable(args.join(' '));
            EXPECT_LT(run.nMilliseconds, 1000) << qPrintable(args.join(' '));
        }
    }
    EXPECT_FALSE(QFileInfo::exists(Path("out.xMem")));
}

TEST_F(CliSpecialFiles, SavesOntoAFifoOrADeviceAreRefusedAndLeaveThemAsTheyWere)
{
    for (const QString& strTarget : {Fifo(), m_special.Device()}) {
        const mode_t type = Type(strTarget);
        const QString strReason =
            LoadFileString(Type(strTarget) == S_IFIFO ? IDS_FILE_IS_FIFO : IDS_FILE_IS_DEVICE);
        const RUN copy = RunCli({"copy", Path("m.xMem"), "3", "4", "--output", strTarget});
        EXPECT_EQ(copy.nExit, 3) << qPrintable(copy.strErr);
        EXPECT_EQ(copy.strErr, FormatResString(IDS_FILE_NOT_WRITTEN, strTarget) + '\n' +
                                   LoadResString(IDS_CLI_REASON).arg(strReason) + '\n');
        // The download finds out before it talks to the instrument.
        const RUN download = RunCli({"download", "ASRL/dev/null::INSTR", strTarget});
        EXPECT_EQ(download.nExit, 3) << qPrintable(download.strErr);
        EXPECT_EQ(download.strErr, copy.strErr);
        EXPECT_EQ(Type(strTarget), type);
    }
    EXPECT_EQ(FileBytes(Path("m.xMem")), m_before);
}

// As an ordinary user: the folder is read-only, the file writable. The save
// goes in place; one that cannot fit (a file-size limit below the new size)
// is refused before a byte changes.
TEST_F(CliSpecialFiles, AWritableFileInAReadOnlyFolderIsSavedInPlace)
{
    // Root would create the temporary file anyway; the case is an ordinary user's.
    const QString strAsUser =
        ::geteuid() == 0 ? QStringLiteral("setpriv --reuid=65534 --regid=65534 --clear-groups") : QString();
    const QString strFile = Path("m.xMem");
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(strFile).constData(), 65534, 65534), 0);
    }
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x5555)));

    // One more memo grows the file beyond a limit of its own size in blocks.
    const qint64 nLimitBlocks = QFileInfo(strFile).size() / 512;
    const RUN limited = RunCli({"copy", strFile, "3", "4"},
                               QStringLiteral("trap '' XFSZ; ulimit -f %1; exec %2 \"$0\" \"$@\";")
                                   .arg(nLimitBlocks)
                                   .arg(strAsUser));
    EXPECT_EQ(limited.nExit, 3) << qPrintable(limited.strErr);
    EXPECT_TRUE(
        limited.strErr.endsWith(LoadResString(IDS_CLI_REASON).arg(QStringLiteral("File too large")) + '\n'))
        << qPrintable(limited.strErr);
    EXPECT_EQ(FileBytes(strFile), m_before);

    const RUN run =
        RunCli({"copy", strFile, "3", "4"}, QStringLiteral("exec %1 \"$0\" \"$@\";").arg(strAsUser));
    EXPECT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    EXPECT_EQ(RunCli({"show", strFile, "--memory", "4"}).strOut.count(QLatin1String("three")), 1);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"m.xMem"});

    // A new file there cannot be made at all, and download says so before it starts.
    const RUN download = RunCli({"download", "ASRL/dev/null::INSTR", Path("new.xMem")},
                                QStringLiteral("exec %1 \"$0\" \"$@\";").arg(strAsUser));
    EXPECT_EQ(download.nExit, 3);
    EXPECT_EQ(download.strErr, FormatResString(IDS_FILE_NOT_WRITTEN, Path("new.xMem")) + '\n' +
                                   LoadResString(IDS_CLI_REASON).arg(QStringLiteral("Permission denied")) +
                                   '\n');
}

// Names reach the terminal escaped: a file name with an escape sequence or a
// line break cannot recolour the terminal or forge a line.
TEST_F(CliSpecialFiles, ControlCharactersInNamesAreShownEscaped)
{
    const QString strName = Path("x\x1b]0;owned\x07\x1b[2J\nfake.xMem");
    const RUN run = RunCli({"show", strName});
    EXPECT_EQ(run.nExit, 3);
    EXPECT_FALSE(run.strErr.contains(QLatin1Char('\x1b')) || run.strErr.contains(QLatin1Char('\x07')));
    EXPECT_TRUE(run.strErr.contains(QLatin1String("x\\x1b]0;owned\\x07\\x1b[2J\\x0afake.xMem")))
        << qPrintable(run.strErr);
    EXPECT_EQ(run.strErr.count('\n'), 2);
}

TEST_F(CliSpecialFiles, ASpecialOrHugeResourcesFileDoesNotHoldUpTheListing)
{
    const QString strConfig = Path("config");
    QDir().mkpath(strConfig + "/Talvero");
    const QString strResources = strConfig + "/Talvero/vaultline-resources";
    const QString strPrefix =
        QStringLiteral("export XDG_CONFIG_HOME='%1' VAULTLINE_VISA_PROVIDER=builtin;").arg(strConfig);

    ASSERT_EQ(::mkfifo(QFile::encodeName(strResources).constData(), 0666), 0);
    RUN run = RunCli({"list"}, strPrefix);
    EXPECT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    EXPECT_EQ(run.strErr,
              LoadFileString(IDS_FILE_WARN_NOT_READ).arg(strResources, LoadFileString(IDS_FILE_IS_FIFO)) +
                  '\n');
    EXPECT_LT(run.nMilliseconds, 2000);

    // One line of 64 MB: read as far as the bound, once.
    QFile::remove(strResources);
    QFile file(strResources);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("ASRL/dev/pts/77::INSTR\n");
    ASSERT_TRUE(file.resize(64 * 1024 * 1024));
    file.close();
    run = RunCli({"list"}, strPrefix);
    EXPECT_EQ(run.nExit, 0) << qPrintable(run.strErr);
    EXPECT_TRUE(run.strOut.contains(QLatin1String("ASRL/dev/pts/77::INSTR")));
    EXPECT_EQ(run.strErr,
              LoadVisaString(IDS_VISA_WARN_RESOURCES_FILE_CUT).arg(strResources).arg(1024 * 1024) + '\n');
    EXPECT_LT(run.nMilliseconds, 2000);
}

} // namespace
