#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "tests/unit/document/FakeDocumentUi.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

namespace {

// Distinct contents for a record, so that every record of a file differs.
void Mark(STOREMEM& m, int nSeed)
{
    m.Memo = QStringLiteral("Memory %1").arg(nSeed);
    m.Mode = nSeed % 2 ? QStringLiteral("CV") : QStringLiteral("CP");
    m.Crange = QStringLiteral("LOW");
    m.Curr = static_cast<float>(nSeed) * 0.25f;
    m.Volt = static_cast<float>(nSeed) + 0.5f;
    m.Response = nSeed % 1000;
    m.CountTime = nSeed % 2;
    m.Abc[2].Volt_M = static_cast<float>(nSeed) * 0.125f;
}

STOREMEM Marked(int nSeed)
{
    STOREMEM m;
    Mark(m, nSeed);
    return m;
}

::testing::AssertionResult SameRecord(const STOREMEM& a, const STOREMEM& b)
{
    const bool bSame = a.Memo == b.Memo && a.Mode == b.Mode && a.Crange == b.Crange && a.Vrange == b.Vrange &&
                       a.CurrProtectAction == b.CurrProtectAction &&
                       a.PowProtectAction == b.PowProtectAction && a.Curr == b.Curr &&
                       a.CurrProtect == b.CurrProtect && a.Pow == b.Pow && a.PowProtect == b.PowProtect &&
                       a.Volt == b.Volt && a.VoltProtect == b.VoltProtect && a.Cond == b.Cond &&
                       a.SoftStartTime == b.SoftStartTime && a.CountTime == b.CountTime &&
                       a.Response == b.Response && a.SlewRate == b.SlewRate && a.PulseFreq == b.PulseFreq &&
                       a.PulseDuty == b.PulseDuty && a.InputTime == b.InputTime &&
                       std::memcmp(a.Abc, b.Abc, sizeof(a.Abc)) == 0;
    if (bSame)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "records differ: memo \"" << a.Memo.toStdString() << "\" vs \"" << b.Memo.toStdString() << "\"";
}

// A message box text: the system's message, then the reason after a blank line.
QString Headline(const QString& strMessage)
{
    return strMessage.section(QStringLiteral("\n\n"), 0, 0);
}

QString Reason(const QString& strMessage)
{
    return strMessage.section(QStringLiteral("\n\n"), 1);
}

QByteArray FileBytes(const QString& strPath)
{
    QFile f(strPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class NoResourceManager : public IResourceManager
{
public:
    QStringList FindRsrc(const QString&) override { return {}; }
    std::shared_ptr<IVisaSession> Open(const QString&, int, long, const QString&) override { return nullptr; }
};

CVaultlineDoc::ResourceManagerFactory WithoutVisa()
{
    return [] { return std::shared_ptr<IResourceManager>(); };
}

class Document : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pDoc = std::make_unique<CVaultlineDoc>(m_ui, WithoutVisa());
        ASSERT_TRUE(m_pDoc->OnNewDocument());
    }

    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    // A memory file whose record i is Marked(nFirstSeed + i).
    QString WriteMemoryFile(const char* pszName, int nFirstSeed) const
    {
        CXmlDocData data;
        data.Reset();
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
            Mark(*data.GetContainer().GetAt(i), nFirstSeed + i);
        const QString strPath = Path(pszName);
        EXPECT_TRUE(data.Save(strPath)) << strPath.toStdString();
        return strPath;
    }

    // Every record of the file at strPath is Marked(nFirstSeed + i).
    static void ExpectFileHolds(const QString& strPath, int nFirstSeed)
    {
        CXmlDocData data;
        data.Reset();
        ASSERT_TRUE(data.Load(strPath)) << strPath.toStdString();
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
            EXPECT_TRUE(SameRecord(*data.GetContainer().GetAt(i), Marked(nFirstSeed + i))) << "record " << i;
    }

    void ExpectDocumentHolds(int nFirstSeed)
    {
        ASSERT_EQ(m_pDoc->GetData().GetContainer().GetCount(), 100);
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
            EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(i), Marked(nFirstSeed + i))) << "record " << i;
    }

    // A change as a download or a paste makes it.
    void ChangeRecord5()
    {
        Mark(*m_pDoc->GetAt(5), 777);
        m_pDoc->SetModifiedFlag();
    }

    // Opens a file with the document, as at start-up or after File Open.
    QString OpenFile(const char* pszName, int nFirstSeed)
    {
        const QString strPath = WriteMemoryFile(pszName, nFirstSeed);
        EXPECT_TRUE(m_pDoc->OnOpenDocument(strPath));
        return strPath;
    }

    QString Untitled() const { return QStringLiteral("Untitled"); }

    QTemporaryDir m_dir;
    CFakeDocumentUi m_ui; // outlives the document
    std::unique_ptr<CVaultlineDoc> m_pDoc;
};

