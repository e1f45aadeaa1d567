#include "integration/instrument/SimProcess.h"
#include "model/XmlDocData.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <map>
#include <tuple>

namespace {

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
    m_Data.Reset(); // a second Reset replaces the 100 records, it does not add to them
    const QByteArray bytes = m_Data.ToBytes();
    const QByteArray body = bytes.mid(bytes.indexOf("<Memories>")).trimmed();
    EXPECT_FALSE(body.contains(">\n") || body.contains("> <")) << "white space between elements";
    // Texts hold no '<' of their own, so every '<' but those of end tags opens an element.
    EXPECT_EQ(body.count('<') - body.count("</"), 6001);
    for (const char* psz : {"<AMem ", "<BMem ", "<CMem "})
        EXPECT_FALSE(body.contains(psz)) << psz;
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
    const QByteArray bytes = m_Data.ToBytes();
    ASSERT_TRUE(m_Data.Save(Path("f.xMem")));
    const QByteArray memory = bytes.mid(bytes.indexOf("<Memory Index=\"7\">"));
    for (const char* psz :
         {"<CountTime>YES</CountTime>", "<Response>-25536</Response>", "<Cond>0.000123</Cond>",
          "<Curr>1.2346</Curr>", "<Volt>NAN</Volt>", "<Memo>Batt\\ndischarge</Memo>",
          "<AMem><Curr_L>2.0000</Curr_L>", "<Cond_H>0.500000</Cond_H><Volt_L>"})
        EXPECT_TRUE(memory.contains(psz)) << psz;

    STOREMEM expected = m; // as the file has them
    expected.CountTime = 1;
    expected.Response = -25536;
    expected.Cond = 0.000123f;
    expected.Curr = 1.2346f;
    ASSERT_TRUE(m_Data.Load(Path("f.xMem")));
    EXPECT_EQ(Describe(m), Describe(expected));
    EXPECT_EQ(Describe(Record(6)), Describe(STOREMEM()));
    EXPECT_EQ(Record(4).Memo, QString::fromUtf16(u"A\uFFFDB\uFFFDC\tD"));
}

// Memories are matched by Index in any order and fields by name at any depth,
// the first match winning; what a file lacks reads as empty and zero, not as a
// new record's defaults.
TEST_F(MemoryFileTest, FileOfAnotherToolReadsByNameWithTheFirstMatchWinning)
{
    for (int i = 0; i < 100; ++i)
        Record(i) = Pattern(i);
    ASSERT_TRUE(m_Data.Load(FixturePath(QStringLiteral("memfile/other-tool.xMem"))));
    STOREMEM empty;
    empty.Mode = empty.Crange = empty.Vrange = empty.CurrProtectAction = empty.PowProtectAction = QString();
    STOREMEM m0 = empty, m1 = empty, m2 = empty;
    m2.Mode = QStringLiteral("CR");
    m2.Memo = QStringLiteral("Batt <discharge> & co");
    m2.Curr = 12.5f;
    m2.CountTime = 1;
    m2.Response = 26;
    m2.Abc[0].Volt_H = 30.5f; // AMem with an Index attribute reads the same
    m2.Abc[0].Curr_L = 0.25f;
    m2.Abc[0].Cond_M = 0.000123f;
    m1.Mode = QStringLiteral("CV");
    m1.Curr = std::nanf(""); // present but empty
    m1.Memo = QString::fromUtf8("Caf\xc3\xa9 line 1\r\nline 2 \xc3\xa9");
    m0.Mode = QStringLiteral("CP"); // found inside a group: any depth below the root
    m0.Response = 40000 - 65536;
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(Describe(Record(i)), Describe(i == 0 ? m0 : i == 1 ? m1 : i == 2 ? m2 : empty)) << i;
}

// Broken files are the parser's to refuse; a well-formed file without the
// Memories root is refused here, and the records stay as they were.
TEST_F(MemoryFileTest, FileWithoutTheMemoriesRootIsRefusedAndTheRecordsStay)
{
    for (int i = 0; i < 100; ++i)
        Record(i) = Pattern(i);
    ASSERT_TRUE(WriteFileBytes(Path("bad.xMem"), "<Memory Index=\"0\"><Mode>CR</Mode></Memory>"));
    EXPECT_FALSE(m_Data.Load(Path("bad.xMem")));
    EXPECT_FALSE(m_Data.GetLastError().isEmpty());
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(Describe(Record(i)), Describe(Pattern(i))) << i;
}

