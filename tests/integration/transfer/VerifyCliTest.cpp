// vaultline-cli verify, upload --verify and the partial download into an
// existing file, against dxr9k-sim on a pseudo-terminal.

#include "integration/transfer/PatternFiles.h"

#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString s_strLongMemo = QStringLiteral("A memo of 25 characters!!");

class VerifyCliTest : public PatternFiles<>
{
protected:
    // Commands with parameters other than the selection: what would change a memory.
    static QStringList Writes(const QString& strLog)
    {
        static const QRegularExpression re(QStringLiteral("BACK:SMEM:(?!NSEL)[A-Z]+ "),
                                           QRegularExpression::CaseInsensitiveOption);
        QStringList writes;
        for (const QString& line : QString::fromLatin1(FileBytes(strLog)).split(QLatin1Char('\n'))) {
            if (re.match(line).hasMatch())
                writes << line;
        }
        return writes;
    }
};

TEST_F(VerifyCliTest, UploadWithVerifyReportsTheMemoTheInstrumentCut)
{
    CSimProcess sim;
    ASSERT_FALSE(sim.Resource().isEmpty());
    const QString strFile =
        Save("long.xMem", 1, [](CXmlDocData& data) { data.GetContainer().GetAt(7)->Memo = s_strLongMemo; });
    const RUN r = RunCli({"upload", strFile, sim.Resource(), "--verify"});
    EXPECT_EQ(r.nExit, 1) << qPrintable(r.strErr);
    // The instrument keeps the first 15 characters: the driver sends no more,
    // and the instrument would keep no more.
    EXPECT_EQ(r.strOut, QStringLiteral("Memory 7\n\tMemo\t%1\t%2\t%3\n")
                            .arg(s_strLongMemo, s_strLongMemo.left(15),
                                 LoadResString(IDS_MEMO_KEPT_SHORTER).arg(25).arg(15)));
    EXPECT_EQ(r.strErr, LoadResString(IDS_TRANSFER_COMPLETED) + QLatin1Char('\n') +
                            LoadResString(IDS_CLI_VERIFY_DIFFER).arg(1).arg(1) + QLatin1Char('\n'));

    // The same file, but a memo the instrument can hold: nothing to report.
    const RUN same = RunCli({"upload", Save("fits.xMem", 1), sim.Resource(), "--verify", "--range", "0-9"});
    EXPECT_EQ(same.nExit, 0) << qPrintable(same.strErr);
    EXPECT_EQ(same.strOut, QString());
    EXPECT_EQ(same.strErr.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED));
}

TEST_F(VerifyCliTest, VerifyReadsOnlyAndListsWhatDiffersAsDiffDoes)
{
    const QString strLog = Path("sim.log");
    const QString strFile = Save("file.xMem", 2);
    CSimProcess sim({"--state",
                     Save("state.xMem", 2,
                          [](CXmlDocData& data) {
                              data.GetContainer().GetAt(42)->Curr = 1.5f;
                              data.GetContainer().GetAt(42)->Abc[0].Volt_H = 7.25f;
                              data.GetContainer().GetAt(99)->Mode = QStringLiteral("CR");
                          }),
                     "--log", strLog});
    ASSERT_FALSE(sim.Resource().isEmpty());
    const STOREMEM m42 = Pattern(42, 2);

    const struct
    {
        QStringList range;
        int nExit;
        QString strOut;
    } cases[] = {
        {{},
         1,
         QStringLiteral(
             "Memory 42\n\tCurr\t%1\t1.5000\n\tAMem/Volt_H\t%2\t7.2500\nMemory 99\n\tMode\t%3\tCR\n")
             .arg(static_cast<double>(m42.Curr), 0, 'f', 4)
             .arg(static_cast<double>(m42.Abc[0].Volt_H), 0, 'f', 4)
             .arg(Pattern(99, 2).Mode)},
        {{"--range", "99-99"}, 1, QStringLiteral("Memory 99\n\tMode\t%1\tCR\n").arg(Pattern(99, 2).Mode)},
        {{"--range", "0-41"}, 0, QString()},
    };
    for (const auto& c : cases) {
        const RUN r = RunCli(QStringList{"verify", strFile, sim.Resource()} + c.range);
        EXPECT_EQ(r.nExit, c.nExit) << qPrintable(c.range.join(' ')) << qPrintable(r.strErr);
        EXPECT_EQ(r.strOut, c.strOut) << qPrintable(c.range.join(' '));
        EXPECT_TRUE(r.strErr.startsWith(LoadResString(IDS_TRANSFER_COMPLETED))) << qPrintable(r.strErr);
    }
    // diff of the two files says the same.
    const RUN diff = RunCli({"diff", strFile, Path("state.xMem")});
    EXPECT_EQ(diff.strOut, cases[0].strOut);
    EXPECT_EQ(Writes(strLog), QStringList());

    // A wrong model is the usual failure, and no comparison follows.
    CSimProcess other({"--idn", "ACME,DXR-9K,TV123456,1.05"});
    const RUN wrong = RunCli({"verify", strFile, other.Resource()});
    EXPECT_EQ(wrong.nExit, 4);
    EXPECT_EQ(wrong.strOut, QString());
}

