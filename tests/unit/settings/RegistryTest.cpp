#include "app/Registry.h"
#include "tests/unit/settings/SettingsFixture.h"

namespace {

LONG OpenProgramKey(CRegistry& reg)
{
    return reg.Open(QStringLiteral("Dxr9kStdApps\\Vaultline"), HKEY_CURRENT_USER,
                    QStringLiteral("Software\\Talvero"));
}

constexpr DWORD DEFAULT_DWORD = 0xDEFAu;

TEST_F(SettingsTest, ValuesStoredByOtherToolsReadAsTheRegistryWould)
{
    const struct
    {
        const char* pszStored;     // the value's text in the settings file
        const char16_t* pszString; // ReadString's result
        DWORD dwDword;             // ReadDword's result
    } cases[] = {                  // clang-format off
        {"GPIB0::9::INSTR", u"GPIB0::9::INSTR", DEFAULT_DWORD},
        // Written by a tool that counts the terminating NUL in the data.
        {"hex(1):41,00,53,00,52,00,4c,00,00,00", u"ASRL", DEFAULT_DWORD},
        {"hex(1):41,00,00,00,42,00", u"A", DEFAULT_DWORD},   // an embedded NUL ends the text
        {"hex(1):41,00,42", u"A", 0x00420041u},               // an odd length drops the half unit
        {"hex(2):25,00,58,00", u"%X", 0x00580025u},           // expandable text reads as text
        {"12", u"12", 0x00320031u}, {"dword:0000002a", u"*", 42u}, {"DWORD:FFFFFFFF", u"\xFFFF\xFFFF", 0xFFFFFFFFu},
        {"hex:01,02", u"\x0201", 0x0201u},
        {"dword:123456789", u"default", DEFAULT_DWORD}, {"hex(1):410,00", u"default", DEFAULT_DWORD},
        {"hex(1:41,00", u"default", DEFAULT_DWORD}};
    // clang-format on
    for (const auto& c : cases) {
        WriteFile(KeyLines(QByteArray("Value=") + c.pszStored + "\n"));
        CRegistry reg;
        ASSERT_EQ(OpenProgramKey(reg), ERROR_SUCCESS);
        QString str;
        reg.ReadString(QStringLiteral("Value"), str, QStringLiteral("default"));
        EXPECT_EQ(str, QString::fromUtf16(c.pszString)) << c.pszStored;
        DWORD dw = 0;
        reg.ReadDword(QStringLiteral("Value"), dw, DEFAULT_DWORD);
        EXPECT_EQ(dw, c.dwDword) << c.pszStored;
    }
}

TEST_F(SettingsTest, MissingValuesAndAnUnopenedKeyGiveTheDefaults)
{
    CRegistry unopened;
    QString str;
    DWORD dw = 0;
    EXPECT_EQ(unopened.ReadString(QStringLiteral("IoResource_Up"), str, QStringLiteral("d")),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(str, "d");
    EXPECT_EQ(unopened.ReadDword(QStringLiteral("ShowValidateMsg"), dw, 5), ERROR_INVALID_HANDLE);
    EXPECT_EQ(dw, 5u);
    EXPECT_EQ(unopened.WriteDword(QStringLiteral("ShowValidateMsg"), 1), ERROR_INVALID_HANDLE);

    CRegistry reg;
    ASSERT_EQ(reg.Open(QStringLiteral("Vaultline"), HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(reg.ReadString(QStringLiteral("Absent"), str, QStringLiteral("e")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(str, "e");
}

// Texts the program writes come back exactly, including those that look like
// the file's own type tags or its quoting.
TEST_F(SettingsTest, WrittenTextsReadBackUnchanged)
{
    for (const char16_t* psz :
         {u"", u"dword:00000001", u"HEX(1):41,00", u"a,b", u"@Variant(x)", u" spaced ", u"\"quoted\"",
          u"semi;colon#hash", u"back\\slash", u"line\nbreak", u"Gr\u00FC\u00DFe \u20AC \U0001F600"}) {
        const QString strText = QString::fromUtf16(psz);
        {
            CRegistry reg;
            ASSERT_EQ(OpenProgramKey(reg), ERROR_SUCCESS);
            ASSERT_EQ(reg.WriteString(QStringLiteral("IoResource_Up"), strText), ERROR_SUCCESS);
        }
        CRegistry reg;
        ASSERT_EQ(OpenProgramKey(reg), ERROR_SUCCESS);
        QString str;
        ASSERT_EQ(reg.ReadString(QStringLiteral("IoResource_Up"), str, QStringLiteral("default")),
                  ERROR_SUCCESS);
        EXPECT_EQ(str, strText);
    }
}

} // namespace
