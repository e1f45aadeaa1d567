#include "integration/memfile/RunCli.h"
#include "model/XmlDocData.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <functional>

namespace {

// The user's own git settings must not change what the test sees.
RUN Git(const QStringList& args, const QString& strRepo)
{
    return RunProgram(QStringLiteral("git"), args, strRepo,
                      {{QStringLiteral("GIT_CONFIG_GLOBAL"), QStringLiteral("/dev/null")},
                       {QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1")}});
}

struct CHANGE
{
    int nMemory;
    std::function<void(STOREMEM&)> change;
    const char* pszBefore; // the line of the value in the JSON form
    const char* pszAfter;
};

// The documented setup, in a real repository: each commit changes one value
// of a different kind, and git diff of the commit shows that value alone.
TEST(GitDiff, TheDocumentedTextconvShowsOnlyTheChangedValue)
{
    if (QStandardPaths::findExecutable(QStringLiteral("git")).isEmpty())
        GTEST_SKIP() << "git is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strRepo = dir.path();
    const QString strCli = QDir(BinaryDir()).filePath(QStringLiteral("cli/vaultline-cli"));
    ASSERT_EQ(Git({"init", "-q", "."}, strRepo).nExit, 0);
    Git({"config", "user.email", "bench@example.invalid"}, strRepo);
    Git({"config", "user.name", "Bench"}, strRepo);
    Git({"config", "diff.vaultline.textconv", "\"" + strCli + "\" export --format json --output -"}, strRepo);
    Git({"config", "diff.vaultline.xfuncname", "\"Index\": [0-9]+"}, strRepo);
    ASSERT_TRUE(WriteFileBytes(QDir(strRepo).filePath(".gitattributes"), "*.xMem diff=vaultline\n"));

    CXmlDocData data;
    data.Reset();
    data.GetContainer().GetAt(40)->Memo = QStringLiteral("first");
    const QString strFile = QDir(strRepo).filePath("bench.xMem");
    ASSERT_TRUE(data.Save(strFile));
    ASSERT_EQ(Git({"add", "."}, strRepo).nExit, 0);
    ASSERT_EQ(Git({"commit", "-q", "-m", "first"}, strRepo).nExit, 0);

    // clang-format off
    const CHANGE changes[] = {
        {40, [](STOREMEM& m) { m.Memo = QStringLiteral("Batt, \"cold\"\r\nsecond line"); },
         "      \"Memo\": \"first\",", "      \"Memo\": \"Batt, \\\"cold\\\"\\r\\nsecond line\","},
        {3, [](STOREMEM& m) { m.Mode = QStringLiteral("CR"); }, "      \"Mode\": \"CC\",", "      \"Mode\": \"CR\","},
        {99, [](STOREMEM& m) { m.Curr = 1.5f; }, "      \"Curr\": 0.0000,", "      \"Curr\": 1.5000,"},
        {0, [](STOREMEM& m) { m.Cond = 0.000125f; }, "      \"Cond\": 0.000000,", "      \"Cond\": 0.000125,"},
        {5, [](STOREMEM& m) { m.CountTime = 1; }, "      \"CountTime\": false,", "      \"CountTime\": true,"},
        {6, [](STOREMEM& m) { m.Response = -2; }, "      \"Response\": 0,", "      \"Response\": -2,"},
        {7, [](STOREMEM& m) { m.Abc[1].Volt_M = 12.0f; }, "        \"Volt_M\": 0.0000,", "        \"Volt_M\": 12.0000,"},
        {8, [](STOREMEM& m) { m.Abc[2].Cond_H = 0.000001f; }, "        \"Cond_H\": 0.000000,", "        \"Cond_H\": 0.000001,"},
    };
    // clang-format on
    for (const CHANGE& c : changes) {
        SCOPED_TRACE(c.pszAfter);
        c.change(*data.GetContainer().GetAt(c.nMemory));
        ASSERT_TRUE(data.Save(strFile));
        ASSERT_EQ(Git({"commit", "-q", "-a", "-m", "change"}, strRepo).nExit, 0);
        const RUN run = Git({"diff", "HEAD~1", "HEAD"}, strRepo);
        ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
        // The memory of the change is the last Index before it: in the hunk
        // header (xfuncname) or, close to the start of a memory, in the context.
        QStringList changed;
        QString strIndex;
        const QRegularExpression index(QStringLiteral("\"Index\": ([0-9]+)"));
        for (const QString& line : run.strOut.split('\n')) {
            if ((line.startsWith('-') && !line.startsWith("---")) ||
                (line.startsWith('+') && !line.startsWith("+++"))) {
                changed.append(line);
                continue;
            }
            const QRegularExpressionMatch match = index.match(line);
            if (changed.isEmpty() && match.hasMatch())
                strIndex = match.captured(1);
        }
        EXPECT_EQ(changed, QStringList({QStringLiteral("-") + c.pszBefore, QStringLiteral("+") + c.pszAfter}))
            << run.strOut.toStdString();
        EXPECT_EQ(strIndex, QString::number(c.nMemory)) << run.strOut.toStdString();
    }
    // git log -p goes through the same conversion.
    const RUN log = Git({"log", "-p", "-1"}, strRepo);
    EXPECT_TRUE(log.strOut.contains("+        \"Cond_H\": 0.000001,")) << log.strOut.toStdString();
}

} // namespace
