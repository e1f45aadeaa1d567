#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "tests/unit/document/FakeDocumentUi.h"
#include "tests/unit/model/Records.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QByteArray FileBytes(const QString& strPath)
{
    QFile f(strPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A message box text: the system's message, then the reason after a blank line.
void ExpectMessage(const QString& strMessage, const QString& strHeadline)
{
    EXPECT_EQ(strMessage.section(QStringLiteral("\n\n"), 0, 0), strHeadline);
    EXPECT_FALSE(strMessage.section(QStringLiteral("\n\n"), 1).isEmpty()) << "the reason follows";
}

class Document : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_pDoc = std::make_unique<CVaultlineDoc>(m_ui, [] { return std::shared_ptr<IResourceManager>(); });
        ASSERT_TRUE(m_pDoc->OnNewDocument());
    }

    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    // A memory file whose record i is Marked(nFirstSeed + i).
    QString WriteMemoryFile(const char* pszName, int nFirstSeed) const
    {
        CXmlDocData data;
        data.Reset();
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
            *data.GetContainer().GetAt(i) = Marked(nFirstSeed + i);
        EXPECT_TRUE(data.Save(Path(pszName)));
        return Path(pszName);
    }

    static STOREMEM FileRecord(const QString& strPath, int nIndex)
    {
        CXmlDocData data;
        data.Reset();
        EXPECT_TRUE(data.Load(strPath)) << strPath.toStdString();
        return *data.GetContainer().GetAt(nIndex);
    }

    // A change as a download or a paste makes it.
    void ChangeRecord5()
    {
        *m_pDoc->GetAt(5) = Marked(777);
        m_pDoc->SetModifiedFlag();
    }

    QString OpenFile(const char* pszName, int nFirstSeed)
    {
        const QString strPath = WriteMemoryFile(pszName, nFirstSeed);
        EXPECT_TRUE(m_pDoc->OnOpenDocument(strPath));
        return strPath;
    }

    QTemporaryDir m_dir;
    CFakeDocumentUi m_ui; // outlives the document
    std::unique_ptr<CVaultlineDoc> m_pDoc;
};

TEST_F(Document, ConstructionSurvivesAFailingResourceManager)
{
    CVaultlineDoc failing(m_ui, []() -> std::shared_ptr<IResourceManager> {
        throw _com_error(E_POINTER, QStringLiteral("no VISA library"));
    });
    EXPECT_EQ(failing.GetResourceManager(), nullptr);
    EXPECT_EQ(failing.GetData().GetContainer().GetCount(), 100);
    EXPECT_EQ(failing.GetAt(100), nullptr);

    // Without a factory the system's providers are asked; the built-in one always answers.
    qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
    CVaultlineDoc builtin(m_ui);
    qunsetenv("VAULTLINE_VISA_PROVIDER");
    EXPECT_NE(builtin.GetResourceManager(), nullptr);
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
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
    const FILEDIALOG& dlg = m_ui.m_dialogs[0];
    EXPECT_EQ(dlg.strFilterName, "Vaultline File (*.xMem)");
    EXPECT_TRUE(dlg.eKind == FILEDIALOG::Save && dlg.strDefaultExt == "xMem" && dlg.bOverwritePrompt);
    EXPECT_EQ(m_pDoc->IsModified(), GetParam());
    EXPECT_EQ(m_pDoc->GetTitle(), "Untitled");
    EXPECT_TRUE(m_pDoc->IsNewDocument());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(ModifiedOrNot, SaveOfNewDocument, ::testing::Bool());

// File New on a modified document, for each way the user can answer.
struct NEWCASE
{
    IDocumentUi::EAnswer eAnswer;
    const char* pszSavePath; // the Save dialog's answer ("" cancels); null when no dialog may show
    bool bReset;
};

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

    EXPECT_EQ(m_ui.m_prompts, QStringList{"Save changes to Untitled?"});
    EXPECT_EQ(m_ui.m_nPromptHelp, 61699u);
    EXPECT_TRUE(m_ui.m_paths.empty());
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), c.bReset ? STOREMEM() : Marked(777)));
    EXPECT_EQ(m_pDoc->IsModified(), !c.bReset);
    EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates + (c.bReset ? 1 : 0));
    if (c.pszSavePath && *c.pszSavePath) {
        EXPECT_TRUE(SameRecord(FileRecord(Path(c.pszSavePath), 5), Marked(777)));
        EXPECT_EQ(m_pDoc->GetPathName(), Path(c.pszSavePath)) << "the path stays; the next Save asks again";
        EXPECT_TRUE(m_pDoc->IsNewDocument());
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, NewOnModified,
                         ::testing::Values(NEWCASE{IDocumentUi::No, nullptr, true},
                                           NEWCASE{IDocumentUi::Cancel, nullptr, false},
                                           NEWCASE{IDocumentUi::Yes, "", false},
                                           NEWCASE{IDocumentUi::Yes, "kept.xMem", true}));

