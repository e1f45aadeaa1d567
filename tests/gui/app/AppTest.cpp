#include "tests/gui/framework/GuiApp.h"

#include "app/EndSignals.h"
#include "app/MainFrame.h"
#include "app/Recovery.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "platform/file/FileStrings.h"
#include "platform/help/HtmlHelp.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "support/FileBytes.h"
#include "support/SpecialFiles.h"
#include "support/TestEnv.h"
#include "views/FormBlank.h"
#include "views/LeftView.h"
#include "views/ValidateFormView.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

namespace {

class AppTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        ASSERT_TRUE(m_dir.isValid());
        m_pApp = std::make_unique<CVaultlineApp>();
    }
    void TearDown() override
    {
        if (m_pApp->GetDocument())
            m_pApp->GetDocument()->SetModifiedFlag(false);
        m_pApp.reset();
        SetHelpViewer(nullptr);
    }

    CMainFrame* Frame() const { return m_pApp->GetMainFrame(); }
    bool IsEnabled(unsigned nId)
    {
        Frame()->UpdateAllCommands();
        return Frame()->GetCommandAction(nId)->isEnabled();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<CVaultlineApp> m_pApp;
};

TEST_F(AppTest, StartsWithANewDocumentInItsWindowWithItsCommandsAndAMinimumSize)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("CueBench")) << "class part of WM_CLASS";
    EXPECT_EQ(Frame()->windowTitle(), LoadResString(AFX_IDS_UNTITLED) + QStringLiteral(" - DXR9K Vaultline"));
    for (unsigned nId :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT, ID_VIEW_TOOLBAR,
          ID_VIEW_STATUS_BAR, ID_HELP_INDEX, ID_APP_ABOUT, ID_HELP, ID_NEXT_PANE, ID_PREV_PANE})
        EXPECT_TRUE(IsEnabled(nId)) << "command " << nId;
    Frame()->resize(100, 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame()->size().expandedTo(QSize(300, 200)), Frame()->size());
}

// SelectForm takes the leading number of the item's text; Preferences has no
// handler, whatever is shown.
TEST_F(AppTest, SelectFormHandsTheLeadingNumberToTheNewForm)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    const std::tuple<const char*, int, bool> cases[] = {
        // text, memory index handed on, blank form
        {"57", 57, false}, {" 12abc", 12, false}, {" +7", 7, false}, {"Memories", 0, true},
        {"-3", -3, true},  {"0", 0, false},       {"", -1, true}};
    for (const auto& [pszText, nMemoryIndex, bBlank] : cases) {
        CView* pBefore = m_pApp->GetRightPane();
        EXPECT_EQ(Frame()->SelectForm(QString::fromLatin1(pszText)), *pszText ? 1 : 0) << pszText;
        QCoreApplication::processEvents();
        CView* pAfter = m_pApp->GetRightPane();
        EXPECT_FALSE(IsEnabled(ID_EDIT_PREFERENCES) || Frame()->RouteCommand(ID_EDIT_PREFERENCES));
        if (!*pszText) {
            EXPECT_EQ(pAfter, pBefore) << "nothing changes for an empty text";
            continue;
        }
        EXPECT_EQ(dynamic_cast<CFormBlank*>(pAfter) != nullptr, bBlank) << pszText;
        EXPECT_EQ(static_cast<CValidateFormView*>(pAfter)->m_nMemoryIndex, nMemoryIndex) << pszText;
    }
}

TEST_F(AppTest, F6AndShiftF6MoveTheFocusBetweenThePanes)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QApplication::setActiveWindow(Frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    Frame()->SelectForm(QStringLiteral("3"));
    QCoreApplication::processEvents();
    CView* pLeft = m_pApp->GetLeftPane();
    CView* pRight = m_pApp->GetRightPane();
    static_cast<CLeftView*>(pLeft)->GetTree().setFocus();
    QCoreApplication::processEvents();
    const std::pair<Qt::KeyboardModifier, CView*> steps[] = {{Qt::NoModifier, pRight},
                                                             {Qt::NoModifier, pLeft},
                                                             {Qt::ShiftModifier, pRight},
                                                             {Qt::ShiftModifier, pLeft}};
    for (const auto& [eModifier, pPane] : steps) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, eModifier);
        EXPECT_TRUE(pPane->isAncestorOf(QApplication::focusWidget()) || QApplication::focusWidget() == pPane);
        EXPECT_EQ(Frame()->GetActiveView(), pPane);
    }
}

