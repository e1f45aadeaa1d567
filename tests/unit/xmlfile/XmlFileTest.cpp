#include "xmlfile/XmlFile.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

const char* const s_pszMemo = "<Memories><Memory Index=\"0\"><Memo>h\xc3\xa9llo</Memo></Memory></Memories>";

QByteArray Encode(const char* pszEncoding, const QString& str)
{
    QStringEncoder encoder(pszEncoding);
    return encoder.encode(str);
}

QString Doc(const char* pszDeclaration)
{
    return QString::fromUtf8(pszDeclaration) + QString::fromUtf8(s_pszMemo);
}

TEST(XmlFileLoad, ReadsEveryEncodingWithOrWithoutByteOrderMark)
{
    const char* const pszUtf16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    const QByteArray files[] = {
        Doc("").toUtf8(),
        "\xef\xbb\xbf" + Doc("<?xml version=\"1.0\" encoding=\"UTF-8\"?>").toUtf8(),
        "\xff\xfe" + Encode("UTF-16LE", Doc(pszUtf16)),
        "\xfe\xff" + Encode("UTF-16BE", Doc(pszUtf16)),
        "\xff\xfe" + Encode("UTF-16LE", Doc("")),
        Encode("UTF-16LE", Doc(pszUtf16)),
        Encode("UTF-16BE", Doc(pszUtf16)),
        Encode("ISO-8859-1", Doc("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>")),
        Encode("ISO-8859-1", Doc("<?xml version='1.0' encoding='windows-1252'?>")),
        "<Memories><Memory Index='0'><Memo>h&#xE9;llo</Memo></Memory></Memories>",
        "<!DOCTYPE Memories [<!ENTITY e '&#233;'>]><Memories><Memory Index='0'><Memo>h&e;llo</Memo></Memory>"
        "</Memories>"};
    for (const QByteArray& bytes : files) {
        CXmlFile file{QString()};
        ASSERT_TRUE(file.LoadFromBytes(bytes)) << bytes.toHex().left(80).constData();
        EXPECT_EQ(file.FindRoot("Memory")->GetString("Memo"), QString::fromUtf8("h\xc3\xa9llo"));
    }
}

QByteArray Bomb()
{
    QByteArray bytes = "<!DOCTYPE Memories [<!ENTITY a0 'aaaaaaaaaa'>";
    for (int i = 1; i < 10; ++i)
        bytes += "<!ENTITY a" + QByteArray::number(i) + " '" +
                 ("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "'>";
    return bytes + "]><Memories><Memory Index='0'><Memo>&a9;</Memo></Memory></Memories>";
}

QByteArray Nested(int nLevels)
{
    return "<Memories>" + QByteArray("<a>").repeated(nLevels) + QByteArray("</a>").repeated(nLevels) +
           "</Memories>";
}

// Load fails, no exception escapes, and no half-read document is left behind.
TEST(XmlFileLoad, RefusesBrokenAndHostileInput)
{
    const QByteArray files[] = {"",
                                "Memories 0 CC HIGH",
                                "<Memories><Memory Index='0'><Memo>x</Memory></Memories>",
                                "<Memories/><Memories/>",
                                "<Memories><Memo>&nope;</Memo></Memories>",
                                "<Memories><Memo>\xff\xfe\xfd</Memo></Memories>",
                                "<Memories><Memo>&#1;</Memo></Memories>",
                                "<p:Memories/>",
                                QByteArray(s_pszMemo).left(40),
                                Bomb(),
                                "<!DOCTYPE Memories [<!ENTITY a '" + QByteArray(50000, 'x') +
                                    "'>]><Memories><Memory Index='0'><Memo>" +
                                    QByteArray("&a;").repeated(50000) + "</Memo></Memory></Memories>",
                                Nested(200000)};
    for (const QByteArray& bytes : files) {
        CXmlFile file{QString()};
        EXPECT_FALSE(file.LoadFromBytes(bytes)) << bytes.left(60).constData();
        EXPECT_FALSE(file.GetLastError().isEmpty());
        EXPECT_FALSE(file.FindRoot("Memories"));
    }
    CXmlFile file{QString()};
    EXPECT_TRUE(file.LoadFromBytes(Nested(200))) << "modest nesting loads";
}

// A file may name external entities and DTDs; none of them is ever read.
TEST(XmlFileLoad, ExternalEntitiesAndDtdsAreNeverRead)
{
    QTemporaryDir dir;
    const QString strSecret = dir.filePath(QStringLiteral("secret.txt"));
    ASSERT_TRUE(WriteFileBytes(strSecret, "TOPSECRET"));
    const QByteArray url = "file://" + QFile::encodeName(strSecret);
    const QByteArray memories = "<Memories><Memory Index='0'><Memo>&x;</Memo></Memory></Memories>";
    const QByteArray files[] = {
        "<!DOCTYPE Memories [<!ENTITY x SYSTEM '" + url + "'>]>" + memories,
        "<!DOCTYPE Memories [<!ENTITY % p SYSTEM '" + url + "'> %p;]>" + memories,
        "<!DOCTYPE Memories SYSTEM '" + url + "'>" + memories,
        "<!DOCTYPE Memories SYSTEM 'http://192.0.2.1/memories.dtd'><Memories><Memo>x</Memo></Memories>",
        "<Memories xmlns:xi='http://www.w3.org/2001/XInclude'><xi:include href='" + url +
            "' parse='text'/></Memories>"};
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
    const QByteArray memory = "<Memory Index=\"1\"><Memo>m</Memo><Curr>1.0</Curr></Memory>";
    CXmlFile large{QString()};
    ASSERT_TRUE(large.LoadFromBytes("<Memories>" + memory.repeated(20 * 1024 * 1024 / memory.size()) +
                                    "</Memories>"));
    EXPECT_EQ(large.FindRoot("Memories")->FindChild("Memory", 1)->GetFloat("Curr", 0), 1.0f);

    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("large.xMem"));
    QFile out(strPath);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.resize(CXmlFile::MAX_FILE_SIZE + 1));
    out.close();
    EXPECT_FALSE(CXmlFile(strPath).Load());
}

} // namespace
