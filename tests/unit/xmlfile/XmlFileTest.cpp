#include "xmlfile/XmlFile.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

const char* const s_pszMemo = "<Memories><Memory Index=\"0\"><Memo>h\xc3\xa9llo</Memo></Memory></Memories>";

QByteArray Encode(const char* pszEncoding, const QString& str)
{
    QStringEncoder encoder(pszEncoding);
    return encoder.encode(str);
}

struct ENCODINGCASE
{
    const char* pszName;
    QByteArray bytes;
};

void PrintTo(const ENCODINGCASE& c, std::ostream* os)
{
    *os << c.pszName;
}

class EncodingTest : public ::testing::TestWithParam<ENCODINGCASE>
{
};

TEST_P(EncodingTest, ReadsTheMemo)
{
    CXmlFile file{QString()};
    ASSERT_TRUE(file.LoadFromBytes(GetParam().bytes)) << file.GetLastError().toStdString();
    EXPECT_EQ(file.FindRoot("Memory")->GetString("Memo"), QString::fromUtf8("h\xc3\xa9llo"));
}

QString Doc(const char* pszDeclaration)
{
    return QString::fromUtf8(pszDeclaration) + QString::fromUtf8(s_pszMemo);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, EncodingTest,
    ::testing::Values(
        ENCODINGCASE{"Utf8", Doc("").toUtf8()}, ENCODINGCASE{"Utf8Bom", "\xef\xbb\xbf" + Doc("").toUtf8()},
        ENCODINGCASE{"Utf8Declared", Doc("<?xml version=\"1.0\" encoding=\"UTF-8\"?>").toUtf8()},
        ENCODINGCASE{"Utf16LeBom",
                     "\xff\xfe" + Encode("UTF-16LE", Doc("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"))},
        ENCODINGCASE{"Utf16BeBom",
                     "\xfe\xff" + Encode("UTF-16BE", Doc("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"))},
        ENCODINGCASE{"Utf16LeBomNoDeclaration", "\xff\xfe" + Encode("UTF-16LE", Doc(""))},
        ENCODINGCASE{"Utf16LeNoBom", Encode("UTF-16LE", Doc("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"))},
        ENCODINGCASE{"Utf16BeNoBom", Encode("UTF-16BE", Doc("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"))},
        ENCODINGCASE{"Latin1", Encode("ISO-8859-1", Doc("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"))},
        ENCODINGCASE{"Windows1252",
                     Encode("ISO-8859-1", Doc("<?xml version='1.0' encoding='windows-1252'?>"))},
        ENCODINGCASE{"CharacterReference",
                     "<Memories><Memory Index='0'><Memo>h&#xE9;llo</Memo></Memory></Memories>"},
        ENCODINGCASE{"InternalEntity", "<!DOCTYPE Memories [<!ENTITY e '&#233;'>]><Memories><Memory "
                                       "Index='0'><Memo>h&e;llo</Memo></Memory></Memories>"}),
    [](const auto& param) { return std::string(param.param.pszName); });

struct REFUSEDCASE
{
    const char* pszName;
    QByteArray bytes;
};

void PrintTo(const REFUSEDCASE& c, std::ostream* os)
{
    *os << c.pszName;
}

class RefusedTest : public ::testing::TestWithParam<REFUSEDCASE>
{
};

TEST_P(RefusedTest, LoadFailsAndLeavesAnEmptyDocument)
{
    CXmlFile file{QString()};
    EXPECT_FALSE(file.LoadFromBytes(GetParam().bytes));
    EXPECT_FALSE(file.GetLastError().isEmpty());
    EXPECT_FALSE(file.FindRoot("Memories"));
    EXPECT_FALSE(file.FindRoot("Memory"));
}

QByteArray Bomb()
{
    QByteArray bytes = "<!DOCTYPE Memories [<!ENTITY a0 'aaaaaaaaaa'>";
    for (int i = 1; i < 10; ++i) {
        bytes += "<!ENTITY a" + QByteArray::number(i) + " '";
        for (int j = 0; j < 10; ++j)
            bytes += "&a" + QByteArray::number(i - 1) + ";";
        bytes += "'>";
    }
    return bytes + "]><Memories><Memory Index='0'><Memo>&a9;</Memo></Memory></Memories>";
}

QByteArray QuadraticBlowup()
{
    return "<!DOCTYPE Memories [<!ENTITY a '" + QByteArray(50000, 'x') +
           "'>]><Memories><Memory Index='0'><Memo>" + QByteArray("&a;").repeated(50000) +
           "</Memo></Memory></Memories>";
}

QByteArray Nested(int nLevels)
{
    return "<Memories>" + QByteArray("<a>").repeated(nLevels) + QByteArray("</a>").repeated(nLevels) +
           "</Memories>";
}

INSTANTIATE_TEST_SUITE_P(
    Files, RefusedTest,
    ::testing::Values(REFUSEDCASE{"Empty", ""}, REFUSEDCASE{"NotXml", "Memories 0 CC HIGH"},
                      REFUSEDCASE{"Unclosed", "<Memories><Memory Index='0'><Memo>x</Memory></Memories>"},
                      REFUSEDCASE{"TwoRoots", "<Memories/><Memories/>"},
                      REFUSEDCASE{"UndefinedEntity", "<Memories><Memo>&nope;</Memo></Memories>"},
                      REFUSEDCASE{"BadUtf8", "<Memories><Memo>\xff\xfe\xfd</Memo></Memories>"},
                      REFUSEDCASE{"ControlCharacterReference", "<Memories><Memo>&#1;</Memo></Memories>"},
                      REFUSEDCASE{"UnboundPrefix", "<p:Memories/>"},
                      REFUSEDCASE{"Truncated", QByteArray(s_pszMemo).left(40)},
                      REFUSEDCASE{"EntityBomb", Bomb()}, REFUSEDCASE{"QuadraticBlowup", QuadraticBlowup()},
                      REFUSEDCASE{"NestedTwoHundredThousand", Nested(200000)}),
    [](const auto& param) { return std::string(param.param.pszName); });

