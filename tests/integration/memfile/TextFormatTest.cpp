#include "integration/memfile/RunCli.h"
#include "model/XmlDocData.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cfloat>
#include <cmath>

namespace {

// A shell line with the build's vaultline-cli as $CLI, for pipes.
RUN RunShell(const QString& strLine, const QString& strWorkDir)
{
    return RunProgram(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), strLine}, strWorkDir,
        {{QStringLiteral("CLI"), QDir(BinaryDir()).filePath(QStringLiteral("cli/vaultline-cli"))}});
}

// The part of JSON Schema that the shipped schema uses: type, enum, anyOf,
// $ref into $defs, properties, required, additionalProperties: false, items,
// maxItems, minimum and maximum. An empty result means the value fits.
QString Validate(const QJsonObject& schema, const QJsonValue& value, const QJsonObject& root,
                 const QString& strAt)
{
    if (schema.contains("$ref")) {
        const QString strName = schema["$ref"].toString().section('/', -1);
        return Validate(root["$defs"].toObject()[strName].toObject(), value, root, strAt);
    }
    if (schema.contains("anyOf")) {
        for (const QJsonValue& alternative : schema["anyOf"].toArray()) {
            if (Validate(alternative.toObject(), value, root, strAt).isEmpty())
                return {};
        }
        return strAt + ": matches no alternative";
    }
    if (schema.contains("enum") && !schema["enum"].toArray().contains(value))
        return strAt + ": not one of the listed values";
    const QString strType = schema["type"].toString();
    const bool bInteger = value.isDouble() && std::floor(value.toDouble()) == value.toDouble();
    if ((strType == "object" && !value.isObject()) || (strType == "array" && !value.isArray()) ||
        (strType == "string" && !value.isString()) || (strType == "boolean" && !value.isBool()) ||
        (strType == "number" && !value.isDouble()) || (strType == "integer" && !bInteger))
        return strAt + ": not of type " + strType;
    if (schema.contains("minimum") && value.toDouble() < schema["minimum"].toDouble())
        return strAt + ": below the minimum";
    if (schema.contains("maximum") && value.toDouble() > schema["maximum"].toDouble())
        return strAt + ": above the maximum";
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        if (schema.contains("maxItems") && array.size() > schema["maxItems"].toInt())
            return strAt + ": too many items";
        for (int i = 0; i < array.size(); ++i) {
            const QString strWhy =
                Validate(schema["items"].toObject(), array[i], root, strAt + "[" + QString::number(i) + "]");
            if (!strWhy.isEmpty())
                return strWhy;
        }
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        const QJsonObject properties = schema["properties"].toObject();
        for (const QJsonValue& required : schema["required"].toArray()) {
            if (!object.contains(required.toString()))
                return strAt + ": lacks " + required.toString();
        }
        for (auto it = object.begin(); it != object.end(); ++it) {
            if (!properties.contains(it.key())) {
                if (schema["additionalProperties"] == QJsonValue(false))
                    return strAt + ": unexpected " + it.key();
                continue;
            }
            const QString strWhy =
                Validate(properties[it.key()].toObject(), it.value(), root, strAt + "." + it.key());
            if (!strWhy.isEmpty())
                return strWhy;
        }
    }
    return {};
}

class TextFormat : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Dir.isValid());
        CXmlDocData memos;
        memos.Reset();
        const char* const texts[] = {
            "Load, slow", "say \"hi\"", "line one\r\nline two", "Grüße, 電源 ✓", "\"quoted\",\r\n\"again\"",
            "tab\there",  " spaces ",   "back\\slash"};
        int i = 0;
        for (const char* psz : texts) {
            STOREMEM& m = *memos.GetContainer().GetAt(i++);
            m.Memo = QString::fromUtf8(psz);
            m.Mode = QString::fromUtf8(psz);
        }
        ASSERT_TRUE(memos.Save(Path("memos.xMem")));

        CXmlDocData extreme;
        extreme.Reset();
        STOREMEM& a = *extreme.GetContainer().GetAt(0);
        a.Curr = FLT_MAX;
        a.Pow = -FLT_MAX;
        a.Volt = FLT_MIN;
        a.Cond = 1e-7f;
        a.CurrProtect = std::nanf("");
        a.PowProtect = INFINITY;
        a.VoltProtect = -INFINITY;
        a.SoftStartTime = -0.0f;
        a.CountTime = 5;
        a.Response = -32768;
        a.Abc[2].Cond_H = 0.123457f;
        a.Abc[1].Volt_M = 16777217.0f;
        STOREMEM& b = *extreme.GetContainer().GetAt(99);
        b.Response = 70000; // the file keeps the low 16 bits
        b.InputTime = 123456.789f;
        b.Abc[0].Curr_L = -1e-5f;
        ASSERT_TRUE(extreme.Save(Path("extreme.xMem")));
    }
    QString Path(const char* psz) const { return m_Dir.filePath(QString::fromUtf8(psz)); }

    QTemporaryDir m_Dir;
};