TEST_F(Document, ConstructionHoldsOneHundredDefaultsAndSurvivesAMissingResourceManager)
{
    auto pManager = std::make_shared<NoResourceManager>();
    CVaultlineDoc withVisa(m_ui, [pManager] { return pManager; });
    EXPECT_EQ(withVisa.GetResourceManager(), pManager);
    EXPECT_FALSE(withVisa.HasCopyBuffer());
    ASSERT_EQ(withVisa.GetData().GetContainer().GetCount(), 100);
    EXPECT_TRUE(SameRecord(*withVisa.GetAt(99), STOREMEM()));
    EXPECT_EQ(withVisa.GetAt(100), nullptr);

    CVaultlineDoc failing(m_ui, []() -> std::shared_ptr<IResourceManager> {
        throw _com_error(E_POINTER, QStringLiteral("no VISA library"));
    });
    EXPECT_EQ(failing.GetResourceManager(), nullptr);
    EXPECT_EQ(failing.GetData().GetContainer().GetCount(), 100);

    // Without a factory the system's providers are asked; the built-in one
    // always answers.
    qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
    CVaultlineDoc builtin(m_ui);
    qunsetenv("VAULTLINE_VISA_PROVIDER");
    EXPECT_NE(builtin.GetResourceManager(), nullptr);
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
}

TEST_F(Document, FileDialogsCarryTheMemoryFileFilterAndFlags)
{
    m_ui.m_paths = {QString(), QString()};
    m_pDoc->OnFileOpen();
    m_pDoc->OnFileSaveAs();
    ASSERT_EQ(m_ui.m_dialogs.size(), 2u);
    for (const FILEDIALOG& dlg : m_ui.m_dialogs) {
        EXPECT_EQ(dlg.strFilterName, "Vaultline File (*.xMem)");
        EXPECT_EQ(dlg.strFilterPattern, "*.xMem");
        EXPECT_EQ(dlg.strDefaultExt, "xMem");
        EXPECT_EQ(dlg.strInitialName, "*.xMem");
        EXPECT_TRUE(dlg.bHideReadOnly);
    }
    const FILEDIALOG& open = m_ui.m_dialogs[0];
    EXPECT_EQ(open.eKind, FILEDIALOG::Open);
    EXPECT_TRUE(open.bFileMustExist);
    EXPECT_FALSE(open.bOverwritePrompt);
    const FILEDIALOG& save = m_ui.m_dialogs[1];
    EXPECT_EQ(save.eKind, FILEDIALOG::Save);
    EXPECT_TRUE(save.bPathMustExist);
    EXPECT_TRUE(save.bOverwritePrompt);
    EXPECT_FALSE(save.bFileMustExist);
}

class SaveOfNewDocument : public Document, public ::testing::WithParamInterface<bool>
{
};

