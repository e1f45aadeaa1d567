#include "app/Registry.h"
#include "tests/unit/settings/SettingsFixture.h"

namespace {

constexpr DWORD DEFAULT_DWORD = 0xDEFAu;
const char* const DEFAULT_TEXT = "default";

// One value as another tool stored it, and what each read makes of it.
struct STOREDVALUE
{
    const char* pszName;
    const char* pszStored;     // the value's text in the settings file
    const char16_t* pszString; // ReadString's result
    DWORD dwDword;             // ReadDword's result
};

void PrintTo(const STOREDVALUE& c, std::ostream* os)
{
    *os << c.pszName;
}

class StoredValue : public SettingsTest, public ::testing::WithParamInterface<STOREDVALUE>
{
};

TEST_P(StoredValue, ReadsAsTheRegistryWould)
{
    const STOREDVALUE& v = GetParam();
    WriteFile(KeyLines(QByteArray("Value=") + v.pszStored + "\n"));

    CRegistry reg;
    ASSERT_EQ(reg.Open(QStringLiteral("Dxr9kStdApps\\Vaultline"), HKEY_CURRENT_USER,
                       QStringLiteral("Software\\Talvero")),
              ERROR_SUCCESS);
    EXPECT_EQ(reg.m_strKeyPath, "Software\\Talvero\\Dxr9kStdApps\\Vaultline");
    QString str;
    reg.ReadString(QStringLiteral("Value"), str, QString::fromLatin1(DEFAULT_TEXT));
    EXPECT_EQ(str, QString::fromUtf16(v.pszString));
    DWORD dw = 0;
    reg.ReadDword(QStringLiteral("Value"), dw, DEFAULT_DWORD);
    EXPECT_EQ(dw, v.dwDword);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredValue,
    ::testing::Values(STOREDVALUE{"PlainText", "GPIB0::9::INSTR", u"GPIB0::9::INSTR", DEFAULT_DWORD},
                      // Written by a tool that counts the terminating NUL in the data.
                      STOREDVALUE{"TerminatingNul", "hex(1):41,00,53,00,52,00,4c,00,00,00", u"ASRL",
                                  DEFAULT_DWORD},
                      STOREDVALUE{"EmbeddedNulEndsTheText", "hex(1):41,00,00,00,42,00", u"A", DEFAULT_DWORD},
                      STOREDVALUE{"OddLengthDropsTheHalfUnit", "hex(1):41,00,42", u"A", 0x00420041u},
                      STOREDVALUE{"ExpandSzIsReadAsText", "hex(2):25,00,58,00", u"%X", 0x00580025u},
                      STOREDVALUE{"EmptyText", "", u"", 0u},
                      STOREDVALUE{"TwoCharactersFillADword", "12", u"12", 0x00320031u},
                      STOREDVALUE{"OneCharacterIsZeroExtended", "7", u"7", 0x37u},
                      STOREDVALUE{"Dword", "dword:0000002a", u"*", 42u},
                      STOREDVALUE{"DwordUpperCase", "DWORD:FFFFFFFF", u"\xFFFF\xFFFF", 0xFFFFFFFFu},
                      STOREDVALUE{"BinaryTwoBytes", "hex:01,02", u"\x0201", 0x0201u},
                      STOREDVALUE{"UnquotedCommasAreOneText", "a,b", u"a,b", DEFAULT_DWORD},
                      STOREDVALUE{"DwordTooLong", "dword:123456789", u"default", DEFAULT_DWORD},
                      STOREDVALUE{"DwordNotHex", "dword:xyz", u"default", DEFAULT_DWORD},
                      STOREDVALUE{"HexByteTooWide", "hex(1):410,00", u"default", DEFAULT_DWORD},
                      STOREDVALUE{"HexTypeUnclosed", "hex(1:41,00", u"default", DEFAULT_DWORD}),
    [](const auto& row) { return std::string(row.param.pszName); });

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
    EXPECT_EQ(unopened.m_lLastError, ERROR_INVALID_HANDLE);

    CRegistry reg;
    ASSERT_EQ(reg.Open(QStringLiteral("Vaultline"), HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(reg.m_strKeyPath, "Vaultline");
    EXPECT_EQ(reg.ReadString(QStringLiteral("Absent"), str, QStringLiteral("e")), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(str, "e");
}

// Texts the program writes come back exactly, including those that look like
// the file's own type tags or its quoting.
class WrittenText : public SettingsTest, public ::testing::WithParamInterface<const char16_t*>
{
};

TEST_P(WrittenText, ReadsBackUnchanged)
{
    const QString strText = QString::fromUtf16(GetParam());
    {
        CRegistry reg;
        ASSERT_EQ(reg.Open(QStringLiteral("Dxr9kStdApps\\Vaultline"), HKEY_CURRENT_USER,
                           QStringLiteral("Software\\Talvero")),
                  ERROR_SUCCESS);
        ASSERT_EQ(reg.WriteString(QStringLiteral("IoResource_Up"), strText), ERROR_SUCCESS);
    }
    CRegistry reg;
    ASSERT_EQ(reg.Open(QStringLiteral("Dxr9kStdApps\\Vaultline"), HKEY_CURRENT_USER,
                       QStringLiteral("Software\\Talvero")),
              ERROR_SUCCESS);
    QString str;
    ASSERT_EQ(reg.ReadString(QStringLiteral("IoResource_Up"), str, QStringLiteral("default")), ERROR_SUCCESS);
    EXPECT_EQ(str, strText);
}

INSTANTIATE_TEST_SUITE_P(Texts, WrittenText,
                         ::testing::Values(u"", u"dword:00000001", u"hex:01,02", u"HEX(1):41,00", u"a,b",
                                           u"@Variant(x)", u" spaced ", u"\"quoted\"", u"semi;colon#hash",
                                           u"back\\slash", u"line\nbreak",
                                           u"Gr\u00FC\u00DFe \u20AC \U0001F600"));

} // namespace
