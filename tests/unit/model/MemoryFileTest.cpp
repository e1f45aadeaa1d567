#include "model/XmlDocData.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <functional>

#include <libxml/parser.h>
#include <libxml/tree.h>

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

const float* Values(const ABCMEM& abc)
{
    return &abc.Curr_H;
}

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every field, NaN equal to NaN.
void ExpectEqual(const STOREMEM& a, const STOREMEM& b)
{
    EXPECT_EQ(a.Memo, b.Memo);
    EXPECT_EQ(a.Mode, b.Mode);
    EXPECT_EQ(a.Crange, b.Crange);
    EXPECT_EQ(a.Vrange, b.Vrange);
    EXPECT_EQ(a.CurrProtectAction, b.CurrProtectAction);
    EXPECT_EQ(a.PowProtectAction, b.PowProtectAction);
    const float fa[] = {a.Curr, a.CurrProtect,   a.Pow,      a.PowProtect, a.Volt,      a.VoltProtect,
                        a.Cond, a.SoftStartTime, a.SlewRate, a.PulseFreq,  a.PulseDuty, a.InputTime};
    const float fb[] = {b.Curr, b.CurrProtect,   b.Pow,      b.PowProtect, b.Volt,      b.VoltProtect,
                        b.Cond, b.SoftStartTime, b.SlewRate, b.PulseFreq,  b.PulseDuty, b.InputTime};
    for (int i = 0; i < 12; ++i)
        EXPECT_TRUE(SameBits(fa[i], fb[i])) << "field " << i << ": " << fa[i] << " vs " << fb[i];
    EXPECT_EQ(a.CountTime, b.CountTime);
    EXPECT_EQ(a.Response, b.Response);
    for (int n = 0; n < 3; ++n) {
        for (int i = 0; i < 12; ++i)
            EXPECT_TRUE(SameBits(Values(a.Abc[n])[i], Values(b.Abc[n])[i]))
                << "memory " << n << " value " << i;
    }
}

// A record whose every value is distinct and exactly representable with the
// file's decimals, so that it must read back bit for bit.
STOREMEM Distinct(int n)
{
    STOREMEM m;
    m.Memo = QStringLiteral("Memo %1 & <more>\r\nsecond line").arg(n);
    m.Mode = QStringLiteral("CV");
    m.Crange = QStringLiteral("LOW");
    m.Vrange = QStringLiteral("MED");
    m.CurrProtectAction = QStringLiteral("LIMIT");
    m.PowProtectAction = QString();
    float f = 0.5f + n;
    for (float* p : {&m.Curr, &m.CurrProtect, &m.Pow, &m.PowProtect, &m.Volt, &m.VoltProtect, &m.Cond,
                     &m.SoftStartTime, &m.SlewRate, &m.PulseFreq, &m.PulseDuty, &m.InputTime})
        *p = (f += 1.25f);
    m.CountTime = 1;
    m.Response = -3;
    for (ABCMEM& abc : m.Abc) {
        for (int i = 0; i < 12; ++i)
            const_cast<float*>(Values(abc))[i] = (f += 0.5f);
    }
    return m;
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

TEST_F(MemoryFileTest, DefaultsRoundTripAndTheFileHas6001ElementsWithoutWhiteSpace)
{
    ASSERT_TRUE(m_Data.Serialize(true, Path("d.xMem")));
    const QByteArray bytes = ReadAll(Path("d.xMem"));
    const QByteArray body = bytes.mid(bytes.indexOf("<Memories>"));
    EXPECT_FALSE(body.trimmed().contains(">\n")) << "white space between elements";
    EXPECT_FALSE(body.contains("> <"));

    xmlDoc* pDoc = xmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, nullptr, 0);
    ASSERT_NE(pDoc, nullptr);
    int nElements = 0;
    std::function<void(xmlNode*)> count = [&](xmlNode* p) {
        for (; p; p = p->next) {
            if (p->type == XML_ELEMENT_NODE) {
                ++nElements;
                const char* psz = reinterpret_cast<const char*>(p->name);
                const bool bAbc =
                    !std::strcmp(psz, "AMem") || !std::strcmp(psz, "BMem") || !std::strcmp(psz, "CMem");
                EXPECT_FALSE(bAbc && p->properties) << "attribute on " << psz;
                count(p->children);
            }
        }
    };
    count(xmlDocGetRootElement(pDoc));
    xmlFreeDoc(pDoc);
    EXPECT_EQ(nElements, 6001);

    for (int i = 0; i < 100; ++i)
        Record(i).Mode = QStringLiteral("changed");
    ASSERT_TRUE(m_Data.Serialize(false, Path("d.xMem")));
    CXmlDocData fresh;
    fresh.Reset();
    for (int i = 0; i < 100; ++i)
        ExpectEqual(Record(i), *fresh.GetContainer().GetAt(i));
}

TEST_F(MemoryFileTest, DistinctValuesRoundTripBitForBit)
{
    for (int i = 0; i < 100; ++i)
        Record(i) = Distinct(i);
    ASSERT_TRUE(m_Data.Save(Path("v.xMem")));
    CXmlDocData copy;
    copy.Reset();
    ASSERT_TRUE(copy.Load(Path("v.xMem")));
    for (int i = 0; i < 100; ++i) {
        STOREMEM expected = Distinct(i);
        expected.PowProtectAction = QString(); // null and empty read alike
        ExpectEqual(*copy.GetContainer().GetAt(i), expected);
    }
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
        Record(i) = Distinct(i);
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
        ExpectEqual(Record(i), empty);
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
        Record(i) = Distinct(i);
    const QByteArray files[] = {"", "not xml at all", "<Memory Index=\"0\"><Mode>CR</Mode></Memory>",
                                "<Memories><Memory Index=\"0\"><Mode>CR</Mode></Memory>"};
    for (const QByteArray& bytes : files) {
        WriteAll(Path("bad.xMem"), bytes);
        EXPECT_FALSE(m_Data.Load(Path("bad.xMem"))) << bytes.toStdString();
        EXPECT_FALSE(m_Data.GetLastError().isEmpty());
    }
    EXPECT_FALSE(m_Data.Load(Path("missing.xMem")));
    for (int i = 0; i < 100; ++i)
        ExpectEqual(Record(i), Distinct(i));
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

TEST_F(MemoryFileTest, ControlCharactersInAMemoStillGiveAReadableFile)
{
    Record(4).Memo = QString::fromUtf16(u"A\u0001B\u001bC\tD");
    ASSERT_TRUE(m_Data.Save(Path("c.xMem")));
    ASSERT_TRUE(m_Data.Load(Path("c.xMem")));
    EXPECT_EQ(Record(4).Memo, QString::fromUtf16(u"A\uFFFDB\uFFFDC\tD"));
}

} // namespace