TEST_P(SaveOfNewDocument, AlwaysAsksForANameAndCancellingChangesNothing)
{
    if (GetParam())
        ChangeRecord5();
    m_ui.m_paths = {QString()};
    m_pDoc->OnFileSave();
    ASSERT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_EQ(m_ui.m_dialogs[0].eKind, FILEDIALOG::Save);
    EXPECT_EQ(m_pDoc->IsModified(), GetParam());
    EXPECT_EQ(m_pDoc->GetTitle(), Untitled());
    EXPECT_TRUE(m_pDoc->IsNewDocument());
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(ModifiedOrNot, SaveOfNewDocument, ::testing::Bool());

// File New on a modified document, for each way the user can answer.
struct NEWCASE
{
    const char* pszName;
    IDocumentUi::EAnswer eAnswer;
    const char* pszSavePath; // the Save dialog's answer; null when no dialog may show
    bool bReset;
};

void PrintTo(const NEWCASE& c, std::ostream* os)
{
    *os << c.pszName;
}

class NewOnModified : public Document, public ::testing::WithParamInterface<NEWCASE>
{
};

TEST_P(NewOnModified, FollowsTheAnswer)
{
    const NEWCASE& c = GetParam();
    ChangeRecord5();
    m_ui.m_answers = {c.eAnswer};
    if (c.pszSavePath)
        m_ui.m_paths = {*c.pszSavePath ? Path(c.pszSavePath) : QString()};
    const int nUpdates = m_ui.m_nInitialUpdates;

    m_pDoc->OnFileNew();

    ASSERT_EQ(m_ui.m_prompts.size(), 1);
    EXPECT_EQ(m_ui.m_prompts[0], "Save changes to Untitled?");
    EXPECT_EQ(m_ui.m_nPromptHelp, 61699u);
    EXPECT_TRUE(m_ui.m_paths.empty());
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
    if (c.bReset) {
        for (int i = 0; i < 100; ++i)
            EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(i), STOREMEM())) << "record " << i;
        EXPECT_FALSE(m_pDoc->IsModified());
        EXPECT_EQ(m_pDoc->GetTitle(), Untitled());
        EXPECT_TRUE(m_pDoc->IsNewDocument());
        EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates + 1);
    } else {
        EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), Marked(777)));
        EXPECT_TRUE(m_pDoc->IsModified());
        EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates);
    }
    if (c.pszSavePath && *c.pszSavePath) {
        CXmlDocData saved;
        saved.Reset();
        ASSERT_TRUE(saved.Load(Path(c.pszSavePath)));
        EXPECT_TRUE(SameRecord(*saved.GetContainer().GetAt(5), Marked(777)));
        // The stored path stays, but the next Save asks again.
        EXPECT_EQ(m_pDoc->GetPathName(), Path(c.pszSavePath));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, NewOnModified,
                         ::testing::Values(NEWCASE{"No", IDocumentUi::No, nullptr, true},
                                           NEWCASE{"Cancel", IDocumentUi::Cancel, nullptr, false},
                                           NEWCASE{"YesSaveCancelled", IDocumentUi::Yes, "", false},
                                           NEWCASE{"YesSaved", IDocumentUi::Yes, "kept.xMem", true}),
                         [](const auto& row) { return std::string(row.param.pszName); });

TEST_F(Document, UnmodifiedDocumentNeverPromptsOnNewOpenOrClose)
{
    const QString strA = OpenFile("a.xMem", 0);
    m_pDoc->OnFileNew();
    m_ui.m_paths = {strA};
    m_pDoc->OnFileOpen();
    EXPECT_TRUE(m_pDoc->SaveModified());
    EXPECT_TRUE(m_ui.m_prompts.isEmpty());
    ExpectDocumentHolds(0);
}

TEST_F(Document, OpenOfAFileThatIsNotXmlReportsThePathAndChangesNothing)
{
    const QString strA = OpenFile("a.xMem", 0);
    ChangeRecord5();
    const QString strBad = Path("notes.xMem");
    {
        QFile f(strBad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("Store memories, written by hand\n0: CC HIGH\n");
    }
    const int nUpdates = m_ui.m_nInitialUpdates;
    m_ui.m_answers = {IDocumentUi::No};
    m_ui.m_paths = {strBad};

    m_pDoc->OnFileOpen();

    ASSERT_EQ(m_ui.m_messages.size(), 1);
    EXPECT_EQ(Headline(m_ui.m_messages[0]), QStringLiteral("The file %1 could not be read.").arg(strBad));
    EXPECT_FALSE(Reason(m_ui.m_messages[0]).isEmpty()) << "the parser's words follow the message";
    EXPECT_EQ(m_pDoc->GetTitle(), "a.xMem");
    EXPECT_EQ(m_pDoc->GetPathName(), strA);
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_FALSE(m_pDoc->IsNewDocument());
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), Marked(777)));
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(6), Marked(6)));
    EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates);
    EXPECT_EQ(m_ui.m_recent, QStringList{strA});
}

