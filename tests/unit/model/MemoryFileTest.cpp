#include "model/XmlDocData.h"
#include "support/TestEnv.h"
#include "tests/unit/model/Records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

namespace {

QByteArray ReadAll(const QString& strPath)
{
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& strPath, const QByteArray& bytes)
{
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class MemoryFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        m_Data.Reset();
    }
    QString Path(const char* pszName) const { return m_Dir.filePath(QString::fromUtf8(pszName)); }
    STOREMEM& Record(int i) { return *m_Data.GetContainer().GetAt(i); }

    QTemporaryDir m_Dir;
    CXmlDocData m_Data;
};

TEST_F(MemoryFileTest, TheFileHas6001ElementsWithoutWhiteSpaceOrAttributesOnTheABCMemories)
{
    ASSERT_TRUE(m_Data.Serialize(true, Path("d.xMem")));
    const QByteArray bytes = ReadAll(Path("d.xMem"));
    const QByteArray body = bytes.mid(bytes.indexOf("<Memories>")).trimmed();
    EXPECT_FALSE(body.contains(">\n") || body.contains("> <")) << "white space between elements";
    // Texts hold no '<' of their own, so every '<' but those of end tags opens an element.
    EXPECT_EQ(body.count('<') - body.count("</"), 6001);
    for (const char* psz : {"<AMem ", "<BMem ", "<CMem "})
        EXPECT_FALSE(body.contains(psz)) << psz;
}

TEST_F(MemoryFileTest, DistinctValuesRoundTripBitForBit)
{
    for (int i = 0; i < 100; ++i)
        Record(i) = Marked(i);
    ASSERT_TRUE(m_Data.Save(Path("v.xMem")));
    CXmlDocData copy;
    copy.Reset();
    ASSERT_TRUE(copy.Load(Path("v.xMem")));
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(SameRecord(*copy.GetContainer().GetAt(i), Marked(i))) << i;
    // Saving again gives the same bytes: nothing drifts through a round trip.
    ASSERT_TRUE(copy.Save(Path("w.xMem")));
    EXPECT_EQ(ReadAll(Path("v.xMem")), ReadAll(Path("w.xMem")));
}

TEST_F(MemoryFileTest, ValuesAreWrittenInTheirFileFormsAndReadBackAsTheFileHasThem)
{
    STOREMEM& m = Record(7);
    m.CountTime = 5;
    m.Response = 40000; // outside 16 bits: the file keeps the low 16 as signed
    m.Cond = 0.0001234f;
    m.Curr = 1.23456f;
    m.Volt = std::nanf("");
    m.Abc[2].Cond_H = 0.5f;
    m.Abc[0].Curr_L = 2.0f;
    m.Memo = QStringLiteral("Batt\r\ndischarge");
    Record(4).Memo = QString::fromUtf16(u"A\u0001B\u001bC\tD"); // still a readable file
    ASSERT_TRUE(m_Data.Save(Path("f.xMem")));
    const QByteArray bytes = ReadAll(Path("f.xMem"));
    const QByteArray memory = bytes.mid(bytes.indexOf("<Memory Index=\"7\">"));
    for (const char* psz :
         {"<CountTime>YES</CountTime>", "<Response>-25536</Response>", "<Cond>0.000123</Cond>",
          "<Curr>1.2346</Curr>", "<Volt>NAN</Volt>", "<Memo>Batt\\ndischarge</Memo>",
          "<AMem><Curr_L>2.0000</Curr_L>", "<Cond_H>0.500000</Cond_H><Volt_L>"})
        EXPECT_TRUE(memory.contains(psz)) << psz;

    ASSERT_TRUE(m_Data.Load(Path("f.xMem")));
    EXPECT_EQ(m.CountTime, 1);
    EXPECT_EQ(m.Response, -25536);
    EXPECT_EQ(m.Cond, 0.000123f);
    EXPECT_EQ(m.Curr, 1.2346f);
    EXPECT_TRUE(std::isnan(m.Volt));
    EXPECT_EQ(m.Memo, QStringLiteral("Batt\r\ndischarge"));
    EXPECT_EQ(Record(6).CountTime, 0);
    EXPECT_EQ(Record(4).Memo, QString::fromUtf16(u"A\uFFFDB\uFFFDC\tD"));
}