TEST_F(VerifyCliTest, VerifyOfAnUnchangedInstrumentSaysOnlyThatItCompleted)
{
    CSimProcess sim({"--state", Save("state.xMem", 3)});
    const RUN down = RunCli({"download", sim.Resource(), Path("backup.xMem")});
    ASSERT_EQ(down.nExit, 0) << qPrintable(down.strErr);
    for (const char* pszCommand : {"verify", "upload"}) {
        QStringList args{pszCommand, Path("backup.xMem"), sim.Resource()};
        if (QLatin1String(pszCommand) == QLatin1String("upload"))
            args << "--verify";
        const RUN r = RunCli(args);
        EXPECT_EQ(r.nExit, 0) << pszCommand << qPrintable(r.strErr);
        EXPECT_EQ(r.strOut, QString()) << pszCommand;
        EXPECT_EQ(r.strErr.trimmed(), LoadResString(IDS_TRANSFER_COMPLETED)) << pszCommand;
    }
    // --verify is a switch of upload alone.
    EXPECT_EQ(RunCli({"download", sim.Resource(), Path("x.xMem"), "--verify"}).nExit, 2);
    EXPECT_EQ(RunCli({"verify", Path("backup.xMem"), sim.Resource(), "--verify"}).nExit, 2);
    EXPECT_EQ(RunCli({"verify", Path("missing.xMem"), sim.Resource()}).nExit, 3);
}

TEST_F(VerifyCliTest, PartialDownloadIntoAnExistingFileChangesOnlyThoseMemories)
{
    CSimProcess sim({"--state", Save("state.xMem", 4)});
    const QString strBackup = Save("backup.xMem", 5);
    QFile::copy(strBackup, Path("before.xMem"));

    const RUN r = RunCli({"download", sim.Resource(), strBackup, "--range", "5-5"});
    EXPECT_EQ(r.nExit, 0) << qPrintable(r.strErr);
    const RUN diff = RunCli({"diff", Path("before.xMem"), strBackup});
    EXPECT_EQ(diff.nExit, 1);
    EXPECT_EQ(diff.strOut.split(QLatin1Char('\n')).filter(QRegularExpression("^Memory")),
              QStringList{"Memory 5"});
    EXPECT_EQ(RunCli({"verify", strBackup, sim.Resource(), "--range", "5-5"}).nExit, 0);

    // --into still takes the other memories from its base, whatever FILE holds.
    EXPECT_EQ(
        RunCli({"download", sim.Resource(), strBackup, "--range", "6-6", "--into", Save("base.xMem", 6)})
            .nExit,
        0);
    EXPECT_TRUE(Holds(strBackup, 6, 5, 5) && Holds(strBackup, 4, 6, 6));

    // A full download replaces the file.
    ASSERT_EQ(RunCli({"download", sim.Resource(), strBackup}).nExit, 0);
    EXPECT_EQ(RunCli({"diff", strBackup, Path("state.xMem")}).nExit, 0);
}

TEST_F(VerifyCliTest, PartialDownloadLeavesAnExistingFileWholeWhenItCannotMerge)
{
    const QString strLog = Path("sim.log");
    CSimProcess sim({"--state", Save("state.xMem", 7), "--log", strLog});
    const QByteArray garbage("not a memory file");
    const struct
    {
        QByteArray bytes;
        QStringList simArgs;
        int nExit;
    } cases[] = {
        // Merging into what cannot be read would replace it with less than it held.
        {garbage, {}, 3},
        // A transfer that does not complete writes nothing.
        {QByteArray(), {"--silent-after", "5"}, 5},
    };
    for (const auto& c : cases) {
        const QString strFile = c.bytes.isEmpty() ? Save("backup.xMem", 8) : Path("backup.xMem");
        if (!c.bytes.isEmpty()) {
            ASSERT_TRUE(WriteFileBytes(strFile, c.bytes));
        }
        const QByteArray before = FileBytes(strFile);
        std::unique_ptr<CSimProcess> pSilent;
        QString strResource = sim.Resource();
        if (!c.simArgs.isEmpty()) {
            pSilent = std::make_unique<CSimProcess>(c.simArgs);
            strResource = pSilent->Resource();
        }
        const RUN r = RunCli({"download", strResource, strFile, "--range", "10-19"});
        EXPECT_EQ(r.nExit, c.nExit) << qPrintable(r.strErr);
        EXPECT_EQ(FileBytes(strFile), before);
    }
    // The unreadable file was found out before anything was sent.
    EXPECT_FALSE(FileBytes(strLog).contains("NSEL"));
}

} // namespace