TEST_F(Document, MissingFileNamedRelativelyIsReportedWithItsFullPath)
{
    const QString strOld = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    const bool bOpened = m_pDoc->OnOpenDocument(QStringLiteral("missing.xMem"));
    QDir::setCurrent(strOld);
    EXPECT_FALSE(bOpened);
    ASSERT_EQ(m_ui.m_messages.size(), 1);
    EXPECT_EQ(Headline(m_ui.m_messages[0]),
              QStringLiteral("The file %1 could not be read.").arg(Path("missing.xMem")));
    EXPECT_EQ(m_pDoc->GetTitle(), Untitled());
    EXPECT_TRUE(m_pDoc->IsNewDocument());
}

TEST_F(Document, AfterNewFollowingAnOpenSaveAsksForANameAgain)
{
    const QString strA = OpenFile("a.xMem", 0);
    const QByteArray before = FileBytes(strA);
    m_pDoc->OnFileNew();
    EXPECT_EQ(m_pDoc->GetPathName(), strA) << "the old path stays stored";

    m_ui.m_paths = {QString()};
    m_pDoc->OnFileSave();
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_EQ(FileBytes(strA), before);
}

TEST_F(Document, FileOpenedAtStartShowsAllMemoriesAndSavingAtOnceWritesAllBack)
{
    const QString strA = WriteMemoryFile("start.xMem", 1000);
    CVaultlineDoc doc(m_ui, WithoutVisa());
    ASSERT_TRUE(doc.OnOpenDocument(strA));
    m_pDoc.reset();
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(SameRecord(*doc.GetAt(i), Marked(1000 + i))) << "record " << i;
    EXPECT_EQ(doc.GetTitle(), "start.xMem");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(doc.IsNewDocument());
    EXPECT_EQ(m_ui.m_recent.last(), strA);

    ASSERT_TRUE(QFile::remove(strA));
    doc.OnFileSave();
    EXPECT_TRUE(m_ui.m_dialogs.empty()) << "a file bound to the document is saved without asking";
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
    ExpectFileHolds(strA, 1000);
}

TEST_F(Document, SaveAsBindsTheDocumentToTheNewFile)
{
    ChangeRecord5();
    m_ui.m_paths = {Path("b.xMem")};
    m_pDoc->OnFileSaveAs();
    EXPECT_FALSE(m_pDoc->IsModified());
    EXPECT_FALSE(m_pDoc->IsNewDocument());
    EXPECT_EQ(m_pDoc->GetTitle(), "b.xMem");
    EXPECT_EQ(m_pDoc->GetPathName(), Path("b.xMem"));
    EXPECT_EQ(m_ui.m_recent, QStringList{Path("b.xMem")});

    // Now bound: the prompt names the file, and Yes saves without a dialog.
    Mark(*m_pDoc->GetAt(7), 888);
    m_pDoc->SetModifiedFlag();
    m_ui.m_answers = {IDocumentUi::Yes};
    EXPECT_TRUE(m_pDoc->SaveModified());
    EXPECT_EQ(m_ui.m_prompts, QStringList{QStringLiteral("Save changes to b.xMem?")});
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    CXmlDocData saved;
    saved.Reset();
    ASSERT_TRUE(saved.Load(Path("b.xMem")));
    EXPECT_TRUE(SameRecord(*saved.GetContainer().GetAt(7), Marked(888)));
}

// A form holding an out-of-range value stops every way of saving, silently:
// the form itself has beeped and selected the field.
struct BLOCKEDCASE
{
    const char* pszName;
    void (*pfnRun)(CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString& strOther);
};

void PrintTo(const BLOCKEDCASE& c, std::ostream* os)
{
    *os << c.pszName;
}