TEST_F(AppTest, AboutBoxReadsTheVersionOfTheProgramFile)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    CModalCloser closer(QMessageBox::Ok, true);
    EXPECT_TRUE(Frame()->RouteCommand(ID_APP_ABOUT));
    EXPECT_EQ(closer.m_titles, QStringList{QStringLiteral("DXR9K Vaultline")});
    EXPECT_TRUE(
        closer.m_texts.value(0)
            .split(QLatin1Char('\n'))
            .contains(QStringLiteral("Version ") +
                      QStringLiteral(VAULTLINE_VERSION).replace(QLatin1Char('.'), QStringLiteral(", "))))
        << qPrintable(closer.m_texts.join(QLatin1Char('|')));
}

TEST_F(AppTest, FileOnTheCommandLineIsOpened)
{
    const QString strPath = m_dir.filePath(QStringLiteral("saved.xMem"));
    ASSERT_TRUE(m_pApp->InitInstance({}));
    m_pApp->GetDocument()->GetAt(7)->Memo = QStringLiteral("seven");
    ASSERT_TRUE(m_pApp->GetDocument()->OnSaveDocument(strPath));
    m_pApp = std::make_unique<CVaultlineApp>();
    ASSERT_TRUE(m_pApp->InitInstance({strPath}));
    EXPECT_EQ(m_pApp->GetDocument()->GetAt(7)->Memo, QStringLiteral("seven"));
    EXPECT_FALSE(m_pApp->GetDocument()->IsModified());
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("saved.xMem - DXR9K Vaultline"));
    EXPECT_EQ(m_pApp->GetRecentFileList().GetFiles().value(0), QFileInfo(strPath).absoluteFilePath());
}

TEST_F(AppTest, ClosingAModifiedDocumentCanBeCancelled)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    m_pApp->GetDocument()->SetModifiedFlag(true);
    CModalCloser closer(QMessageBox::Cancel);
    Frame()->close();
    EXPECT_EQ(closer.m_titles, QStringList{QStringLiteral("DXR9K Vaultline")});
    EXPECT_EQ(closer.m_icons, QList<QMessageBox::Icon>{QMessageBox::Question});
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(AppTest, HelpOpensTheGuideAtContext3)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    QStringList opened;
    SetHelpViewer([&opened](const QUrl& url) {
        opened << url.fileName() + QLatin1Char('#') + url.fragment();
        return true;
    });
    EXPECT_TRUE(Frame()->RouteCommand(ID_HELP_INDEX));
    EXPECT_TRUE(Frame()->RouteCommand(ID_HELP));
    EXPECT_EQ(opened, QStringList(2, QStringLiteral("index.html#context-3")));
    // Without a guide the command does nothing and says nothing.
    EXPECT_FALSE(HtmlHelpContext(FindHelpFile(m_dir.path()), 3));
    EXPECT_EQ(opened.size(), 2);
}

// A signal with a modified document: no question, the memories go to the
// recovery file, the window closes; the next start offers them, and Yes
// brings them back as a modified document that Save will ask a name for.
TEST_F(AppTest, AnEndSignalKeepsAModifiedDocumentThatTheNextStartOffers)
{
    const QString strState = m_dir.filePath(QStringLiteral("state"));
    qputenv("XDG_STATE_HOME", QFile::encodeName(strState));
    const QString strRecovery = strState + QStringLiteral("/vaultline/recovery.xMem");
    const std::pair<QMessageBox::StandardButton, bool> answers[] = {{QMessageBox::No, false},
                                                                    {QMessageBox::Yes, true}};
    for (const auto& [eAnswer, bRestored] : answers) {
        ASSERT_TRUE(m_pApp->InitInstance({}));
        {
            CEndSignals endSignals([this](int nSignal) { m_pApp->EndBySignal(nSignal); });
            m_pApp->GetDocument()->GetAt(12)->Memo = QStringLiteral("kept");
            m_pApp->GetDocument()->SetModifiedFlag(true);
            CModalCloser closer(QMessageBox::Cancel);
            kill(getpid(), SIGTERM);
            EXPECT_TRUE(QTest::qWaitFor([this] { return !Frame()->isVisible(); }, 5000));
            EXPECT_TRUE(closer.m_texts.isEmpty()) << "nobody is asked";
        }
        CXmlDocData kept;
        kept.Reset();
        ASSERT_TRUE(kept.Load(strRecovery));
        EXPECT_EQ(kept.GetContainer().GetAt(12)->Memo, QStringLiteral("kept"));

        m_pApp = std::make_unique<CVaultlineApp>();
        CModalCloser closer(eAnswer);
        ASSERT_TRUE(m_pApp->InitInstance({}));
        ASSERT_EQ(closer.m_texts.size(), 1);
        EXPECT_TRUE(closer.m_texts[0].contains(strRecovery)) << qPrintable(closer.m_texts[0]);
        EXPECT_EQ(closer.m_icons, QList<QMessageBox::Icon>{QMessageBox::Question});
        CVaultlineDoc* pDoc = m_pApp->GetDocument();
        EXPECT_EQ(pDoc->GetAt(12)->Memo, bRestored ? QStringLiteral("kept") : QString());
        EXPECT_EQ(pDoc->IsModified(), bRestored);
        EXPECT_TRUE(pDoc->IsNewDocument()) << "Save asks for a name";
        EXPECT_FALSE(QFile::exists(strRecovery)) << "offered once";
        pDoc->SetModifiedFlag(false);
        m_pApp = std::make_unique<CVaultlineApp>();
    }
    qunsetenv("XDG_STATE_HOME");
}

