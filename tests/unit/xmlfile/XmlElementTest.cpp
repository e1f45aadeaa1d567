#include "platform/com/ComError.h"
#include "xmlfile/XmlFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {

// A document <r><v>TEXT</v></r> whose root handle the getters run on.
struct VALUEDOC
{
    explicit VALUEDOC(const QByteArray& text) : file(QString())
    {
        EXPECT_TRUE(file.LoadFromBytes("<r><v>" + text + "</v></r>"));
        pRoot = file.FindRoot("r");
    }
    CXmlFile file;
    CXmlElementPtr pRoot;
};

// What a setter wrote: the text of the element it appended.
template <class F> QByteArray Written(F set)
{
    CXmlFile file{QString()};
    CXmlElementPtr pRoot = file.CreateRoot("r");
    set(*pRoot);
    const QByteArray bytes = file.ToBytes();
    const int nStart = bytes.indexOf("<v>");
    if (nStart < 0)
        return bytes.contains("<v/>") ? QByteArray("") : QByteArray("(none)");
    return bytes.mid(nStart + 3, bytes.indexOf("</v>") - nStart - 3);
}

struct FLOATCASE
{
    const char* pszText;
    float fExpected; // NaN: expect NaN
};

void PrintTo(const FLOATCASE& c, std::ostream* os)
{
    *os << c.pszText;
}

class GetFloatTest : public ::testing::TestWithParam<FLOATCASE>
{
};

TEST_P(GetFloatTest, ReadsTheLeadingNumberOrNaN)
{
    VALUEDOC doc(GetParam().pszText);
    const float f = doc.pRoot->GetFloat("v", 99.0f);
    if (std::isnan(GetParam().fExpected))
        EXPECT_TRUE(std::isnan(f)) << f;
    else
        EXPECT_EQ(f, GetParam().fExpected);
}

const float NaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Texts, GetFloatTest,
    ::testing::Values(FLOATCASE{"12.5", 12.5f}, FLOATCASE{"", NaN}, FLOATCASE{"NAN", NaN},
                      FLOATCASE{"abc", NaN}, FLOATCASE{"-", NaN}, FLOATCASE{".", NaN},
                      FLOATCASE{"  -3.25e2V", -325.0f}, FLOATCASE{"+.5", 0.5f}, FLOATCASE{"7.", 7.0f},
                      FLOATCASE{"1e", 1.0f}, FLOATCASE{"1,5", 1.0f}, FLOATCASE{"0.000123", 0.000123f},
                      FLOATCASE{"1e999", std::numeric_limits<float>::infinity()}, FLOATCASE{"1e-999", 0.0f},
                      FLOATCASE{"-inf", -std::numeric_limits<float>::infinity()}));

TEST(XmlElementGetters, MissingElementOrNullHandleGivesTheDefault)
{
    VALUEDOC doc("1");
    EXPECT_EQ(doc.pRoot->GetFloat("missing", 4.5f), 4.5f);
    EXPECT_EQ(doc.pRoot->GetLong("missing", -7), -7);
    EXPECT_EQ(doc.pRoot->GetShort("missing", 3), 3);
    EXPECT_TRUE(doc.pRoot->GetBool("missing", true));
    EXPECT_TRUE(doc.pRoot->GetString("missing").isEmpty());

    const CXmlElementPtr pNull = doc.pRoot->FindChild("missing", -1);
    ASSERT_FALSE(pNull);
    EXPECT_EQ(pNull->GetFloat("v", 2.0f), 2.0f);
    EXPECT_FALSE(pNull->GetBool("v", false));
    EXPECT_TRUE(pNull->GetString("v").isNull());
    EXPECT_FALSE(pNull->FindChild("v", -1));
    EXPECT_FALSE(pNull->CreateChild("v", 1));
    pNull->SetString("v", QStringLiteral("x")); // does nothing, raises nothing
    pNull->SetFloat("v", 1, 4);
    EXPECT_FALSE(doc.file.ToBytes().contains("<v>x</v>"));
}

struct BOOLCASE
{
    const char* pszText;
    bool bExpected;
};

void PrintTo(const BOOLCASE& c, std::ostream* os)
{
    *os << c.pszText;
}