TEST_F(TextFormat, ExportThenImportGivesTheOriginalFileForJsonAndCsv)
{
    const QString strExample = QDir(FixturePath(QString())).filePath("../../examples/bench-setup.xMem");
    const QStringList files{strExample, Path("memos.xMem"), Path("extreme.xMem")};
    for (const QString& strFile : files) {
        for (const char* pszFormat : {"json", "csv"}) {
            SCOPED_TRACE(strFile.toStdString() + " " + pszFormat);
            const QString strText = Path("out.") + pszFormat;
            RUN run = RunCli({"export", strFile, "--format", pszFormat, "--output", strText});
            ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
            run = RunCli({"import", strText, "--output", Path("back.xMem")}); // format from the name
            ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
            EXPECT_EQ(FileBytes(Path("back.xMem")), FileBytes(strFile));
            QFile::remove(Path("back.xMem"));
        }
        // The same through pipes, "-" on both sides.
        const RUN run =
            RunShell(QStringLiteral("\"$CLI\" export \"%1\" --format csv | \"$CLI\" import - --format csv "
                                    "--output - | cmp - \"%1\"")
                         .arg(strFile),
                     m_Dir.path());
        EXPECT_EQ(run.nExit, 0) << run.strErr.toStdString() << run.strOut.toStdString();
    }
}