// The program itself, ended by each signal: it closes as File > Exit does,
// so its settings and recent-file list are written, and exits 0.
TEST_F(AppTest, TheProgramEndedBySignalWritesItsSettings)
{
    const QString strPath = m_dir.filePath(QStringLiteral("bench.xMem"));
    ASSERT_TRUE(m_pApp->InitInstance({}));
    ASSERT_TRUE(m_pApp->GetDocument()->OnSaveDocument(strPath));
    for (const int nSignal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(nSignal);
        QTemporaryDir dirConfig;
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dirConfig.path());
        env.insert(QStringLiteral("XDG_STATE_HOME"), dirConfig.filePath(QStringLiteral("state")));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(env);
        program.start(BinaryDir() + QStringLiteral("/app/vaultline"), {strPath});
        ASSERT_TRUE(program.waitForStarted());
        // Signalled only once it catches the signal, as a user's would be.
        const auto catches = [&] {
            QFile status(QStringLiteral("/proc/%1/status").arg(program.processId()));
            if (!status.open(QIODevice::ReadOnly))
                return false;
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("SigCgt:"))
                    return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (nSignal - 1) & 1) != 0;
            }
            return false;
        };
        ASSERT_TRUE(QTest::qWaitFor(catches, 10000));
        QTest::qWait(200);
        kill(static_cast<pid_t>(program.processId()), nSignal);
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().constData();
        QSettings settings(dirConfig.filePath(QStringLiteral("vaultline/registry.ini")),
                           QSettings::IniFormat);
        const QStringList keys = settings.allKeys();
        EXPECT_TRUE(keys.filter(QStringLiteral("IoResource_Dn")).size() == 1) << qPrintable(keys.join(' '));
        bool bRecent = false;
        for (const QString& strKey : keys)
            bRecent = bRecent || settings.value(strKey).toString() == QFileInfo(strPath).absoluteFilePath();
        EXPECT_TRUE(bRecent) << "the recent-file list names the file";
        EXPECT_FALSE(QFile::exists(dirConfig.filePath(QStringLiteral("state/vaultline/recovery.xMem"))));
    }
}

TEST(RecentFileListTest, KeepsFourNewestFirstWithoutDuplicates)
{
    EnsureGuiApp();
    const QString strSection = QStringLiteral("Software\\Vaultline Tests\\Recent File List");
    CRecentFileList list(strSection, 4);
    for (const char* psz : {"/a", "/b", "/c", "/a", "/d", "/e"})
        list.Add(QString::fromLatin1(psz));
    const QStringList expected = {"/e", "/d", "/a", "/c"};
    EXPECT_EQ(list.GetFiles(), expected);
    list.WriteList();
    CRecentFileList reread(strSection, 4);
    reread.ReadList();
    EXPECT_EQ(reread.GetFiles(), expected);
}

// The special files a user can name instead of a memory file: a FIFO without
// a writer, a device, a socket and a folder.
class AppSpecialFiles : public AppTest
{
protected:
    QString Fifo() { return m_special.Fifo(); }
    QString Socket() { return m_special.Socket(); }
    CSpecialFiles m_special{m_dir.path()};
};