// Hostile shapes load whole: Memory elements nested inside each other (each
// walk of one covers all below it) with a million junk elements at the
// bottom, and the same with the values shuffled in. Their load time, linear
// in the size, is printed by bench/memfile; a walk per field would take
// minutes here and run into the test's timeout.
TEST_F(MemoryFileTest, NestedAndJunkFilledFilesLoad)
{
    // Value names outside every memory: no walk of one can stop early.
    QByteArray nested = "<Memories><outside><Curr/><AMem><Curr_L/></AMem></outside>";
    for (int i = 0; i < 100; ++i)
        nested += "<Memory Index=\"" + QByteArray::number(i) + "\">";
    QByteArray shuffled = nested;
    nested += QByteArray("<j/>").repeated(1000000);
    shuffled += QByteArray("<j/>").repeated(500000) + "<AMem><Curr_H>2</Curr_H></AMem><Memo>deep</Memo>" +
                QByteArray("<j/>").repeated(500000);
    nested += QByteArray("</Memory>").repeated(100) + "</Memories>";
    shuffled += QByteArray("</Memory>").repeated(100) + "</Memories>";
    for (const QByteArray& bytes : {nested, shuffled})
        ASSERT_TRUE(m_Data.LoadFromBytes(bytes)) << qPrintable(m_Data.GetLastError());
    // Every memory encloses the deep values, so each finds them.
    EXPECT_EQ(Record(0).Memo, QStringLiteral("deep"));
    EXPECT_EQ(Record(99).Memo, QStringLiteral("deep"));
    EXPECT_EQ(Record(42).Abc[0].Curr_H, 2.0f);
}

// An Index attribute is read as the instrument's own software read it: the
// leading decimal integer, none giving 0. So an element with an empty or
// non-numeric Index before the real memory 0 is memory 0.
TEST_F(MemoryFileTest, IndexTextsReadAsTheirLeadingNumberWithNoneGivingZero)
{
    const std::pair<const char*, int> cases[] = {// Index text, memory it loads into (-1: none)
                                                 {"", 0},   {"abc", 0}, {" 7", 7},   {"7abc", 7},
                                                 {"+8", 8}, {"-1", -1}, {"100", -1}, {"0x10", 0}};
    for (const auto& [pszIndex, nMemory] : cases) {
        m_Data.Reset();
        const QByteArray bytes = QByteArray("<Memories><Memory Index=\"") + pszIndex +
                                 "\"><Mode>ODD</Mode></Memory><Memory Index=\"0\"><Mode>REAL</Mode></Memory>"
                                 "</Memories>";
        ASSERT_TRUE(m_Data.LoadFromBytes(bytes));
        for (int i = 0; i < 100; ++i) {
            const char* pszMode = i == nMemory ? "ODD" : i == 0 ? "REAL" : "";
            EXPECT_EQ(Record(i).Mode, QLatin1String(pszMode)) << "Index=\"" << pszIndex << "\" memory " << i;
        }
    }
}

// Texts from an instrument that XML cannot carry are named before a save
// replaces them: which memory, which value, which characters.
TEST_F(MemoryFileTest, TextsAFileCannotCarryAreNamedByMemoryValueAndCharacter)
{
    Record(3).Memo = QString::fromUtf16(u"Bat\u0001t\u001b[31m\u0001");
    Record(5).Mode = QString::fromUtf16(u"C\u0008C");
    Record(6).Memo = QString::fromUtf16(u"line\r\nbreak\ttab \u00e9\U0001F600");
    Record(50).Memo = QString::fromUtf16(u"\u0007");
    EXPECT_EQ(
        CXmlDocData::NonXmlCharacters(m_Data.GetContainer(), 0, 10),
        QStringList({QStringLiteral("Memory 3, Memo: U+0001, U+001B cannot be kept in a memory file and is "
                                    "saved as U+FFFD."),
                     QStringLiteral("Memory 5, Mode: U+0008 cannot be kept in a memory file and is saved as "
                                    "U+FFFD.")}));
    EXPECT_EQ(CXmlDocData::NonXmlCharacters(m_Data.GetContainer(), 6, 6), QStringList());
    EXPECT_EQ(CXmlDocData::NonXmlCharacters(m_Data.GetContainer(), 0, 99).size(), 3);
}