TEST_F(TextFormat, JsonHasOneValuePerLineWithTheFilePrecisionAndFitsTheShippedSchema)
{
    const RUN run = RunCli({"export", Path("extreme.xMem"), "--output", "-"});
    ASSERT_EQ(run.nExit, 0) << run.strErr.toStdString();
    const QStringList lines = run.strOut.split('\n');
    EXPECT_EQ(lines.filter(QRegularExpression("^      \"Curr\": ")).size(), 100);
    EXPECT_TRUE(lines.contains("      \"Curr\": 340282346638528859811704183484516925440.0000,"));
    EXPECT_TRUE(lines.contains("      \"CurrProtect\": \"NAN\","));
    EXPECT_TRUE(lines.contains("      \"PowProtect\": \"inf\","));
    EXPECT_TRUE(lines.contains("      \"Cond\": 0.000000,"));
    EXPECT_TRUE(lines.contains("      \"CountTime\": true,"));
    EXPECT_TRUE(lines.contains("      \"Response\": 4464,"));
    EXPECT_TRUE(lines.contains("        \"Cond_H\": 0.123457,"));
    for (const QString& line : lines)
        EXPECT_LE(line.count(':'), 1) << line.toStdString();

    QJsonParseError error;
    const QJsonObject schema =
        QJsonDocument::fromJson(
            FileBytes(QDir(FixturePath(QString())).filePath("../../docs/memories.schema.json")), &error)
            .object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    ASSERT_FALSE(schema.isEmpty());
    for (const char* pszFile : {"extreme.xMem", "memos.xMem"}) {
        const QJsonDocument doc =
            QJsonDocument::fromJson(RunCli({"export", Path(pszFile)}).strOut.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
        EXPECT_EQ(Validate(schema, doc.object(), schema, "$"), QString());
    }
    // The validator does refuse what the schema forbids.
    const QJsonObject bad =
        QJsonDocument::fromJson(R"({"Memories": [{"Index": 3, "Curr": "1.5"}]})").object();
    EXPECT_EQ(Validate(schema, bad, schema, "$"), "$.Memories[0].Curr: matches no alternative");
}

struct BADINPUT
{
    const char* pszName;
    const char* pszText;
    const char* pszMessage;
};

TEST_F(TextFormat, ImportRefusesFaultyInputNamingTheLineAndWritesNothing)
{
    // clang-format off
    const BADINPUT cases[] = {
        {"a.json", "{\"Memories\": [\n{\"Index\": 1,\n\"Cur\": 2}]}", "line 3: unknown field 'Cur'."},
        {"b.json", "{\"Memories\": [\n{\"Index\": 1,\n\"Curr\": \"2\"}]}", "line 3: Curr needs a number"},
        {"c.json", "{\"Memories\": [\n{\"Index\": 100}]}", "line 2: Index '100' is not a store memory number"},
        {"d.json", "{\"Memories\": [\n{\"Index\": 4},\n{\"Index\": 4}]}", "line 3: memory 4 is given twice (first on line 2)."},
        {"e.json", "{\"Memories\": [\n{\"Index\": 4,\n\"Memo\": \"x\",}]}", "line 3: this is not valid JSON."},
        {"f.json", "{\"Memories\": [\n{\"Index\": 4,\n\"CountTime\": 1}]}", "line 3: CountTime needs true or false"},
        {"g.json", "{\"Memories\": [\n{\"Index\": 4,\n\"AMem\": {\"Curr_X\": 1}}]}", "line 3: unknown field 'AMem/Curr_X'."},
        {"h.json", "{\"Memories\": [\n{\"Index\": 4,\n\"Memo\": 7}]}", "line 3: Memo needs a text"},
        {"i.json", "{\"Memories\": [{\"Index\": 4}],\n\"Extra\": 1}", "line 2: unknown field 'Extra'."},
        {"j.json", "{\"Memories\": [\n{\"Memo\": \"x\"}]}", "line 2: a memory without its Index."},
        {"k.json", "[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[[",
                   "line 1: this is not valid JSON."},
        {"a.csv", "Index,Memo,Curr\r\n1,x,2\r\n3,y,4,5\r\n", "line 3: 4 cells, but the header has 3."},
        {"b.csv", "Index,Memo,Currr\r\n", "line 1: unknown field 'Currr'."},
        {"c.csv", "Index,Memo\r\n1,\"a\r\nb\"\r\n1,c\r\n", "line 4: memory 1 is given twice (first on line 2)."},
        {"d.csv", "Index,Memo\r\n1,\"open\r\n", "line 2: this is not valid CSV"},
        {"e.csv", "Index,Response\r\n1,40000\r\n", "line 2: Response needs a whole number from -32768 to 32767."},
        {"f.csv", "Index,CountTime\r\n-1,YES\r\n", "line 2: Index '-1' is not a store memory number"},
        {"g.csv", "Index,Memo,Memo\r\n", "line 1: field 'Memo' is given twice."},
    };
    // clang-format on
    for (const BADINPUT& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_TRUE(WriteFileBytes(Path(c.pszName), c.pszText) && WriteFileBytes(Path("keep.xMem"), "kept"));
        const RUN run = RunCli({"import", Path(c.pszName), "--output", Path("keep.xMem")});
        EXPECT_EQ(run.nExit, 3);
        EXPECT_TRUE(run.strErr.contains(c.pszMessage)) << run.strErr.toStdString();
        EXPECT_TRUE(run.strErr.contains("Nothing was written to")) << run.strErr.toStdString();
        EXPECT_EQ(FileBytes(Path("keep.xMem")), "kept");
    }
}

TEST_F(TextFormat, ImportTakesPartialInputAndDefaultsTheRest)
{
    ASSERT_TRUE(WriteFileBytes(Path("p.json"),
                               R"({"Memories": [{"Index": 7, "Memo": "only", "AMem": {"Volt_H": 1e2}}]})"));
    ASSERT_EQ(RunCli({"import", Path("p.json"), "--output", Path("p.xMem")}).nExit, 0);
    CXmlDocData data;
    data.Reset();
    ASSERT_TRUE(data.Load(Path("p.xMem")));
    EXPECT_EQ(data.GetContainer().GetAt(7)->Memo, "only");
    EXPECT_EQ(data.GetContainer().GetAt(7)->Abc[0].Volt_H, 100.0f);
    EXPECT_EQ(data.GetContainer().GetAt(7)->Mode, "CC");
    EXPECT_EQ(data.GetContainer().GetAt(8)->Memo, "");
}

TEST_F(TextFormat, DashMeansTheStandardStreamsAndStandardInputIsBounded)
{
    const QString strFile = Path("memos.xMem");
    RUN run = RunShell(
        QStringLiteral("\"$CLI\" show - < \"%1\" > a && \"$CLI\" show \"%1\" > b && cmp a b").arg(strFile),
        m_Dir.path());
    EXPECT_EQ(run.nExit, 0) << run.strErr.toStdString();
    run = RunShell(QStringLiteral("\"$CLI\" diff - \"%1\" < \"%1\"").arg(strFile), m_Dir.path());
    EXPECT_EQ(run.nExit, 0) << run.strErr.toStdString();
    run = RunShell(
        QStringLiteral("\"$CLI\" copy \"%1\" 2 0 --output - > c && \"$CLI\" diff \"%1\" c").arg(strFile),
        m_Dir.path());
    EXPECT_EQ(run.nExit, 1);
    EXPECT_TRUE(run.strOut.startsWith("Memory 0\n\tMemo\tLoad, slow\tline one\\nline two\n"))
        << run.strOut.toStdString();

    for (const char* pszCommand : {"show -", "import - --output big.xMem", "diff - x"}) {
        run = RunShell(QStringLiteral("head -c 40000000 /dev/zero | \"$CLI\" %1").arg(pszCommand),
                       m_Dir.path());
        EXPECT_EQ(run.nExit, 3) << pszCommand;
        EXPECT_TRUE(run.strErr.contains("larger than 32 MB")) << run.strErr.toStdString();
    }
    EXPECT_FALSE(QFile::exists(Path("big.xMem")));
}

TEST_F(TextFormat, JsonOnShowAndDiffCarriesWhatTheTextFormShows)
{
    const QString strFile = Path("memos.xMem");
    const QStringList text =
        RunCli({"show", strFile, "--memory", "2"}).strOut.split('\n', Qt::SkipEmptyParts);
    const RUN show = RunCli({"show", strFile, "--memory", "2", "--json"});
    ASSERT_EQ(show.nExit, 0);
    const QJsonArray memories = QJsonDocument::fromJson(show.strOut.toUtf8()).array();
    ASSERT_EQ(memories.size(), 1);
    EXPECT_EQ(memories.at(0).toObject().value("Memory"), QJsonValue(2));
    const QJsonArray rows = memories.at(0).toObject().value("Rows").toArray();
    ASSERT_EQ(rows.size(), text.size());
    for (int r = 0; r < rows.size(); ++r) {
        QStringList cells;
        for (const QJsonValue& cell : rows.at(r).toArray())
            cells.append(QString(cell.toString()).replace("\r\n", "\\n").replace("\t", "\\t"));
        EXPECT_EQ(cells.join('\t'), text[r]);
    }
    EXPECT_EQ(QJsonDocument::fromJson(RunCli({"show", strFile, "--json"}).strOut.toUtf8()).array().size(),
              100);

    const RUN diff = RunCli({"diff", strFile, Path("extreme.xMem"), "--json"});
    EXPECT_EQ(diff.nExit, 1);
    const QJsonArray differences = QJsonDocument::fromJson(diff.strOut.toUtf8()).array();
    const QString strText = RunCli({"diff", strFile, Path("extreme.xMem")}).strOut;
    EXPECT_EQ(differences.size(), strText.count('\n') - strText.count("Memory "));
    EXPECT_EQ(differences.at(0).toObject(),
              QJsonObject({{"Memory", 0}, {"Field", "Memo"}, {"A", "Load, slow"}, {"B", ""}}));
    const RUN same = RunCli({"diff", strFile, strFile, "--json"});
    EXPECT_EQ(same.nExit, 0);
    EXPECT_EQ(same.strOut.trimmed(), "[\n]");
}

} // namespace