// A file that is no memory file and a FIFO: the document's one message, at
// once, captioned with the program file's name (start-up has not finished),
// and no window.
TEST_F(AppSpecialFiles, AnUnreadableFileOrAFifoOnTheCommandLineGivesTheMessageAtOnceAndEndsStartUp)
{
    const QString strBroken = m_dir.filePath(QStringLiteral("broken.xMem"));
    ASSERT_TRUE(WriteFileBytes(strBroken, "this is not a memory file"));
    const std::pair<QString, QString> cases[] = {{strBroken, QString()},
                                                 {Fifo(), LoadFileString(IDS_FILE_IS_FIFO)}};
    for (const auto& [strPath, strReason] : cases) {
        m_pApp = std::make_unique<CVaultlineApp>();
        CModalCloser closer;
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(m_pApp->InitInstance({strPath}));
        EXPECT_LT(timer.elapsed(), 1000);
        ASSERT_EQ(closer.m_texts.size(), 1);
        const QString strHeadline = FormatResString(IDS_FILE_NOT_READ, strPath) + QStringLiteral("\n\n");
        EXPECT_TRUE(closer.m_texts[0].startsWith(strHeadline)) << qPrintable(closer.m_texts[0]);
        if (!strReason.isEmpty()) {
            EXPECT_EQ(closer.m_texts[0], strHeadline + strReason);
        }
        EXPECT_EQ(closer.m_titles,
                  QStringList{QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName()});
        EXPECT_EQ(m_pApp->GetMainFrame(), nullptr);
        EXPECT_EQ(m_pApp->GetDocument(), nullptr);
    }
}

// File > Open through the real file dialog: the message, then the program
// goes on with the document it had.
TEST_F(AppSpecialFiles, FileOpenOfASpecialFileLeavesTheProgramUsable)
{
    ASSERT_TRUE(m_pApp->InitInstance({}));
    m_pApp->GetDocument()->GetAt(5)->Memo = QStringLiteral("kept");
    // The dialog adds .xMem to a name without it; a link by that name stands
    // for the device.
    const QString strDevice = m_dir.filePath(QStringLiteral("zero.xMem"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), strDevice));
    const std::pair<QString, unsigned> cases[] = {
        {Fifo(), IDS_FILE_IS_FIFO}, {strDevice, IDS_FILE_IS_DEVICE}, {Socket(), IDS_FILE_IS_SOCKET}};
    for (const auto& [strPath, nReason] : cases) {
        CModalCloser closer;
        QPointer<QFileDialog> pAnswered;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&, strPath = strPath] {
            auto* pDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!pDialog)
                return;
            if (pDialog == pAnswered)
                return pDialog->reject(); // the dialog did not take the name
            pAnswered = pDialog;
            // Typed into the name field, as a user would; queued, so that
            // the boxes it may bring up are answered by the closer.
            auto* pName = pDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            pName->setText(strPath);
            QMetaObject::invokeMethod(
                pName, [pName] { QTest::keyClick(pName, Qt::Key_Return); }, Qt::QueuedConnection);
        });
        answer.start(20);
        QElapsedTimer timer;
        timer.start();
        EXPECT_TRUE(Frame()->RouteCommand(ID_FILE_OPEN));
        EXPECT_LT(timer.elapsed(), 5000);
        EXPECT_EQ(closer.m_texts, QStringList{FormatResString(IDS_FILE_NOT_READ, strPath) +
                                              QStringLiteral("\n\n") + LoadFileString(nReason)});
        EXPECT_TRUE(Frame()->isVisible());
        EXPECT_EQ(m_pApp->GetDocument()->GetAt(5)->Memo, QStringLiteral("kept")) << qPrintable(strPath);
        EXPECT_EQ(Frame()->windowTitle(),
                  LoadResString(AFX_IDS_UNTITLED) + QStringLiteral(" - DXR9K Vaultline"));
    }
    // A folder never leaves the dialog (it opens the folder); named otherwise,
    // as a recent file, it is refused the same way.
    CModalCloser closer;
    EXPECT_FALSE(m_pApp->GetDocument()->OnOpenDocument(m_dir.path()));
    EXPECT_EQ(closer.m_texts, QStringList{FormatResString(IDS_FILE_NOT_READ, m_dir.path()) +
                                          QStringLiteral("\n\n") + LoadFileString(IDS_FILE_IS_DIRECTORY)});
    EXPECT_TRUE(IsEnabled(ID_FILE_SAVE));
}

} // namespace
