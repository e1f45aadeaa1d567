#include "platform/com/ComError.h"
#include "xmlfile/XmlFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <iterator>
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

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float Inf = std::numeric_limits<float>::infinity();

TEST(XmlElementGetters, FloatReadsTheLeadingNumberOrNaN)
{
    // clang-format off
    const std::pair<const char*, float> cases[] = {
        {"12.5", 12.5f}, {"", NaN}, {"NAN", NaN}, {"abc", NaN}, {"-", NaN}, {".", NaN}, {"  -3.25e2V", -325.0f},
        {"+.5", 0.5f}, {"1e", 1.0f}, {"1,5", 1.0f}, {"0.000123", 0.000123f}, {"1e999", Inf}, {"1e-999", 0.0f},
        {"-inf", -Inf}};
    // clang-format on
    for (const auto& [pszText, fExpected] : cases) {
        const float f = VALUEDOC(pszText).pRoot->GetFloat("v", 99.0f);
        EXPECT_TRUE(std::isnan(fExpected) ? std::isnan(f) : f == fExpected) << pszText << " read as " << f;
    }
}

TEST(XmlElementGetters, BoolTakesPrefixWordsOrANonZeroInteger)
{
    // clang-format off
    const std::pair<const char*, bool> cases[] = {
        {"yes", true}, {"On", true}, {"TRUE", true}, {"-1", true}, {"ONE", true}, {"YESTERDAY", true}, {" 3", true},
        {"NO", false}, {"OFF", false}, {"0", false}, {"", false}, {"T", false}, {" yes", false}};
    // clang-format on
    for (const auto& [pszText, bExpected] : cases)
        EXPECT_EQ(VALUEDOC(pszText).pRoot->GetBool("v", !bExpected), bExpected) << pszText;
}

TEST(XmlElementGetters, LongIsDecimalOrLowerCaseHexClampedAndShortTakesTheLow16Bits)
{
    // The text, then what GetLong and GetShort read.
    const std::tuple<const char*, std::int32_t, std::int16_t> cases[] = {// clang-format off
        {"0x1A", 26, 26}, {"0X1A", 0, 0}, {"-12", -12, -12}, {"  +42abc", 42, 42}, {"abc", 0, 0},
        {"32768", 32768, -32768}, {"65536", 65536, 0}, {"99999999999", 2147483647, -1},
        {"-99999999999", -2147483647 - 1, 0}, {"0xffffffff", 2147483647, -1}, {"0x-5", -5, -5}, {"0xg", 0, 0},
        {"0x0x10", 16, 16}, {"0xfffe", 65534, -2}};
    // clang-format on
    for (const auto& [pszText, nLong, nShort] : cases) {
        VALUEDOC doc(pszText);
        EXPECT_EQ(doc.pRoot->GetLong("v", 99), nLong) << pszText;
        EXPECT_EQ(doc.pRoot->GetShort("v", 99), nShort) << pszText;
    }
}

// A missing element gives the default the caller passes (the memory file's
// tests prove it through the fields another tool left out); so does a null handle.
TEST(XmlElementGetters, NullHandleGivesTheDefaultAndIgnoresSetters)
{
    VALUEDOC doc("1");
    const CXmlElementPtr pNull = doc.pRoot->FindChild("missing", -1);
    ASSERT_FALSE(pNull);
    EXPECT_EQ(pNull->GetFloat("v", 2.0f), 2.0f);
    EXPECT_TRUE(pNull->GetString("v").isNull());
    EXPECT_FALSE(pNull->CreateChild("v", 1));
    pNull->SetString("v", QStringLiteral("x")); // does nothing, raises nothing
    EXPECT_FALSE(doc.file.ToBytes().contains("<v>x</v>"));
}