class InvalidForm : public Document, public ::testing::WithParamInterface<BLOCKEDCASE>
{
};

TEST_P(InvalidForm, BlocksSaving)
{
    const QString strA = OpenFile("a.xMem", 0);
    const QString strOther = Path("other.xMem");
    ChangeRecord5();
    const QByteArray before = FileBytes(strA);
    m_ui.m_bFormValid = false;

    GetParam().pfnRun(*m_pDoc, m_ui, strOther);

    EXPECT_GT(m_ui.m_nValidations, 0);
    EXPECT_EQ(FileBytes(strA), before);
    EXPECT_FALSE(QFile::exists(strOther));
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->GetPathName(), strA);
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), Marked(777)));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, InvalidForm,
    ::testing::Values(BLOCKEDCASE{"Save",
                                  [](CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString&) {
                                      doc.OnFileSave();
                                      EXPECT_TRUE(ui.m_dialogs.empty());
                                  }},
                      BLOCKEDCASE{"SaveAs",
                                  [](CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString& strOther) {
                                      ui.m_paths = {strOther};
                                      doc.OnFileSaveAs();
                                  }},
                      BLOCKEDCASE{"YesOnNew",
                                  [](CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString&) {
                                      ui.m_answers = {IDocumentUi::Yes};
                                      doc.OnFileNew();
                                  }},
                      BLOCKEDCASE{"YesOnOpen",
                                  [](CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString&) {
                                      ui.m_answers = {IDocumentUi::Yes};
                                      doc.OnFileOpen();
                                      EXPECT_TRUE(ui.m_dialogs.empty());
                                  }},
                      BLOCKEDCASE{"YesOnClose",
                                  [](CVaultlineDoc& doc, CFakeDocumentUi& ui, const QString&) {
                                      ui.m_answers = {IDocumentUi::Yes};
                                      EXPECT_FALSE(doc.SaveModified()) << "the window stays open";
                                  }}),
    [](const auto& row) { return std::string(row.param.pszName); });

struct CLOSECASE
{
    const char* pszName;
    bool bModified;
    IDocumentUi::EAnswer eAnswer;
    bool bCloses;
};

void PrintTo(const CLOSECASE& c, std::ostream* os)
{
    *os << c.pszName;
}

class Close : public Document, public ::testing::WithParamInterface<CLOSECASE>
{
};

TEST_P(Close, AsksOnlyWhenModifiedAndFollowsTheAnswer)
{
    const CLOSECASE& c = GetParam();
    OpenFile("a.xMem", 0);
    if (c.bModified) {
        ChangeRecord5();
        m_ui.m_answers = {c.eAnswer};
    }
    const int nValidations = m_ui.m_nValidations;
    EXPECT_EQ(m_pDoc->SaveModified(), c.bCloses);
    EXPECT_GT(m_ui.m_nValidations, nValidations) << "the form is checked before closing in every case";
    EXPECT_EQ(m_ui.m_prompts.size(), c.bModified ? 1 : 0);
    EXPECT_TRUE(m_ui.m_answers.empty());
    if (c.bModified && c.eAnswer == IDocumentUi::Yes) {
        EXPECT_FALSE(m_pDoc->IsModified());
        CXmlDocData saved;
        saved.Reset();
        ASSERT_TRUE(saved.Load(Path("a.xMem")));
        EXPECT_TRUE(SameRecord(*saved.GetContainer().GetAt(5), Marked(777)));
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, Close,
                         ::testing::Values(CLOSECASE{"NotModified", false, IDocumentUi::Cancel, true},
                                           CLOSECASE{"No", true, IDocumentUi::No, true},
                                           CLOSECASE{"Cancel", true, IDocumentUi::Cancel, false},
                                           CLOSECASE{"Yes", true, IDocumentUi::Yes, true}),
                         [](const auto& row) { return std::string(row.param.pszName); });

TEST_F(Document, CopyBufferSurvivesNewAndOpen)
{
    EXPECT_FALSE(m_pDoc->PasteFromBuffer(1)) << "nothing to paste before the first Copy";
    EXPECT_FALSE(m_pDoc->IsModified());

    OpenFile("a.xMem", 0);
    EXPECT_FALSE(m_pDoc->CopyToBuffer(100));
    EXPECT_FALSE(m_pDoc->HasCopyBuffer());
    ASSERT_TRUE(m_pDoc->CopyToBuffer(3));
    EXPECT_FALSE(m_pDoc->IsModified()) << "Copy changes no record";
    Mark(*m_pDoc->GetAt(3), 500); // a later change of the source leaves the buffer alone

    m_pDoc->OnFileNew();
    ASSERT_TRUE(m_pDoc->PasteFromBuffer(10));
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(10), Marked(3)));
    EXPECT_TRUE(m_pDoc->IsModified());

    m_ui.m_answers = {IDocumentUi::No};
    m_ui.m_paths = {WriteMemoryFile("b.xMem", 200)};
    m_pDoc->OnFileOpen();
    ASSERT_EQ(m_pDoc->GetTitle(), "b.xMem");
    EXPECT_FALSE(m_pDoc->PasteFromBuffer(-1));
    EXPECT_FALSE(m_pDoc->IsModified());
    ASSERT_TRUE(m_pDoc->PasteFromBuffer(20));
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(20), Marked(3)));
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(21), Marked(221)));
    EXPECT_TRUE(m_pDoc->IsModified());
}