class GetBoolTest : public ::testing::TestWithParam<BOOLCASE>
{
};

TEST_P(GetBoolTest, PrefixWordsOrNonZeroInteger)
{
    VALUEDOC doc(GetParam().pszText);
    EXPECT_EQ(doc.pRoot->GetBool("v", !GetParam().bExpected), GetParam().bExpected) << GetParam().pszText;
}

INSTANTIATE_TEST_SUITE_P(Texts, GetBoolTest,
                         ::testing::Values(BOOLCASE{"yes", true}, BOOLCASE{"On", true},
                                           BOOLCASE{"TRUE", true}, BOOLCASE{"2", true}, BOOLCASE{"-1", true},
                                           BOOLCASE{"ONE", true}, BOOLCASE{"YESTERDAY", true},
                                           BOOLCASE{" 3", true}, BOOLCASE{"NO", false},
                                           BOOLCASE{"OFF", false}, BOOLCASE{"FALSE", false},
                                           BOOLCASE{"0", false}, BOOLCASE{"", false}, BOOLCASE{"T", false},
                                           BOOLCASE{" yes", false}));

struct LONGCASE
{
    const char* pszText;
    std::int32_t nLong;
    std::int16_t nShort;
};

void PrintTo(const LONGCASE& c, std::ostream* os)
{
    *os << c.pszText;
}

class GetLongTest : public ::testing::TestWithParam<LONGCASE>
{
};

TEST_P(GetLongTest, DecimalOrLowerCaseHexClampedAndShortTakesLow16Bits)
{
    VALUEDOC doc(GetParam().pszText);
    EXPECT_EQ(doc.pRoot->GetLong("v", 99), GetParam().nLong) << GetParam().pszText;
    EXPECT_EQ(doc.pRoot->GetShort("v", 99), GetParam().nShort) << GetParam().pszText;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, GetLongTest,
    ::testing::Values(LONGCASE{"0x1A", 26, 26}, LONGCASE{"0X1A", 0, 0}, LONGCASE{"-12", -12, -12},
                      LONGCASE{"  +42abc", 42, 42}, LONGCASE{"abc", 0, 0}, LONGCASE{"", 0, 0},
                      LONGCASE{"32768", 32768, -32768}, LONGCASE{"65535", 65535, -1},
                      LONGCASE{"65536", 65536, 0}, LONGCASE{"99999999999", 2147483647, -1},
                      LONGCASE{"-99999999999", -2147483647 - 1, 0}, LONGCASE{"0xffffffff", 2147483647, -1},
                      LONGCASE{"0x-5", -5, -5}, LONGCASE{"0xg", 0, 0}, LONGCASE{"0x0x10", 16, 16}));

TEST(XmlElementGetters, StringTurnsBackslashNIntoLineBreaksAndKeepsTheRest)
{
    VALUEDOC doc(R"(one\ntwo\\n &amp; &lt;three&gt;)");
    EXPECT_EQ(doc.pRoot->GetString("v"), QStringLiteral("one\r\ntwo\\\r\n & <three>"));
}

TEST(XmlElementGetters, TextContentJoinsNestedTextAndCdataButNotComments)
{
    VALUEDOC doc("1<!-- note -->2<b>3</b><![CDATA[.5]]>");
    EXPECT_EQ(doc.pRoot->GetString("v"), QStringLiteral("123.5"));
    EXPECT_EQ(doc.pRoot->GetFloat("v", 0), 123.5f);
}

TEST(XmlElementGetters, NamedElementIsTheFirstDescendantInDocumentOrder)
{
    CXmlFile file{QString()};
    ASSERT_TRUE(
        file.LoadFromBytes("<r><a><v>deep</v></a><v>shallow</v><p:v xmlns:p='urn:x'>prefixed</p:v></r>"));
    const CXmlElementPtr pRoot = file.FindRoot("r");
    EXPECT_EQ(pRoot->GetString("v"), QStringLiteral("deep"));
    EXPECT_EQ(pRoot->GetString("p:v"), QStringLiteral("prefixed"));
    // Names are case-sensitive, as XML is.
    EXPECT_TRUE(pRoot->GetString("V").isNull());
}