TEST(XmlElementGetters, TextIsTheFirstDescendantsContentWithLineBreaksDecoded)
{
    EXPECT_EQ(VALUEDOC(R"(one\ntwo\\n &amp; &lt;three&gt;)").pRoot->GetString("v"),
              QStringLiteral("one\r\ntwo\\\r\n & <three>"));
    // Nested text and CDATA join; comments do not.
    EXPECT_EQ(VALUEDOC("1<!-- note -->2<b>3</b><![CDATA[.5]]>").pRoot->GetFloat("v", 0), 123.5f);

    CXmlFile file{QString()};
    ASSERT_TRUE(
        file.LoadFromBytes("<r><a><v>deep</v></a><v>shallow</v><p:v xmlns:p='urn:x'>prefixed</p:v></r>"));
    const CXmlElementPtr pRoot = file.FindRoot("r");
    EXPECT_EQ(pRoot->GetString("v"), QStringLiteral("deep"));
    EXPECT_EQ(pRoot->GetString("p:v"), QStringLiteral("prefixed"));
    EXPECT_TRUE(pRoot->GetString("V").isNull()) << "names are case-sensitive";
}

// Memory elements carrying the Index texts given (null: no attribute), in document order.
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

TEST(XmlElementFind, MatchesTheIndexAttributeLeniently)
{
    const QByteArray zeroTo5 = Indexed({"0", "1", "2", "3", "4", "5"});
    // The file, the index asked for, and the Id of the element found (-1: none).
    const std::tuple<QByteArray, int, int> cases[] = {
        // clang-format off
        {zeroTo5, 5, 5}, {zeroTo5, 100, -1}, {zeroTo5, -1, 0}, {Indexed({"x", " 7", "9"}), 7, 1},
        {Indexed({"x", "7abc"}), 7, 1}, {Indexed({nullptr, "abc"}), 0, 1}, {Indexed({nullptr, nullptr}), 0, -1},
        {Indexed({"5", "+5", "5"}), 5, 0}, {Indexed({"-3", "3"}), 3, 1}, {Indexed({"4294967301", "5"}), 5, 1},
        {"<Memories><g><Memory Index='3'><Id>0</Id></Memory></g></Memories>", 3, 0}};
    // clang-format on
    for (const auto& [bytes, nIndex, nExpectedId] : cases) {
        CXmlFile file{QString()};
        ASSERT_TRUE(file.LoadFromBytes(bytes));
        const CXmlElementPtr pRoot = file.FindRoot("Memories");
        const CXmlElementPtr p = pRoot->FindChild("Memory", nIndex);
        const int nId = p ? p->GetLong("Id", -1) : -1;
        EXPECT_EQ(nId, nExpectedId) << bytes.left(60).constData() << " index " << nIndex;
        // The one-walk lookup agrees with FindChild for every index it covers.
        if (nIndex >= 0) {
            EXPECT_EQ(pRoot->FindIndexedChildren("Memory", nIndex + 1).back()->GetLong("Id", -1), nId);
        }
    }
}

// What a setter wrote: the text of the element it appended.
QByteArray Written(const std::function<void(CXmlElement&)>& set)
{
    CXmlFile file{QString()};
    set(*file.CreateRoot("r"));
    const QByteArray bytes = file.ToBytes();
    const int nStart = bytes.indexOf("<v>");
    if (nStart < 0)
        return bytes.contains("<v/>") ? QByteArray("") : QByteArray("(none)");
    return bytes.mid(nStart + 3, bytes.indexOf("</v>") - nStart - 3);
}