// A save that cannot be written reports the path and leaves the document as
// it was, still modified, so that New and closing stop.
class FailedSave : public Document, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(FailedSave, ReportsThePathAndKeepsTheDocumentModified)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder.xMem")));
    {
        QFile f(Path("plain.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString strBad = Path(GetParam());
    ChangeRecord5();

    m_ui.m_paths = {strBad};
    m_pDoc->OnFileSaveAs();
    ASSERT_EQ(m_ui.m_messages.size(), 1);
    EXPECT_EQ(Headline(m_ui.m_messages[0]), QStringLiteral("The file %1 could not be writen.").arg(strBad));
    EXPECT_FALSE(Reason(m_ui.m_messages[0]).isEmpty());
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_TRUE(m_pDoc->IsNewDocument());
    EXPECT_EQ(m_pDoc->GetTitle(), Untitled());
    EXPECT_TRUE(m_ui.m_recent.isEmpty());

    m_ui.m_answers = {IDocumentUi::Yes};
    m_ui.m_paths = {strBad};
    m_pDoc->OnFileNew();
    EXPECT_EQ(m_ui.m_messages.size(), 2);
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), Marked(777))) << "New stopped";

    m_ui.m_answers = {IDocumentUi::Yes};
    m_ui.m_paths = {strBad};
    EXPECT_FALSE(m_pDoc->SaveModified());
}

INSTANTIATE_TEST_SUITE_P(Targets, FailedSave,
                         ::testing::Values("no such folder/x.xMem", "folder.xMem", "plain.txt/inside.xMem"));

TEST_F(Document, FailedSaveOfABoundDocumentKeepsItsTitleAndPath)
{
    const QString strA = OpenFile("a.xMem", 0);
    ChangeRecord5();
    m_ui.m_paths = {Path("gone/b.xMem")};
    m_pDoc->OnFileSaveAs();
    EXPECT_EQ(m_ui.m_messages.size(), 1);
    EXPECT_EQ(m_pDoc->GetTitle(), "a.xMem");
    EXPECT_EQ(m_pDoc->GetPathName(), strA);
    EXPECT_TRUE(m_pDoc->IsModified());
    ExpectFileHolds(strA, 0);
}

TEST_F(Document, TransferCommandsOpenTheDialogInTheirMode)
{
    EXPECT_TRUE(m_pDoc->OnCommand(ID_TRANSFER_UPLOAD));
    EXPECT_TRUE(m_pDoc->OnCommand(ID_TRANSFER_DOWNLOAD));
    EXPECT_EQ(m_ui.m_transfers, (std::vector<int>{1, 2}));
    EXPECT_FALSE(m_pDoc->OnCommand(ID_EDIT_PREFERENCES));
}

} // namespace