TEST_F(MemoryFileTest, PartialFileClearsTheMemoriesItLacks)
{
    QByteArray bytes = "<Memories>";
    for (int i = 9; i >= 0; --i) // reverse order: matched by Index, not position
        bytes += "<Memory Index=\"" + QByteArray::number(i) + "\"><Curr>" + QByteArray::number(i) +
                 ".5</Curr><Mode>CR</Mode></Memory>";
    bytes += "</Memories>";
    WriteAll(Path("p.xMem"), bytes);
    for (int i = 0; i < 100; ++i)
        Record(i) = Marked(i);
    ASSERT_TRUE(m_Data.Load(Path("p.xMem")));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(Record(i).Curr, i + 0.5f);
        EXPECT_EQ(Record(i).Mode, QStringLiteral("CR"));
        // Elements the memory lacks read as empty and zero, not as a new record's defaults.
        EXPECT_TRUE(Record(i).Crange.isEmpty());
        EXPECT_EQ(Record(i).Abc[1].Volt_M, 0.0f);
    }
    STOREMEM empty;
    empty.Mode = empty.Crange = empty.Vrange = empty.CurrProtectAction = empty.PowProtectAction = QString();
    for (int i = 10; i < 100; ++i)
        EXPECT_TRUE(SameRecord(Record(i), empty)) << i;
}

TEST_F(MemoryFileTest, FileOfAnotherToolReadsByNameWithTheFirstMatchWinning)
{
    ASSERT_TRUE(m_Data.Load(FixturePath(QStringLiteral("memfile/other-tool.xMem"))));
    const STOREMEM& m2 = Record(2);
    EXPECT_EQ(m2.Mode, QStringLiteral("CR"));
    EXPECT_EQ(m2.Memo, QStringLiteral("Batt <discharge> & co"));
    EXPECT_EQ(m2.Curr, 12.5f);
    EXPECT_EQ(m2.CountTime, 1);
    EXPECT_EQ(m2.Response, 26);
    EXPECT_EQ(m2.Abc[0].Volt_H, 30.5f); // AMem with an Index attribute reads the same
    EXPECT_EQ(m2.Abc[0].Curr_L, 0.25f);
    EXPECT_EQ(m2.Abc[0].Cond_M, 0.000123f);
    EXPECT_EQ(m2.Abc[0].Curr_H, 0.0f);

    const STOREMEM& m1 = Record(1);
    EXPECT_EQ(m1.Mode, QStringLiteral("CV"));
    EXPECT_TRUE(std::isnan(m1.Curr)); // present but empty
    EXPECT_EQ(m1.Pow, 0.0f);          // absent
    EXPECT_EQ(m1.Memo, QString::fromUtf8("Caf\xc3\xa9 line 1\r\nline 2 \xc3\xa9"));

    const STOREMEM& m0 = Record(0); // found inside a group: any depth below the root
    EXPECT_EQ(m0.Mode, QStringLiteral("CP"));
    EXPECT_EQ(m0.Response, 40000 - 65536);
    EXPECT_EQ(m0.CountTime, 0);
    EXPECT_TRUE(Record(3).Mode.isEmpty());
}

TEST_F(MemoryFileTest, RefusedFilesLeaveTheRecordsUntouched)
{
    for (int i = 0; i < 100; ++i)
        Record(i) = Marked(i);
    const QByteArray files[] = {"", "not xml at all", "<Memory Index=\"0\"><Mode>CR</Mode></Memory>",
                                "<Memories><Memory Index=\"0\"><Mode>CR</Mode></Memory>"};
    for (const QByteArray& bytes : files) {
        WriteAll(Path("bad.xMem"), bytes);
        EXPECT_FALSE(m_Data.Load(Path("bad.xMem"))) << bytes.toStdString();
        EXPECT_FALSE(m_Data.GetLastError().isEmpty());
    }
    EXPECT_FALSE(m_Data.Load(Path("missing.xMem")));
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(SameRecord(Record(i), Marked(i))) << i;
}

TEST_F(MemoryFileTest, FailedSaveLeavesTheOldFileByteForByte)
{
    ASSERT_TRUE(m_Data.Save(Path("keep.xMem")));
    const QByteArray before = ReadAll(Path("keep.xMem"));
    Record(0).Memo = QStringLiteral("new");
    EXPECT_FALSE(m_Data.Save(Path("missing/keep.xMem")));
    ASSERT_TRUE(QDir().mkdir(Path("dir.xMem")));
    EXPECT_FALSE(m_Data.Save(Path("dir.xMem")));
    EXPECT_FALSE(m_Data.GetLastError().isEmpty());
    EXPECT_EQ(ReadAll(Path("keep.xMem")), before);
    EXPECT_EQ(QDir(m_Dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.xMem")});
}

} // namespace