// A load keeps only the Memory elements it reads, dropping the rest while it
// parses; what it reads must be exactly what the whole tree would give.
TEST_F(MemoryFileTest, ALoadReadsTheSameMemoriesWhateverItDropsOnTheWay)
{
    const std::tuple<const char*, const char*, std::map<int, QString>> cases[] = {
        {"outside the root first",
         "<Doc><Memory Index=\"5\"><Memo>outside</Memo></Memory>"
         "<Memories><Memory Index=\"5\"><Memo>inside</Memo></Memory></Memories></Doc>",
         {{5, "inside"}}},
        {"inside an out-of-range one",
         "<Memories><Memory Index=\"500\"><Memory Index=\"5\"><Memo>nested</Memo></Memory></Memory>"
         "</Memories>",
         {{5, "nested"}}},
        {"a duplicate inside the kept one holds the first Memo",
         "<Memories><Memory Index=\"5\"><Memory Index=\"5\"><Memo>inner</Memo></Memory><Memo>outer</Memo>"
         "</Memory></Memories>",
         {{5, "inner"}}},
        {"the first of an index wins",
         "<Memories><Memory Index=\"3\"><Memo>a</Memo></Memory><Memory Index=\" +3\"><Memo>b</Memo></Memory>"
         "<Memory><Memo>none</Memo></Memory><Memory Index=\"-1\"/><Memory "
         "Index=\"4x\"><Memo>c</Memo></Memory>"
         "</Memories>",
         {{3, "a"}, {4, "c"}}},
        {"only the first root counts",
         "<Doc><Memories><Memory Index=\"1\"><Memo>first</Memo></Memory></Memories>"
         "<Memories><Memory Index=\"1\"><Memo>second</Memo></Memory><Memory "
         "Index=\"2\"><Memo>x</Memo></Memory>"
         "</Memories></Doc>",
         {{1, "first"}}},
        {"entities expanded twice",
         "<!DOCTYPE Memories [<!ENTITY m \"<Memory Index='8'><Memo>ent</Memo></Memory><Memory "
         "Index='9'/>\">]><Memories>&m;<Memory Index=\"7\"><Memo>seven</Memo></Memory>&m;</Memories>",
         {{7, "seven"}, {8, "ent"}}},
        {"identifiers on dropped elements",
         "<!DOCTYPE Memories [<!ATTLIST Memory id ID #IMPLIED ref IDREF #IMPLIED>]><Memories>"
         "<Memory Index=\"500\" id=\"a\" xml:id=\"c\"><Memo>x</Memo></Memory>"
         "<Memory Index=\"1\" id=\"b\" ref=\"a\"><Memo>one</Memo></Memory>"
         "<Memory Index=\"1\" ref=\"b\"/>text after</Memories>",
         {{1, "one"}}},
        {"a prefixed name is another element",
         "<Memories xmlns:p=\"urn:x\"><p:Memory Index=\"6\"><Memo>p</Memo></p:Memory>"
         "<Memory Index=\"6\"><Memo>plain</Memo></Memory></Memories>",
         {{6, "plain"}}},
    };
    for (const auto& [pszCase, pszXml, memos] : cases) {
        SCOPED_TRACE(pszCase);
        ASSERT_TRUE(WriteFileBytes(Path("shape.xMem"), pszXml));
        for (const bool bFromBytes : {false, true}) {
            ASSERT_TRUE(bFromBytes ? m_Data.LoadFromBytes(QByteArray(pszXml))
                                   : m_Data.Load(Path("shape.xMem")))
                << qPrintable(m_Data.GetLastError());
            for (int i = 0; i < 100; ++i) {
                const auto it = memos.find(i);
                EXPECT_EQ(Record(i).Memo, it == memos.end() ? QString() : it->second) << i;
            }
        }
    }
}

// Thousands of Memory elements in descending order: the 100 read come last,
// after 9,900 that are dropped.
TEST_F(MemoryFileTest, AFileOfTenThousandMemoriesReadsItsHundred)
{
    QByteArray bytes = "<Memories>";
    for (int i = 9999; i >= 0; --i)
        bytes +=
            QStringLiteral("<Memory Index=\"%1\"><Memo>m%1</Memo><Curr>%1</Curr></Memory>").arg(i).toLatin1();
    bytes += "</Memories>";
    ASSERT_TRUE(WriteFileBytes(Path("many.xMem"), bytes));
    ASSERT_TRUE(m_Data.Load(Path("many.xMem")));
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(Record(i).Memo, QStringLiteral("m%1").arg(i));
        EXPECT_EQ(Record(i).Curr, static_cast<float>(i));
    }
}

} // namespace