TEST(XmlFileLoad, ModestNestingLoads)
{
    CXmlFile file{QString()};
    EXPECT_TRUE(file.LoadFromBytes(Nested(200)));
}

// A file may name external entities and DTDs; none of them is ever read.
TEST(XmlFileLoad, ExternalEntitiesAndDtdsAreNeverRead)
{
    QTemporaryDir dir;
    const QString strSecret = dir.filePath(QStringLiteral("secret.txt"));
    QFile secret(strSecret);
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("TOPSECRET");
    secret.close();
    const QByteArray url = "file://" + QFile::encodeName(strSecret);
    const QByteArray memories = "<Memories><Memory Index='0'><Memo>&x;</Memo></Memory></Memories>";
    const QByteArray files[] = {
        "<!DOCTYPE Memories [<!ENTITY x SYSTEM '" + url + "'>]>" + memories,
        "<!DOCTYPE Memories [<!ENTITY % p SYSTEM '" + url + "'> %p;]>" + memories,
        "<!DOCTYPE Memories SYSTEM '" + url + "'>" + memories,
        "<!DOCTYPE Memories SYSTEM 'http://192.0.2.1/memories.dtd'><Memories><Memo>x</Memo></Memories>",
        "<Memories xmlns:xi='http://www.w3.org/2001/XInclude'><xi:include href='" + url +
            "' parse='text'/></Memories>",
    };
    for (const QByteArray& bytes : files) {
        CXmlFile file{QString()};
        QElapsedTimer timer;
        timer.start();
        if (file.LoadFromBytes(bytes)) {
            EXPECT_FALSE(file.ToBytes().contains("TOPSECRET")) << bytes.toStdString();
        }
        EXPECT_LT(timer.elapsed(), 2000) << "waited on the network: " << bytes.toStdString();
    }
}

TEST(XmlFileLoad, LargeFileLoadsOrFailsAndAnOversizedOneIsRefusedUnread)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("large.xMem"));
    QFile out(strPath);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("<Memories>");
    const QByteArray memory = "<Memory Index=\"1\"><Memo>m</Memo><Curr>1.0</Curr></Memory>";
    while (out.size() < 20 * 1024 * 1024)
        out.write(memory.repeated(1000));
    out.write("</Memories>");
    out.close();
    {
        CXmlFile file(strPath);
        ASSERT_TRUE(file.Load());
        EXPECT_EQ(file.FindRoot("Memories")->FindChild("Memory", 1)->GetFloat("Curr", 0), 1.0f);
    }
    ASSERT_TRUE(out.open(QIODevice::Append));
    out.resize(CXmlFile::MAX_FILE_SIZE + 1);
    out.close();
    CXmlFile file(strPath);
    EXPECT_FALSE(file.Load());
}

TEST(XmlFileLoad, MissingFileOrFolderFails)
{
    QTemporaryDir dir;
    EXPECT_FALSE(CXmlFile(dir.filePath(QStringLiteral("none.xMem"))).Load());
    EXPECT_FALSE(CXmlFile(dir.path()).Load());
}

TEST(XmlFileLoad, FindRootFindsTheFirstElementOfThatNameAnywhere)
{
    CXmlFile file{QString()};
    ASSERT_TRUE(
        file.LoadFromBytes("<!-- c --><Backup><Memories><Id>1</Id></Memories><Memories><Id>2</Id></Memories>"
                           "</Backup>"));
    EXPECT_EQ(file.FindRoot("Memories")->GetLong("Id", 0), 1);
    EXPECT_FALSE(file.FindRoot("Memory"));
}

TEST(XmlFileSave, ReplacesTheFileAndFailsWithoutTouchingWhatIsThere)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("m.xMem"));
    {
        CXmlFile file(strPath);
        file.CreateRoot("Memories")->SetString("Memo", QStringLiteral("first"));
        ASSERT_TRUE(file.Save());
    }
    {
        CXmlFile file(strPath);
        file.CreateRoot("Memories")->SetString("Memo", QStringLiteral("second"));
        ASSERT_TRUE(file.Save());
        ASSERT_TRUE(file.Load());
        EXPECT_EQ(file.FindRoot("Memories")->GetString("Memo"), QStringLiteral("second"));
    }
    // A folder in the way of the target, and a target inside a missing folder.
    const QString strFolder = dir.filePath(QStringLiteral("folder.xMem"));
    ASSERT_TRUE(QDir().mkdir(strFolder));
    for (const QString& strBad : {strFolder, dir.filePath(QStringLiteral("missing/m.xMem"))}) {
        CXmlFile file(strBad);
        file.CreateRoot("Memories");
        EXPECT_FALSE(file.Save()) << strBad.toStdString();
        EXPECT_FALSE(file.GetLastError().isEmpty());
    }
    EXPECT_TRUE(QFileInfo(strFolder).isDir());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("m.xMem")});
}

} // namespace