TEST_F(Document, OpenOfAFileThatIsNotXmlReportsThePathAndChangesNothing)
{
    const QString strA = OpenFile("a.xMem", 0);
    ChangeRecord5();
    const QString strBad = Path("notes.xMem");
    QFile f(strBad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Store memories, written by hand\n0: CC HIGH\n");
    f.close();
    const int nUpdates = m_ui.m_nInitialUpdates;
    m_ui.m_answers = {IDocumentUi::No};
    m_ui.m_paths = {strBad};

    m_pDoc->OnFileOpen();

    ASSERT_EQ(m_ui.m_messages.size(), 1);
    ExpectMessage(m_ui.m_messages[0], QStringLiteral("The file %1 could not be read.").arg(strBad));
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
    EXPECT_FALSE(m_pDoc->OnOpenDocument(QStringLiteral("missing.xMem")));
    QDir::setCurrent(strOld);
    ASSERT_EQ(m_ui.m_messages.size(), 1);
    ExpectMessage(m_ui.m_messages[0],
                  QStringLiteral("The file %1 could not be read.").arg(Path("missing.xMem")));
    EXPECT_TRUE(m_pDoc->IsNewDocument());
}

TEST_F(Document, AfterNewFollowingAnOpenSaveAsksForANameAgain)
{
    const QString strA = OpenFile("a.xMem", 0);
    const QByteArray before = FileBytes(strA);
    m_pDoc->OnFileNew();
    m_ui.m_paths = {QString()};
    m_pDoc->OnFileSave();
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_EQ(FileBytes(strA), before);
}

TEST_F(Document, FileOpenedAtStartShowsAllMemoriesAndSavingAtOnceWritesAllBack)
{
    const QString strA = WriteMemoryFile("start.xMem", 1000);
    CVaultlineDoc doc(m_ui, [] { return std::shared_ptr<IResourceManager>(); });
    ASSERT_TRUE(doc.OnOpenDocument(strA));
    m_pDoc.reset();
    EXPECT_EQ(doc.GetTitle(), "start.xMem");
    EXPECT_FALSE(doc.IsModified() || doc.IsNewDocument());

    ASSERT_TRUE(QFile::remove(strA));
    doc.OnFileSave();
    EXPECT_TRUE(m_ui.m_dialogs.empty()) << "a file bound to the document is saved without asking";
    for (int i = 0; i < 100; ++i) {
        EXPECT_TRUE(SameRecord(*doc.GetAt(i), Marked(1000 + i))) << i;
        EXPECT_TRUE(SameRecord(FileRecord(strA, i), Marked(1000 + i))) << i;
    }
}

TEST_F(Document, SaveAsBindsTheDocumentToTheNewFile)
{
    ChangeRecord5();
    m_ui.m_paths = {Path("b.xMem")};
    m_pDoc->OnFileSaveAs();
    EXPECT_FALSE(m_pDoc->IsModified() || m_pDoc->IsNewDocument());
    EXPECT_EQ(m_pDoc->GetTitle(), "b.xMem");
    EXPECT_EQ(m_ui.m_recent, QStringList{Path("b.xMem")});

    // Now bound: the prompt names the file, and Yes saves without a dialog.
    *m_pDoc->GetAt(7) = Marked(888);
    m_pDoc->SetModifiedFlag();
    m_ui.m_answers = {IDocumentUi::Yes};
    EXPECT_TRUE(m_pDoc->SaveModified());
    EXPECT_EQ(m_ui.m_prompts, QStringList{"Save changes to b.xMem?"});
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_TRUE(SameRecord(FileRecord(Path("b.xMem"), 7), Marked(888)));
}

// A form holding an out-of-range value stops every way of saving, silently:
// the form itself has beeped and selected the field.
// Null stands for closing the window.
class InvalidForm : public Document, public ::testing::WithParamInterface<void (CVaultlineDoc::*)()>
{
};

TEST_P(InvalidForm, BlocksSaving)
{
    const QString strA = OpenFile("a.xMem", 0);
    ChangeRecord5();
    const QByteArray before = FileBytes(strA);
    m_ui.m_bFormValid = false;
    m_ui.m_answers = {IDocumentUi::Yes};
    m_ui.m_paths = {Path("other.xMem")};

    if (GetParam())
        (m_pDoc.get()->*GetParam())();
    else
        EXPECT_FALSE(m_pDoc->SaveModified()) << "the window stays open";

    EXPECT_GT(m_ui.m_nValidations, 0);
    EXPECT_TRUE(GetParam() == &CVaultlineDoc::OnFileSaveAs || m_ui.m_dialogs.empty());
    EXPECT_EQ(FileBytes(strA), before);
    EXPECT_FALSE(QFile::exists(Path("other.xMem")));
    EXPECT_TRUE(m_ui.m_messages.isEmpty());
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_TRUE(SameRecord(*m_pDoc->GetAt(5), Marked(777)));
}

INSTANTIATE_TEST_SUITE_P(Commands, InvalidForm,
                         ::testing::Values(&CVaultlineDoc::OnFileSave, &CVaultlineDoc::OnFileSaveAs,
                                           &CVaultlineDoc::OnFileNew, &CVaultlineDoc::OnFileOpen, nullptr));

struct CLOSECASE
{
    bool bModified;
    IDocumentUi::EAnswer eAnswer;
    bool bCloses;
};

class Close : public Document, public ::testing::WithParamInterface<CLOSECASE>
{
};

TEST_P(Close, AsksOnlyWhenModifiedAndFollowsTheAnswer)
{
    const CLOSECASE& c = GetParam();
    const QString strA = OpenFile("a.xMem", 0);
    if (c.bModified) {
        ChangeRecord5();
        m_ui.m_answers = {c.eAnswer};
    }
    const int nValidations = m_ui.m_nValidations;
    EXPECT_EQ(m_pDoc->SaveModified(), c.bCloses);
    EXPECT_GT(m_ui.m_nValidations, nValidations) << "the form is checked before closing in every case";
    EXPECT_EQ(m_ui.m_prompts.size(), c.bModified ? 1 : 0);
    EXPECT_TRUE(m_ui.m_answers.empty());
    EXPECT_TRUE(SameRecord(FileRecord(strA, 5), c.eAnswer == IDocumentUi::Yes ? Marked(777) : Marked(5)));
}

INSTANTIATE_TEST_SUITE_P(Answers, Close,
                         ::testing::Values(CLOSECASE{false, IDocumentUi::Cancel, true},
                                           CLOSECASE{true, IDocumentUi::No, true},
                                           CLOSECASE{true, IDocumentUi::Cancel, false},
                                           CLOSECASE{true, IDocumentUi::Yes, true}));

TEST_F(Document, CopyBufferSurvivesNewAndOpen)
{
    EXPECT_FALSE(m_pDoc->PasteFromBuffer(1)) << "nothing to paste before the first Copy";
    OpenFile("a.xMem", 0);
    EXPECT_FALSE(m_pDoc->CopyToBuffer(100));
    ASSERT_TRUE(m_pDoc->CopyToBuffer(3));
    EXPECT_FALSE(m_pDoc->IsModified()) << "Copy changes no record";
    *m_pDoc->GetAt(3) = Marked(500); // a later change of the source leaves the buffer alone

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
// it was, still modified, so that New and closing stop. Row: target, whether
// the document is bound to a file first.
class FailedSave : public Document, public ::testing::WithParamInterface<std::pair<const char*, bool>>
{
};

TEST_P(FailedSave, ReportsThePathAndKeepsTheDocumentModified)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder.xMem")));
    QFile plain(Path("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    const QString strA = GetParam().second ? OpenFile("a.xMem", 0) : QString();
    const QString strBad = Path(GetParam().first);
    ChangeRecord5();

    m_ui.m_paths = {strBad};
    m_pDoc->OnFileSaveAs();
    ASSERT_EQ(m_ui.m_messages.size(), 1);
    ExpectMessage(m_ui.m_messages[0], QStringLiteral("The file %1 could not be writen.").arg(strBad));
    EXPECT_TRUE(m_pDoc->IsModified());
    EXPECT_EQ(m_pDoc->GetTitle(), strA.isEmpty() ? "Untitled" : "a.xMem");
    EXPECT_EQ(m_pDoc->GetPathName(), strA);
    if (!strA.isEmpty()) {
        EXPECT_TRUE(SameRecord(FileRecord(strA, 5), Marked(5)));
        return; // Yes would now save to the bound file
    }

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
                         ::testing::Values(std::make_pair("no such folder/x.xMem", false),
                                           std::make_pair("folder.xMem", false),
                                           std::make_pair("plain.txt/inside.xMem", false),
                                           std::make_pair("gone/b.xMem", true)));

TEST_F(Document, TransferCommandsOpenTheDialogInTheirMode)
{
    EXPECT_TRUE(m_pDoc->OnCommand(ID_TRANSFER_UPLOAD));
    EXPECT_TRUE(m_pDoc->OnCommand(ID_TRANSFER_DOWNLOAD));
    EXPECT_EQ(m_ui.m_transfers, (std::vector<int>{1, 2}));
    EXPECT_FALSE(m_pDoc->OnCommand(ID_EDIT_PREFERENCES));
}

} // namespace
