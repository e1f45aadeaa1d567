#include "platform/file/RegularFile.h"
#include "platform/file/FileStrings.h"
#include "support/SpecialFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <tuple>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class SpecialFiles : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString Path(const char* psz) const { return m_dir.filePath(QString::fromLatin1(psz)); }
    QString Fifo(const char* pszName = "fifo.xMem") { return m_special.Fifo(pszName); }
    QString Socket() { return m_special.Socket(); }
    QString Device() { return m_special.Device(); }
    static mode_t Type(const QString& strPath) { return CSpecialFiles::Type(strPath); }
    static void Write(const QString& strPath, const QByteArray& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(strPath, bytes));
    }

    QTemporaryDir m_dir;
    CSpecialFiles m_special{m_dir.path()};
};

TEST_F(SpecialFiles, ReadRefusesAtOnceWhatIsNotARegularFileAndSaysWhat)
{
    const std::pair<QString, unsigned> cases[] = {{Fifo(), IDS_FILE_IS_FIFO},
                                                  {m_dir.path(), IDS_FILE_IS_DIRECTORY},
                                                  {QStringLiteral("/dev/zero"), IDS_FILE_IS_DEVICE},
                                                  {Socket(), IDS_FILE_IS_SOCKET}};
    for (const auto& [strPath, nReason] : cases) {
        QElapsedTimer timer;
        timer.start();
        QByteArray bytes;
        QString strReason;
        bool bLonger = false;
        EXPECT_FALSE(RegularFile::Read(strPath, 1024, bytes, strReason, bLonger)) << qPrintable(strPath);
        EXPECT_EQ(strReason, LoadFileString(nReason));
        EXPECT_EQ(RegularFile::NotRegularReason(strPath), LoadFileString(nReason));
        EXPECT_TRUE(bytes.isEmpty());
        EXPECT_LT(timer.elapsed(), 1000) << qPrintable(strPath);
    }
    // A symlink to a FIFO is the FIFO.
    const QString strLink = Path("link.xMem");
    ASSERT_TRUE(QFile::link(Path("fifo.xMem"), strLink));
    EXPECT_EQ(RegularFile::NotRegularReason(strLink), LoadFileString(IDS_FILE_IS_FIFO));
    EXPECT_TRUE(RegularFile::NotRegularReason(Path("missing")).isEmpty());
}

TEST_F(SpecialFiles, ReadStopsAtTheBoundAndSaysThereWasMore)
{
    const QString strPath = Path("long.txt");
    Write(strPath, QByteArray(200000, 'x') + "tail");
    const std::tuple<qint64, int, bool> cases[] = {// bound, bytes read, longer
                                                   {1000, 1000, true},
                                                   {200004, 200004, false},
                                                   {200003, 200003, true},
                                                   {0, 0, true}};
    for (const auto& [nMax, nSize, bLongerExpected] : cases) {
        QByteArray bytes;
        QString strReason;
        bool bLonger = false;
        ASSERT_TRUE(RegularFile::Read(strPath, nMax, bytes, strReason, bLonger));
        EXPECT_EQ(bytes.size(), nSize) << nMax;
        EXPECT_EQ(bLonger, bLongerExpected) << nMax;
    }
    QByteArray bytes;
    QString strReason;
    bool bLonger = false;
    EXPECT_FALSE(RegularFile::Read(Path("missing"), 10, bytes, strReason, bLonger));
    EXPECT_EQ(strReason, QStringLiteral("No such file or directory"));
}