TEST(XmlElementSetters, FormsOfEachValue)
{
    // The memory file's own forms (NAN, 4 and 6 decimals, YES) are proved by its tests.
    const std::pair<std::function<void(CXmlElement&)>, const char*> cases[] = {
        {[](CXmlElement& e) { e.SetFloat("v", -0.5f, 0); }, "-0"},
        {[](CXmlElement& e) { e.SetFloat("v", 2.5f, -1); }, "2.500000"},
        {[](CXmlElement& e) { e.SetFloat("v", 1e10f, 2); }, "10000000000.00"},
        // Halfway cases round as the float widened to double lies: 0.00005f is
        // 4.9999998737e-05, 0.00015f is 1.5000000712e-04.
        {[](CXmlElement& e) { e.SetFloat("v", 0.00005f, 4); }, "0.0000"},
        {[](CXmlElement& e) { e.SetFloat("v", 0.00015f, 4); }, "0.0002"},
        {[](CXmlElement& e) { e.SetBool("v", true, 0); }, "1"},
        {[](CXmlElement& e) { e.SetBool("v", false, 1); }, "OFF"},
        {[](CXmlElement& e) { e.SetBool("v", false, 3); }, "FALSE"},
        {[](CXmlElement& e) { e.SetBool("v", true, 4); }, ""},
        {[](CXmlElement& e) { e.SetShort("v", 26, true); }, "0x001a"},
        // Four digits even for a negative value, which reads back as itself.
        {[](CXmlElement& e) { e.SetShort("v", -2, true); }, "0xfffe"},
        {[](CXmlElement& e) { e.SetString("v", QString()); }, ""},
        {[](CXmlElement& e) { e.SetString("v", QStringLiteral("a\r\nb\rc\nd")); }, "a\\nb&#13;c\nd"},
        {[](CXmlElement& e) { e.SetString("v", QStringLiteral("x & <y>")); }, "x &amp; &lt;y&gt;"},
        {[](CXmlElement& e) { e.SetString("v", QString::fromUtf16(u"\u00e9\u0001\U0001F600")); },
         "\xc3\xa9\xef\xbf\xbd\xf0\x9f\x98\x80"}};
    for (const auto& [set, pszExpected] : cases)
        EXPECT_EQ(Written(set), QByteArray(pszExpected));
}

TEST(XmlElementSetters, FailuresInsideTheDocumentRaiseComErrors)
{
    CXmlFile file{QString()};
    CXmlElementPtr pRoot = file.CreateRoot("r");
    for (const char* pszName : {"", "1abc", "a b", "a<b"}) {
        try {
            pRoot->SetString(pszName, QStringLiteral("x"));
            ADD_FAILURE() << pszName;
        } catch (const _com_error& e) {
            EXPECT_EQ(e.Error(), E_INVALIDARG) << pszName;
        }
    }
    EXPECT_THROW(file.CreateRoot("second"), _com_error);
    EXPECT_FALSE(file.ToBytes().contains("second"));
}

// The one-walk lookup finds exactly what a lookup per name finds: the first
// match in document order at any depth, prefixes compared as written, and a
// name it was not asked for still found by a walk.
TEST(XmlElementLookup, NamesFoundAtOnceAreTheFirstMatchesOfALookupPerName)
{
    const char* const files[] = {"<r><a>1</a><b>2</b><a>3</a></r>",
                                 "<r><g><a>deep</a></g><a>shallow</a><b/></r>",
                                 "<r xmlns:p='urn:x'><p:a>prefixed</p:a><a>plain</a><p:b>pb</p:b></r>",
                                 "<r><x><a>in x</a><b><a>in b</a></b></x><c>c</c></r>",
                                 "<r><b>only b</b></r>",
                                 "<r>text<!-- a --><?a pi?></r>"};
    const char* const names[] = {"a", "b", "p:a", "p:b", "nowhere"};
    for (const char* pszFile : files) {
        CXmlFile file{QString()};
        ASSERT_TRUE(file.LoadFromBytes(pszFile)) << pszFile;
        CXmlElementPtr pAtOnce = file.FindRoot("r");
        const CXmlElementPtr pOneByOne = file.FindRoot("r");
        pAtOnce->FindNamesAtOnce(names, std::size(names));
        for (const char* pszName : {"a", "b", "p:a", "p:b", "nowhere", "c"}) {
            EXPECT_EQ(pAtOnce->GetString(pszName), pOneByOne->GetString(pszName))
                << pszFile << " " << pszName;
            EXPECT_EQ(pAtOnce->FindChild(pszName, -1)->GetString("a"),
                      pOneByOne->FindChild(pszName, -1)->GetString("a"))
                << pszFile << " " << pszName;
            EXPECT_EQ(bool(pAtOnce->FindChild(pszName, -1)), bool(pOneByOne->FindChild(pszName, -1)));
        }
    }
    // The null handle takes it like every other call.
    CXmlElementPtr pNull;
    pNull->FindNamesAtOnce(names, std::size(names));
    EXPECT_TRUE(pNull->GetString("a").isEmpty());
}

} // namespace