// Memory elements carrying the Index texts given, in document order.
QByteArray Indexed(std::initializer_list<const char*> indexTexts)
{
    QByteArray bytes = "<Memories>";
    int n = 0;
    for (const char* psz : indexTexts) {
        bytes += psz ? QByteArray("<Memory Index=\"") + psz + "\">" : QByteArray("<Memory>");
        bytes += "<Id>" + QByteArray::number(n++) + "</Id></Memory>";
    }
    return bytes + "</Memories>";
}

struct FINDCASE
{
    QByteArray bytes;
    int nIndex;
    int nExpectedId; // -1: null
};

void PrintTo(const FINDCASE& c, std::ostream* os)
{
    *os << "index " << c.nIndex;
}

class FindChildTest : public ::testing::TestWithParam<FINDCASE>
{
};

TEST_P(FindChildTest, MatchesTheIndexAttributeLeniently)
{
    CXmlFile file{QString()};
    ASSERT_TRUE(file.LoadFromBytes(GetParam().bytes));
    const CXmlElementPtr pRoot = file.FindRoot("Memories");
    const CXmlElementPtr p = pRoot->FindChild("Memory", GetParam().nIndex);
    if (GetParam().nExpectedId < 0) {
        EXPECT_FALSE(p);
    } else {
        ASSERT_TRUE(p);
        EXPECT_EQ(p->GetLong("Id", -1), GetParam().nExpectedId);
    }
    // The one-walk lookup agrees with FindChild for every index it covers.
    if (GetParam().nIndex >= 0) {
        const std::vector<CXmlElementPtr> all = pRoot->FindIndexedChildren("Memory", GetParam().nIndex + 1);
        EXPECT_EQ(all.back()->GetLong("Id", -1), p ? p->GetLong("Id", -1) : -1);
    }
}

QByteArray ZeroTo99()
{
    QByteArray bytes = "<Memories>";
    for (int i = 0; i < 100; ++i)
        bytes +=
            "<Memory Index=\"" + QByteArray::number(i) + "\"><Id>" + QByteArray::number(i) + "</Id></Memory>";
    return bytes + "</Memories>";
}

INSTANTIATE_TEST_SUITE_P(
    Files, FindChildTest,
    ::testing::Values(FINDCASE{ZeroTo99(), 5, 5}, FINDCASE{ZeroTo99(), 100, -1}, FINDCASE{ZeroTo99(), -1, 0},
                      FINDCASE{Indexed({"x", " 7", "9"}), 7, 1}, FINDCASE{Indexed({"x", "7abc"}), 7, 1},
                      FINDCASE{Indexed({nullptr, "abc"}), 0, 1}, FINDCASE{Indexed({nullptr, nullptr}), 0, -1},
                      FINDCASE{Indexed({"5", "+5", "5"}), 5, 0}, FINDCASE{Indexed({"-3", "3"}), 3, 1},
                      FINDCASE{Indexed({"4294967301", "5"}), 5, 1}, FINDCASE{Indexed({"2", "1"}), -1, 0},
                      FINDCASE{"<Memories><g><Memory Index='3'><Id>0</Id></Memory></g></Memories>", 3, 0}));

TEST(XmlElementSetters, FormsOfEachValue)
{
    const struct
    {
        std::function<void(CXmlElement&)> set;
        const char* pszExpected;
    } cases[] = {
        {[](CXmlElement& e) { e.SetFloat("v", 1.5f, 4); }, "1.5000"},
        {[](CXmlElement& e) { e.SetFloat("v", 0.000125f, 6); }, "0.000125"},
        {[](CXmlElement& e) { e.SetFloat("v", 0.0001234f, 6); }, "0.000123"},
        {[](CXmlElement& e) { e.SetFloat("v", 1.23456f, 4); }, "1.2346"},
        {[](CXmlElement& e) { e.SetFloat("v", -0.5f, 0); }, "-0"},
        {[](CXmlElement& e) { e.SetFloat("v", 2.5f, -1); }, "2.500000"},
        {[](CXmlElement& e) { e.SetFloat("v", 1e10f, 2); }, "10000000000.00"},
        // Halfway cases round as the float widened to double lies: 0.00005f is
        // 4.9999998737e-05, 0.00015f is 1.5000000712e-04.
        {[](CXmlElement& e) { e.SetFloat("v", 0.00005f, 4); }, "0.0000"},
        {[](CXmlElement& e) { e.SetFloat("v", 0.00015f, 4); }, "0.0002"},
        {[](CXmlElement& e) { e.SetFloat("v", std::numeric_limits<float>::quiet_NaN(), 4); }, "NAN"},
        {[](CXmlElement& e) { e.SetBool("v", true, 0); }, "1"},
        {[](CXmlElement& e) { e.SetBool("v", false, 1); }, "OFF"},
        {[](CXmlElement& e) { e.SetBool("v", 5, 2); }, "YES"},
        {[](CXmlElement& e) { e.SetBool("v", false, 3); }, "FALSE"},
        {[](CXmlElement& e) { e.SetBool("v", true, 4); }, ""},
        {[](CXmlElement& e) { e.SetShort("v", -3, false); }, "-3"},
        {[](CXmlElement& e) { e.SetShort("v", 26, true); }, "0x001a"},
        {[](CXmlElement& e) { e.SetShort("v", -1, true); }, "0xffffffff"},
        {[](CXmlElement& e) { e.SetString("v", QString()); }, ""},
        {[](CXmlElement& e) { e.SetString("v", QStringLiteral("a\r\nb\rc\nd")); }, "a\\nb&#13;c\nd"},
        {[](CXmlElement& e) { e.SetString("v", QStringLiteral("x & <y>")); }, "x &amp; &lt;y&gt;"},
        {[](CXmlElement& e) { e.SetString("v", QString::fromUtf16(u"\u00e9\u0001\U0001F600")); },
         "\xc3\xa9\xef\xbf\xbd\xf0\x9f\x98\x80"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Written(c.set), QByteArray(c.pszExpected));
}

TEST(XmlElementSetters, WrittenValuesReadBack)
{
    CXmlFile file{QString()};
    CXmlElementPtr pRoot = file.CreateRoot("r");
    pRoot->SetString("s", QStringLiteral("line 1\r\nline 2"));
    pRoot->SetShort("h", 0x7b, true);
    pRoot->SetFloat("f", -1234.5678f, 4);
    CXmlFile copy{QString()};
    ASSERT_TRUE(copy.LoadFromBytes(file.ToBytes()));
    const CXmlElementPtr pCopy = copy.FindRoot("r");
    EXPECT_EQ(pCopy->GetString("s"), QStringLiteral("line 1\r\nline 2"));
    EXPECT_EQ(pCopy->GetShort("h", 0), 0x7b);
    EXPECT_EQ(pCopy->GetFloat("f", 0), -1234.5678f);
}

TEST(XmlElementSetters, ElementsAppearInCreationOrderWithoutWhiteSpaceOrDeclarationsOfTheirOwn)
{
    CXmlFile file{QString()};
    CXmlElementPtr pRoot = file.CreateRoot("Memories");
    CXmlElementPtr pMemory = pRoot->CreateChild("Memory", 7);
    pMemory->SetString("B", QStringLiteral("1"));
    pMemory->SetString("A", QStringLiteral("2"));
    pMemory->CreateChild("AMem", -1);
    EXPECT_EQ(file.ToBytes(),
              QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<Memories><Memory Index=\"7\"><B>1</B><A>2</A><AMem/></Memory></Memories>\n"));
}

TEST(XmlElementSetters, FailuresInsideTheDocumentRaiseComErrors)
{
    CXmlFile file{QString()};
    CXmlElementPtr pRoot = file.CreateRoot("r");
    for (const char* pszName : {"", "1abc", "a b", "a<b"}) {
        try {
            pRoot->SetString(pszName, QStringLiteral("x"));
            ADD_FAILURE() << "no error for '" << pszName << "'";
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), E_INVALIDARG);
        }
    }
    EXPECT_THROW(file.CreateRoot("second"), _com_error);
    EXPECT_FALSE(file.ToBytes().contains("second"));
}

} // namespace
