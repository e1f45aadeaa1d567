#include "settings/AppOptions.h"
#include "settings/Registry.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

#include <QElapsedTimer>
#include <sys/stat.h>

namespace {

// Each test gets a configuration folder of its own, so that what one test
// stores never reaches the next.
class Settings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
    }

    QString FilePath() const { return m_dir.filePath(QStringLiteral("vaultline/registry.ini")); }

    // Writes the settings file as another tool would, with a time of its own:
    // Qt rereads a settings file only when its size or time changes.
    bool WriteFile(const QByteArray& text) const
    {
        static int s_nWrites = 0;
        QFile f(FilePath());
        return QDir().mkpath(QFileInfo(f).path()) && f.open(QIODevice::WriteOnly) &&
               f.write(text) == text.size() && f.flush() &&
               f.setFileTime(QDateTime::currentDateTime().addSecs(++s_nWrites),
                             QFileDevice::FileModificationTime);
    }
    QByteArray ReadFile() const { return FileBytes(FilePath()); }

    QTemporaryDir m_dir;
};

// The program's key as a section of the settings file.
QByteArray KeyLines(const QByteArray& lines)
{
    QByteArray text = "[Software]\n";
    for (const QByteArray& line : lines.split('\n'))
        if (!line.isEmpty())
            text += "Talvero\\Dxr9kStdApps\\Vaultline\\" + line + "\n";
    return text;
}

QStringList Values(const CAppOptions& options)
{
    return {options.m_strIoResourceUp, options.m_strIoResourceDn,
            QString::number(options.m_dwShowValidateMsg)};
}

const QStringList s_defaults = {"GPIB0::1::INSTR", "GPIB0::2::INSTR", "1"};

TEST_F(Settings, FirstRunReadsDefaultsAndWritesAllThreeValuesAtExit)
{
    {
        CAppOptions options;
        EXPECT_EQ(Values(options), s_defaults);
        EXPECT_FALSE(QFile::exists(FilePath())) << "nothing is written before the end";
    }
    EXPECT_EQ(ReadFile(), KeyLines("IoResource_Dn=GPIB0::2::INSTR\nIoResource_Up=GPIB0::1::INSTR\n"
                                   "ShowValidateMsg=dword:00000001\n"));
}

// A resource is read into 255 bytes: 127 UTF-16 characters fit, 128 do not,
// and the next run falls back to the default.
TEST_F(Settings, ResourceReadsBackWholeOnlyWithinTheBuffer)
{
    for (int nLength : {127, 128}) {
        const QString strLong = QStringLiteral("ASRL/dev/") + QString(nLength - 16, 'x') + "::INSTR";
        CAppOptions().m_strIoResourceDn = strLong; // a run that sets it and ends
        EXPECT_EQ(CAppOptions().m_strIoResourceDn, nLength <= 127 ? strLong : s_defaults[1]) << nLength;
    }
}

// Other keys of the file stay as they were.
TEST_F(Settings, ValuesSetOutsideAreReadAndWrittenBackUnchanged)
{
    const QByteArray text =
        KeyLines("IoResource_Dn=ASRL1::INSTR\nIoResource_Up=GPIB0::7::INSTR\n"
                 "Recent%20File%20List\\File1=/tmp/a.xMem\nShowValidateMsg=dword:00000000\n");
    ASSERT_TRUE(WriteFile(text));
    EXPECT_EQ(Values(CAppOptions()), (QStringList{"GPIB0::7::INSTR", "ASRL1::INSTR", "0"}));
    EXPECT_EQ(ReadFile(), text);
}

// Whatever state the settings file is in, the program starts with the defaults
// and ends without complaint; where the file can be replaced, the next run
// finds what this one kept.
TEST_F(Settings, DamagedSettingsStartWithDefaultsAndNeverStop)
{
    const QString strFolder = QFileInfo(FilePath()).absolutePath();
    QByteArray garbage("[Software\n\xff\xfe=\n=\n[[]]\x00\x01", 16);
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>(i * 131 + 7);
    const std::function<bool()> damages[] = {
        [&] { return WriteFile(garbage); },                           // the file is garbage
        [&] { return QDir().mkpath(FilePath()); },                    // the file is a folder
        [&] { return QFile(strFolder).open(QIODevice::WriteOnly); }}; // the folder is a file
    for (const auto& damage : damages) {
        QDir(strFolder).removeRecursively();
        QFile::remove(strFolder);
        ASSERT_TRUE(damage());
        {
            CAppOptions options;
            EXPECT_EQ(Values(options), s_defaults);
            options.m_strIoResourceUp = QStringLiteral("ASRL2::INSTR");
        }
        EXPECT_TRUE(!QFileInfo(FilePath()).isFile() || CAppOptions().m_strIoResourceUp == "ASRL2::INSTR");
    }
}