TEST_F(SpecialFiles, SaveNeverReplacesAFifoADeviceADirectoryOrASocket)
{
    const QString targets[] = {Fifo(), Device(), Socket(), m_dir.path()};
    for (const QString& strPath : targets) {
        const mode_t type = Type(strPath);
        QString strReason;
        EXPECT_FALSE(RegularFile::CanSave(strPath, strReason)) << qPrintable(strPath);
        EXPECT_EQ(strReason, RegularFile::NotRegularReason(strPath));
        strReason.clear();
        EXPECT_FALSE(RegularFile::Save(strPath, "<Memories/>", strReason)) << qPrintable(strPath);
        EXPECT_EQ(strReason, RegularFile::NotRegularReason(strPath));
        EXPECT_EQ(Type(strPath), type) << qPrintable(strPath);
    }
    // Nothing was left behind beside them.
    for (const QString& strName :
         QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        EXPECT_FALSE(strName.contains(QLatin1String(".save-"))) << qPrintable(strName);
}

TEST_F(SpecialFiles, SaveFollowsSymlinksAndKeepsThemAndThePermissions)
{
    const QString strTarget = Path("real.xMem");
    const QString strLink = Path("link.xMem");
    Write(strTarget, "old");
    ASSERT_TRUE(QFile::setPermissions(strTarget, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(QFile::link(strTarget, strLink));
    QString strReason;
    ASSERT_TRUE(RegularFile::Save(strLink, "new", strReason)) << qPrintable(strReason);
    EXPECT_TRUE(QFileInfo(strLink).isSymLink());
    EXPECT_EQ(FileBytes(strTarget), "new");
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(strTarget).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    // A dangling link gets the file it names.
    const QString strDangling = Path("dangling.xMem");
    ASSERT_TRUE(QFile::link(Path("created.xMem"), strDangling));
    ASSERT_TRUE(RegularFile::Save(strDangling, "created", strReason));
    EXPECT_TRUE(QFileInfo(strDangling).isSymLink());
    EXPECT_EQ(FileBytes(Path("created.xMem")), "created");
}

// Temporary files of saves that were killed go with the next save; one that
// a running save still holds, and anything that merely looks similar, stays.
TEST_F(SpecialFiles, ASuccessfulSaveRemovesLeftoversOfInterruptedSavesOnly)
{
    const QString strTarget = Path("m.xMem");
    Write(strTarget, "old");
    const QString strPrefix = RegularFile::TemporaryPrefix(strTarget);
    EXPECT_EQ(strPrefix, QStringLiteral(".m.xMem.save-"));
    const std::pair<const char*, bool> names[] = {
        // name, removed
        {".m.xMem.save-AbC123", true},   {".m.xMem.save-zzzzzz", true}, {".m.xMem.save-held01", false},
        {".m.xMem.save-AbC1234", false}, {".m.xMem.save-AbC12", false}, {"m.xMem.save-AbC123", false},
        {".n.xMem.save-AbC123", false},  {"m.xMem.backup", false}};
    for (const auto& [pszName, bRemoved] : names)
        Write(Path(pszName), "leftover");
    // A save in progress holds a lock on its temporary file.
    const int fdHeld = ::open(QFile::encodeName(Path(".m.xMem.save-held01")).constData(), O_RDONLY);
    ASSERT_GE(fdHeld, 0);
    ASSERT_EQ(::flock(fdHeld, LOCK_EX), 0);

    QString strReason;
    ASSERT_TRUE(RegularFile::Save(strTarget, "new", strReason));
    ::close(fdHeld);
    EXPECT_EQ(FileBytes(strTarget), "new");
    for (const auto& [pszName, bRemoved] : names)
        EXPECT_EQ(QFileInfo::exists(Path(pszName)), !bRemoved) << pszName;
}

// Root writes anywhere; the in-place path is tested as an ordinary user by
// the command-line tests.
TEST_F(SpecialFiles, AWritableFileInAReadOnlyFolderIsWrittenInPlace)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root can create files in a read-only folder";
    const QString strTarget = Path("m.xMem");
    Write(strTarget, QByteArray(5000, 'o'));
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::ExeOwner));
    QString strReason;
    EXPECT_TRUE(RegularFile::CanSave(strTarget, strReason)) << qPrintable(strReason);
    EXPECT_TRUE(RegularFile::Save(strTarget, "shorter", strReason)) << qPrintable(strReason);
    EXPECT_EQ(FileBytes(strTarget), "shorter");
    EXPECT_TRUE(RegularFile::Save(strTarget, QByteArray(9000, 'n'), strReason)) << qPrintable(strReason);
    EXPECT_EQ(FileBytes(strTarget), QByteArray(9000, 'n'));
    EXPECT_FALSE(RegularFile::Save(Path("new.xMem"), "x", strReason));
    EXPECT_EQ(strReason, QStringLiteral("Permission denied"));
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace
