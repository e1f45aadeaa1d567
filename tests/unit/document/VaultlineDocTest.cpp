#include "model/VaultlineDoc.h"
#include "integration/instrument/SimProcess.h"
#include "model/DocumentUi.h"
#include "resources/Resource.h"
#include "support/FileBytes.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <stdexcept>

namespace {

// The user as a script: answers to the save prompt and paths for the file
// dialogs (an empty one cancels) are queued beforehand, and everything the
// document shows is kept. A prompt or dialog without a queued answer fails.
class CFakeDocumentUi : public IDocumentUi
{
public:
    ~CFakeDocumentUi() override { EXPECT_EQ(m_nWaitDepth, 0) << "wait cursor left on"; }
    void MessageBox(const QString& strText) override
    {
        EXPECT_EQ(m_nWaitDepth, 0) << "message box under the wait cursor";
        m_messages.append(strText);
    }
    EAnswer AskSaveChanges(const QString& strPrompt, unsigned nHelpContext) override
    {
        m_prompts.append(strPrompt);
        EXPECT_EQ(nHelpContext, 61699u);
        return Next(m_answers, Cancel);
    }
    QString RunFileDialog(const FILEDIALOG& dlg) override
    {
        m_dialogs.push_back(dlg);
        return Next(m_paths, QString());
    }
    void BeginWaitCursor() override { ++m_nWaitDepth; }
    void EndWaitCursor() override { --m_nWaitDepth; }
    bool ValidateRightPane() override
    {
        ++m_nValidations;
        return m_bFormValid;
    }
    void InitialUpdateRightPane() override { ++m_nInitialUpdates; }
    void AddToRecentFileList(const QString& strPath) override { m_recent.append(strPath); }
    void OnDocumentTitleChanged() override {}
    void RunTransferDialog(int nMode) override { m_transfers.push_back(nMode); }

    std::deque<EAnswer> m_answers;
    std::deque<QString> m_paths;
    bool m_bFormValid = true;
    QStringList m_messages, m_prompts, m_recent;
    std::vector<FILEDIALOG> m_dialogs;
    int m_nWaitDepth = 0, m_nValidations = 0, m_nInitialUpdates = 0;
    std::vector<int> m_transfers;

private:
    template <class T> static T Next(std::deque<T>& queue, const T& none)
    {
        EXPECT_FALSE(queue.empty()) << "unexpected prompt or dialog";
        const T t = queue.empty() ? none : queue.front();
        if (!queue.empty())
            queue.pop_front();
        return t;
    }
};

// A message box text: the system's message, then the reason after a blank line.
void ExpectMessage(const QString& strMessage, const QString& strHeadline)
{
    EXPECT_TRUE(strMessage.startsWith(strHeadline + "\n\n") && !strMessage.endsWith("\n\n"))
        << qPrintable(strMessage);
}

class Document : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        Restart();
    }
    // A new document, and a user who has not seen anything yet.
    void Restart()
    {
        m_pDoc.reset();
        m_ui = CFakeDocumentUi();
        m_pDoc = std::make_unique<CVaultlineDoc>(m_ui, [] { return std::shared_ptr<IResourceManager>(); });
        ASSERT_TRUE(m_pDoc->OnNewDocument());
    }

    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }

    // A memory file whose record i is Pattern(nFirstSeed + i).
    QString WriteMemoryFile(const char* pszName, int nFirstSeed) const
    {
        CXmlDocData data;
        data.Reset();
        for (int i = 0; i < CXmlDocData::MEMORY_COUNT; ++i)
            *data.GetContainer().GetAt(i) = Pattern(nFirstSeed + i);
        EXPECT_TRUE(data.Save(Path(pszName)));
        return Path(pszName);
    }
    QString OpenFile(const char* pszName, int nFirstSeed)
    {
        const QString strPath = WriteMemoryFile(pszName, nFirstSeed);
        EXPECT_TRUE(m_pDoc->OnOpenDocument(strPath));
        return strPath;
    }

    // A change as a download or a paste makes it.
    void ChangeRecord5()
    {
        *m_pDoc->GetAt(5) = Pattern(777);
        m_pDoc->SetModifiedFlag();
    }

    // Everything a command that fails or is cancelled must leave as it was.
    QByteArray State() const
    {
        return QStringList{m_pDoc->GetTitle(), m_pDoc->GetPathName(), QString::number(m_pDoc->IsModified()),
                           QString::number(m_pDoc->IsNewDocument())}
                   .join('|')
                   .toUtf8() +
               m_pDoc->GetData().ToBytes();
    }

    QTemporaryDir m_dir;
    CFakeDocumentUi m_ui; // outlives the document
    std::unique_ptr<CVaultlineDoc> m_pDoc;
};

TEST_F(Document, SaveOfANewDocumentAlwaysAsksForANameAndCancellingChangesNothing)
{
    for (const bool bModified : {false, true}) {
        if (bModified)
            ChangeRecord5();
        const QByteArray before = State();
        m_ui.m_paths = {QString()};
        m_pDoc->OnFileSave();
        ASSERT_EQ(m_ui.m_dialogs.size(), bModified ? 2u : 1u);
        const FILEDIALOG& dlg = m_ui.m_dialogs.back();
        EXPECT_TRUE(dlg.eKind == FILEDIALOG::Save && dlg.strFilterName == "Vaultline File (*.xMem)" &&
                    dlg.strDefaultExt == "xMem" && dlg.bOverwritePrompt);
        EXPECT_EQ(State(), before);
    }
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
}

TEST_F(Document, NewOnAModifiedDocumentFollowsTheAnswer)
{
    // The answer, the Save dialog's answer ("" cancels; null when no dialog may
    // show), and whether the document is new afterwards.
    const std::tuple<IDocumentUi::EAnswer, const char*, bool> cases[] = {
        {IDocumentUi::No, nullptr, true},
        {IDocumentUi::Cancel, nullptr, false},
        {IDocumentUi::Yes, "", false},
        {IDocumentUi::Yes, "kept.xMem", true}};
    for (const auto& [eAnswer, pszSavePath, bReset] : cases) {
        Restart();
        ChangeRecord5();
        m_ui.m_answers = {eAnswer};
        if (pszSavePath)
            m_ui.m_paths = {*pszSavePath ? Path(pszSavePath) : QString()};
        const int nUpdates = m_ui.m_nInitialUpdates;
        const QByteArray changed = m_pDoc->GetData().ToBytes();
        m_pDoc->OnFileNew();

        EXPECT_EQ(m_ui.m_prompts, QStringList{"Save changes to Untitled?"});
        EXPECT_TRUE(m_ui.m_paths.empty());
        EXPECT_EQ(Describe(*m_pDoc->GetAt(5)), Describe(bReset ? STOREMEM() : Pattern(777)));
        EXPECT_EQ(m_pDoc->IsModified(), !bReset);
        EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates + (bReset ? 1 : 0));
        if (pszSavePath && *pszSavePath) {
            EXPECT_EQ(FileBytes(Path(pszSavePath)), changed);
            EXPECT_EQ(m_pDoc->GetPathName(), Path(pszSavePath)) << "the path stays; the next Save asks again";
            EXPECT_TRUE(m_pDoc->IsNewDocument());
        }
    }
}

// A file that is not XML, and a missing one named relatively: each reported
// with its full path, and the document stays as it was.
TEST_F(Document, FailedOpenReportsTheFullPathAndChangesNothing)
{
    const QString strA = OpenFile("a.xMem", 0);
    ChangeRecord5();
    ASSERT_TRUE(WriteFileBytes(Path("notes.xMem"), "Store memories, written by hand\n0: CC HIGH\n"));
    const QByteArray before = State();
    const int nUpdates = m_ui.m_nInitialUpdates;
    m_ui.m_answers = {IDocumentUi::No};
    m_ui.m_paths = {Path("notes.xMem")};
    m_pDoc->OnFileOpen();

    const QString strOld = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    EXPECT_FALSE(m_pDoc->OnOpenDocument(QStringLiteral("missing.xMem")));
    QDir::setCurrent(strOld);

    ASSERT_EQ(m_ui.m_messages.size(), 2);
    ExpectMessage(m_ui.m_messages[0],
                  QStringLiteral("The file %1 could not be read.").arg(Path("notes.xMem")));
    ExpectMessage(m_ui.m_messages[1],
                  QStringLiteral("The file %1 could not be read.").arg(Path("missing.xMem")));
    EXPECT_EQ(State(), before);
    EXPECT_EQ(m_ui.m_nInitialUpdates, nUpdates);
    EXPECT_EQ(m_ui.m_recent, QStringList{strA});
}

// After New the file is let go: Save asks for a name again.
TEST_F(Document, FileOpenedAtStartShowsAllMemoriesAndSavingAtOnceWritesAllBackUntilNew)
{
    const QString strA = WriteMemoryFile("start.xMem", 1000);
    const QByteArray bytes = FileBytes(strA);
    CVaultlineDoc doc(m_ui, [] { return std::shared_ptr<IResourceManager>(); });
    ASSERT_TRUE(doc.OnOpenDocument(strA));
    m_pDoc.reset();
    // Title and modified flag: AppTest.FileOnTheCommandLineIsOpened.
    EXPECT_EQ(doc.GetData().ToBytes(), bytes) << "all 100 memories as the file has them";

    ASSERT_TRUE(QFile::remove(strA));
    doc.OnFileSave();
    EXPECT_TRUE(m_ui.m_dialogs.empty()) << "a file bound to the document is saved without asking";
    EXPECT_EQ(FileBytes(strA), bytes);

    doc.OnFileNew();
    m_ui.m_paths = {QString()};
    doc.OnFileSave();
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_EQ(FileBytes(strA), bytes);
}

// Closing asks only when modified and validates the form in every case.
TEST_F(Document, SaveAsBindsTheDocumentToTheNewFileAndClosingSavesThere)
{
    ChangeRecord5();
    m_ui.m_paths = {Path("b.xMem")};
    m_pDoc->OnFileSaveAs();
    EXPECT_EQ(m_ui.m_recent, QStringList{Path("b.xMem")});
    EXPECT_TRUE(m_pDoc->SaveModified());
    EXPECT_TRUE(m_ui.m_prompts.isEmpty());
    EXPECT_EQ(m_ui.m_nValidations, 2) << "Save As and closing each check the form";

    // Now bound: the prompt names the file, and Yes saves without a dialog.
    *m_pDoc->GetAt(7) = Pattern(888);
    m_pDoc->SetModifiedFlag();
    m_ui.m_answers = {IDocumentUi::Yes};
    EXPECT_TRUE(m_pDoc->SaveModified());
    EXPECT_EQ(m_ui.m_prompts, QStringList{"Save changes to b.xMem?"});
    EXPECT_EQ(m_ui.m_dialogs.size(), 1u);
    EXPECT_EQ(FileBytes(Path("b.xMem")), m_pDoc->GetData().ToBytes());
}

// A form holding an out-of-range value stops every way of saving, silently:
// the form itself has beeped and selected the field. Null stands for closing
// the window.
TEST_F(Document, InvalidFormBlocksSaving)
{
    using COMMAND = void (CVaultlineDoc::*)();
    for (COMMAND pCommand : {&CVaultlineDoc::OnFileSave, &CVaultlineDoc::OnFileSaveAs,
                             &CVaultlineDoc::OnFileNew, &CVaultlineDoc::OnFileOpen, COMMAND()}) {
        Restart();
        const QString strA = OpenFile("a.xMem", 0);
        ChangeRecord5();
        const QByteArray before = FileBytes(strA), state = State();
        m_ui.m_bFormValid = false;
        m_ui.m_answers = {IDocumentUi::Yes};
        m_ui.m_paths = {Path("other.xMem")};
        if (pCommand)
            (m_pDoc.get()->*pCommand)();
        else
            EXPECT_FALSE(m_pDoc->SaveModified()) << "the window stays open";

        EXPECT_GT(m_ui.m_nValidations, 0);
        EXPECT_TRUE(pCommand == &CVaultlineDoc::OnFileSaveAs || m_ui.m_dialogs.empty());
        EXPECT_EQ(FileBytes(strA), before);
        EXPECT_FALSE(QFile::exists(Path("other.xMem")));
        EXPECT_TRUE(m_ui.m_messages.isEmpty());
        EXPECT_EQ(State(), state);
    }
}

TEST_F(Document, CopyBufferSurvivesNewAndOpen)
{
    EXPECT_FALSE(m_pDoc->PasteFromBuffer(1)) << "nothing to paste before the first Copy";
    OpenFile("a.xMem", 0);
    EXPECT_FALSE(m_pDoc->CopyToBuffer(100));
    ASSERT_TRUE(m_pDoc->CopyToBuffer(3));
    EXPECT_FALSE(m_pDoc->IsModified()) << "Copy changes no record";
    *m_pDoc->GetAt(3) = Pattern(500); // a later change of the source leaves the buffer alone

    m_pDoc->OnFileNew();
    ASSERT_TRUE(m_pDoc->PasteFromBuffer(10));
    EXPECT_EQ(Describe(*m_pDoc->GetAt(10)), Describe(Pattern(3)));
    EXPECT_TRUE(m_pDoc->IsModified());

    m_ui.m_answers = {IDocumentUi::No};
    m_ui.m_paths = {WriteMemoryFile("b.xMem", 200)};
    m_pDoc->OnFileOpen();
    ASSERT_EQ(m_pDoc->GetTitle(), "b.xMem");
    EXPECT_FALSE(m_pDoc->PasteFromBuffer(-1));
    ASSERT_TRUE(m_pDoc->PasteFromBuffer(20));
    EXPECT_EQ(Describe(*m_pDoc->GetAt(20)), Describe(Pattern(3)));
    EXPECT_EQ(Describe(*m_pDoc->GetAt(21)), Describe(Pattern(221)));
    EXPECT_TRUE(m_pDoc->IsModified());
}

// A save that cannot be written reports the path and leaves the document as
// it was, still modified, so that New and closing stop.
TEST_F(Document, FailedSaveReportsThePathAndKeepsTheDocumentModified)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("folder.xMem")));
    QFile plain(Path("plain.txt"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    ChangeRecord5();
    const QByteArray before = State();
    for (const char* pszBad : {"no such folder/x.xMem", "folder.xMem", "plain.txt/inside.xMem"}) {
        m_ui.m_messages.clear();
        m_ui.m_answers = {IDocumentUi::Yes, IDocumentUi::Yes};
        m_ui.m_paths = {Path(pszBad), Path(pszBad), Path(pszBad)};
        m_pDoc->OnFileSaveAs();
        m_pDoc->OnFileNew();
        EXPECT_FALSE(m_pDoc->SaveModified());
        ASSERT_EQ(m_ui.m_messages.size(), 3);
        ExpectMessage(m_ui.m_messages[0],
                      QStringLiteral("The file %1 could not be writen.").arg(Path(pszBad)));
        EXPECT_EQ(State(), before);
    }
}

// The frame enables what HasCommand names and routes it to OnCommand: the two
// agree on every command, the document's own and others.
TEST_F(Document, HasCommandNamesExactlyTheCommandsItRuns)
{
    const std::pair<unsigned, bool> ids[] = {
        {ID_FILE_NEW, true},        {ID_FILE_OPEN, true},
        {ID_FILE_SAVE, true},       {ID_FILE_SAVE_AS, true},
        {ID_TRANSFER_UPLOAD, true}, {ID_TRANSFER_DOWNLOAD, true},
        {ID_TRANSFER_VERIFY, true}, {ID_EDIT_PREFERENCES, false},
        {ID_APP_ABOUT, false},      {0, false},
    };
    for (const auto& [nId, bDocument] : ids) {
        EXPECT_EQ(CVaultlineDoc::HasCommand(nId), bDocument) << nId;
        // Every prompt and dialog a command may show is cancelled.
        m_ui.m_answers = {IDocumentUi::Cancel};
        m_ui.m_paths = {QString()};
        EXPECT_EQ(m_pDoc->OnCommand(nId), bDocument) << nId;
    }
    // The transfer commands open the dialog, each in its own mode.
    EXPECT_EQ(m_ui.m_transfers, (std::vector<int>{1, 2, 3}));
}

// A resource manager that answers a search with a fixed list or a failure and
// notes what it was asked and whether the wait cursor was up meanwhile.
class CFoundInstruments : public IResourceManager
{
public:
    CFoundInstruments(const CFakeDocumentUi& ui, QStringList found, bool bFail)
        : m_ui(ui), m_found(std::move(found)), m_bFail(bFail)
    {
    }
    QStringList FindRsrc(const QString& strExpression) override
    {
        m_strAsked = strExpression;
        m_nWaitDepth = m_ui.m_nWaitDepth;
        if (m_bFail)
            throw std::runtime_error("no instrument");
        return m_found;
    }
    std::shared_ptr<IVisaSession> Open(const QString&, int, long, const QString&) override { return nullptr; }

    const CFakeDocumentUi& m_ui;
    QStringList m_found;
    bool m_bFail;
    QString m_strAsked;
    int m_nWaitDepth = -1;
};

TEST_F(Document, InstrumentSearchRunsUnderTheWaitCursorAndAFailureFindsNone)
{
    const QStringList two{QStringLiteral("ASRL/dev/ttyUSB0::INSTR"),
                          QStringLiteral("TCPIP0::10.0.0.5::INSTR")};
    const struct
    {
        bool bFail;
        QStringList expected;
    } cases[] = {{false, two}, {true, {}}};
    for (const auto& c : cases) {
        auto pManager = std::make_shared<CFoundInstruments>(m_ui, two, c.bFail);
        CVaultlineDoc doc(m_ui, [pManager] { return pManager; });
        EXPECT_EQ(doc.FindInstruments(), c.expected) << c.bFail;
        EXPECT_EQ(pManager->m_strAsked, QStringLiteral("?*::INSTR"));
        EXPECT_EQ(pManager->m_nWaitDepth, 1);
        EXPECT_EQ(m_ui.m_nWaitDepth, 0);
    }
    // The document of the fixture has no resource manager.
    EXPECT_EQ(m_pDoc->FindInstruments(), QStringList());
}

} // namespace