// The program's key, opened; closed again when it goes.
struct PROGRAMKEY : CRegistry
{
    PROGRAMKEY()
    {
        EXPECT_EQ(Open(QStringLiteral("Dxr9kStdApps\\Vaultline"), HKEY_CURRENT_USER,
                       QStringLiteral("Software\\Talvero")),
                  ERROR_SUCCESS);
    }
};

constexpr DWORD DEFAULT_DWORD = 0xDEFAu;

// A value of the program key as ReadString and ReadDword give it, in a session of its own.
std::pair<QString, DWORD> Read(const QString& strName)
{
    PROGRAMKEY reg;
    std::pair<QString, DWORD> value;
    reg.ReadString(strName, value.first, QStringLiteral("default"));
    reg.ReadDword(strName, value.second, DEFAULT_DWORD);
    return value;
}

TEST_F(Settings, RegistryValuesStoredByOtherToolsReadAsTheRegistryWould)
{
    // The value's text in the settings file, then what ReadString and ReadDword give.
    const std::tuple<const char*, const char16_t*, DWORD> cases[] = {
        // clang-format off
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
    for (const auto& [pszStored, pszString, dwDword] : cases) {
        ASSERT_TRUE(WriteFile(KeyLines(QByteArray("Value=") + pszStored + "\n")));
        EXPECT_EQ(Read(QStringLiteral("Value")), std::make_pair(QString::fromUtf16(pszString), dwDword))
            << pszStored;
    }
}

// Texts the program writes come back exactly, including those that look like
// the file's own type tags or its quoting.
TEST_F(Settings, RegistryWrittenTextsReadBackUnchanged)
{
    for (const char16_t* psz :
         {u"", u"dword:00000001", u"HEX(1):41,00", u"a,b", u"@Variant(x)", u" spaced ", u"\"quoted\"",
          u"semi;colon#hash", u"back\\slash", u"line\nbreak", u"Gr\u00FC\u00DFe \u20AC \U0001F600"}) {
        ASSERT_EQ(PROGRAMKEY().WriteString(QStringLiteral("Text"), QString::fromUtf16(psz)), ERROR_SUCCESS);
        EXPECT_EQ(Read(QStringLiteral("Text")).first, QString::fromUtf16(psz));
    }
}

// A FIFO or a device in place of the settings file is neither waited on nor
// replaced: the run goes on its defaults and leaves the special file alone.
TEST_F(Settings, ASpecialFileInPlaceOfTheSettingsIsNeitherReadNorReplaced)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(FilePath()).path()));
    for (const bool bFifo : {true, false}) {
        QFile::remove(FilePath());
        if (bFifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(FilePath()).constData(), 0666), 0);
        else
            ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), FilePath()));
        QElapsedTimer timer;
        timer.start();
        {
            CAppOptions options;
            EXPECT_EQ(Values(options), s_defaults);
            options.m_strIoResourceUp = QStringLiteral("ASRL2::INSTR");
        }
        EXPECT_LT(timer.elapsed(), 1000);
        struct stat st = {};
        ASSERT_EQ(::stat(QFile::encodeName(FilePath()).constData(), &st), 0);
        EXPECT_TRUE(bFifo ? S_ISFIFO(st.st_mode) : S_ISCHR(st.st_mode));
    }
}

// A settings file far beyond any the program writes is read to the bound,
// and never rewritten from that part.
TEST_F(Settings, AnOversizedSettingsFileIsReadToTheBoundAndLeftAsItIs)
{
    QByteArray text = KeyLines("IoResource_Up=GPIB0::7::INSTR\n");
    text += "[Padding]\n";
    while (text.size() < 3 * 1024 * 1024)
        text += "Key" + QByteArray::number(text.size()) + "=" + QByteArray(100, 'x') + "\n";
    text += KeyLines("IoResource_Dn=ASRL9::INSTR\n"); // beyond the bound
    ASSERT_TRUE(WriteFile(text));
    {
        CAppOptions options;
        EXPECT_EQ(Values(options), (QStringList{"GPIB0::7::INSTR", s_defaults[1], s_defaults[2]}));
        options.m_strIoResourceUp = QStringLiteral("ASRL2::INSTR");
    }
    EXPECT_EQ(ReadFile(), text);
}

} // namespace
