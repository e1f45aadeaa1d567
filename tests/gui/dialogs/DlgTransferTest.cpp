#include "integration/instrument/SimProcess.h"
#include "tests/gui/framework/GuiApp.h"

#include "app/MainFrame.h"
#include "app/Recovery.h"
#include "app/VaultlineApp.h"
#include "dialogs/DlgTransfer.h"
#include "dialogs/DlgVerifyResults.h"
#include "model/VaultlineDoc.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "settings/AppOptions.h"
#include "support/FileBytes.h"
#include "views/FormMemData.h"
#include "views/ValueEdit.h"
#include "xmlfile/XmlText.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHelpEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeWidget>
#include <csignal>
#include <functional>
#include <memory>

namespace {

// The dialog with its controls and its beep within reach of the tests.
class CTestDlgTransfer : public CDlgTransfer
{
public:
    using CDlgTransfer::CDlgTransfer;

    template <class T = QWidget> T* Item(int nId) const { return qobject_cast<T*>(GetDlgItem(nId)); }
    QPushButton* TransferButton() const { return Item<QPushButton>(IDC_TRANSFER); }
    QComboBox* ResourceList() const { return Item<QComboBox>(IDC_RESOURCE); }
    CValueEdit* StartField() const { return Item<CValueEdit>(IDC_START_MEM); }
    CValueEdit* EndField() const { return Item<CValueEdit>(IDC_END_MEM); }
    void ClickCancel() const { QTest::mouseClick(Item(IDCANCEL), Qt::LeftButton); }

    void SetPartial(const QString& strStart, const QString& strEnd)
    {
        Item<QRadioButton>(IDC_PARTIAL)->click();
        StartField()->setText(strStart);
        EndField()->setText(strEnd);
    }

    int m_nBeeps = 0;

protected:
    void MessageBeep() override { ++m_nBeeps; }
};

// What a command run from the menu showed.
struct OUTCOME
{
    QString strTitle;
    QStringList messages; // message boxes, in order
    QStringList rows;     // the verify results, cells separated by tabs
    QStringList headers;
};

class DlgTransferTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        ASSERT_TRUE(m_dir.isValid());
        m_strState = m_dir.filePath(QStringLiteral("state.xMem"));
        m_strLog = m_dir.filePath(QStringLiteral("sim.log"));
        QFile::remove(m_strState);
        QFile::remove(m_strLog);
        m_nLogged = 0;
        ASSERT_TRUE(
            QFile::copy(QStringLiteral(VAULTLINE_SOURCE_DIR "/examples/bench-setup.xMem"), m_strState));
        QFile::setPermissions(m_strState, QFile::ReadOwner | QFile::WriteOwner);
        m_Bench.Reset();
        ASSERT_TRUE(m_Bench.Load(m_strState));
        qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
    }
    void TearDown() override
    {
        m_pDlg.reset();
        if (m_pApp && m_pApp->GetDocument())
            m_pApp->GetDocument()->SetModifiedFlag(false);
        m_pApp.reset();
        m_pSim.reset();
        qunsetenv("VAULTLINE_VISA_RESOURCES");
    }

    // The simulator with the example memories, listed for the program, and
    // the program with its main window; the dialog remembers the simulator.
    void Start(const QStringList& simOptions = {}, const QString& strRemembered = QString())
    {
        m_pSim = std::make_unique<CSimProcess>(
            QStringList{QStringLiteral("--state"), m_strState, QStringLiteral("--log"), m_strLog} +
            simOptions);
        ASSERT_FALSE(m_pSim->Resource().isEmpty());
        qputenv("VAULTLINE_VISA_RESOURCES", m_pSim->Resource().toLocal8Bit());
        m_pApp = std::make_unique<CVaultlineApp>();
        ASSERT_TRUE(m_pApp->InitInstance({}));
        m_pApp->m_Options.m_strIoResourceDn = strRemembered.isNull() ? m_pSim->Resource() : strRemembered;
        m_pApp->m_Options.m_strIoResourceUp = m_pApp->m_Options.m_strIoResourceDn;
    }

    CTestDlgTransfer& Open(int nMode)
    {
        m_pDlg = std::make_unique<CTestDlgTransfer>(nMode, m_pApp->m_Options, Doc(), m_pApp->GetMainFrame());
        m_pDlg->Create();
        m_pDlg->show();
        m_nLogged += SelectedMemories().size();
        return *m_pDlg;
    }

    // Clicks Transfer and returns the messages the transfer showed.
    QStringList RunTransfer()
    {
        CModalCloser closer;
        m_pDlg->TransferButton()->click();
        m_icons = closer.m_icons;
        return closer.m_texts;
    }

    // The memory numbers the simulator was asked to select since the dialog opened.
    QList<int> SelectedMemories() const
    {
        QList<int> memories;
        for (const QByteArray& line : FileBytes(m_strLog).split('\n')) {
            if (const qsizetype nAt = line.indexOf("BACK:SMEM:NSEL "); nAt >= 0)
                memories << line.mid(nAt + 15).trimmed().toInt();
        }
        return memories.mid(m_nLogged);
    }

    // Runs the menu command; fnAct gets the modal transfer dialog once it is
    // up (polled, so that nothing is left waiting on it).
    void WhenDialogOpens(unsigned nCommand, const std::function<void(CDlgTransfer&)>& fnAct)
    {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (auto* pDlg = qobject_cast<CDlgTransfer*>(QApplication::activeModalWidget())) {
                poll.stop();
                if (m_pSim) {
                    auto* pList = qobject_cast<QComboBox*>(pDlg->GetDlgItem(IDC_RESOURCE));
                    pList->setCurrentIndex(pList->findText(m_pSim->Resource()));
                }
                fnAct(*pDlg);
            }
        });
        poll.start(50);
        m_pApp->GetMainFrame()->RouteCommand(nCommand);
    }

    // The command as the menu runs it: the dialog set by fnSetUp, Transfer
    // (or Verify) clicked, then the dialog closed; what came up meanwhile is
    // answered and kept.
    OUTCOME RunFromMenu(unsigned nCommand, const std::function<void(CDlgTransfer&)>& fnSetUp = {})
    {
        OUTCOME out;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (auto* pResults = qobject_cast<CDlgVerifyResults*>(pModal)) {
                QTreeWidget* pList = pResults->GetList();
                for (int i = 0; i < pList->columnCount(); ++i)
                    out.headers << pList->headerItem()->text(i);
                for (int i = 0; i < pList->topLevelItemCount(); ++i) {
                    QStringList cells;
                    for (int j = 0; j < pList->columnCount(); ++j)
                        cells << pList->topLevelItem(i)->text(j);
                    out.rows << cells.join(QLatin1Char('\t'));
                }
                pResults->accept();
            } else if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
                out.messages << pBox->text();
                pBox->button(QMessageBox::Ok)->click();
            }
        });
        WhenDialogOpens(nCommand, [&](CDlgTransfer& dlg) {
            out.strTitle = dlg.windowTitle();
            if (fnSetUp)
                fnSetUp(dlg);
            answer.start(20);
            qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_TRANSFER))->click();
            answer.stop();
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return out;
    }

    CVaultlineDoc& Doc() { return *m_pApp->GetDocument(); }
    const STOREMEM& BenchAt(int i) { return *m_Bench.GetContainer().GetAt(i); }

    QTemporaryDir m_dir;
    QString m_strState;
    QString m_strLog;
    qsizetype m_nLogged = 0;
    QList<QMessageBox::Icon> m_icons; // of the messages of the last RunTransfer
    CXmlDocData m_Bench;
    std::unique_ptr<CSimProcess> m_pSim;
    std::unique_ptr<CVaultlineApp> m_pApp;
    std::unique_ptr<CTestDlgTransfer> m_pDlg;
};

TEST_F(DlgTransferTest, ShowsTheModeInTitleAndButtonAndStartsWithAll)
{
    Start();
    const std::pair<int, const char16_t*> modes[] = {
        {CVaultlineDoc::UPLOAD, u"Upload (PC \u0081--> DXR9K)"},
        {CVaultlineDoc::DOWNLOAD, u"Download (DXR9K \u0081--> PC)"}};
    for (const auto& [nMode, pszTitle] : modes) {
        CTestDlgTransfer& dlg = Open(nMode);
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf16(pszTitle));
        EXPECT_TRUE(dlg.windowTitle().startsWith(dlg.TransferButton()->text() + QLatin1Char(' ')));
        EXPECT_TRUE(dlg.Item<QRadioButton>(IDC_ALL)->isChecked());
        EXPECT_FALSE(dlg.StartField()->isEnabled() || dlg.EndField()->isEnabled());
        EXPECT_EQ(dlg.StartField()->text() + dlg.EndField()->text(), QStringLiteral("099"));
        EXPECT_FALSE(dlg.ResourceList()->isEditable());
        // The template's list height is that of the open list; closed, the box
        // must not cover the options below it.
        const QList<QGroupBox*> groups = dlg.findChildren<QGroupBox*>();
        ASSERT_FALSE(groups.isEmpty());
        EXPECT_LE(dlg.ResourceList()->geometry().bottom(), groups.last()->geometry().top());

        dlg.Item<QRadioButton>(IDC_PARTIAL)->click();
        EXPECT_TRUE(dlg.StartField()->isEnabled() && dlg.EndField()->isEnabled());
        // Resting on a range field asks the dialog for the field's tooltip.
        QHelpEvent ev(QEvent::ToolTip, QPoint(2, 2), dlg.EndField()->mapToGlobal(QPoint(2, 2)));
        QCoreApplication::sendEvent(dlg.EndField(), &ev);
        EXPECT_EQ(QToolTip::text(), QStringLiteral("0 ~ 99"));
        dlg.Item<QRadioButton>(IDC_ALL)->click();
        EXPECT_FALSE(dlg.StartField()->isEnabled());
    }
    // Typing in the range fields is not a change of the document.
    m_pDlg->Item<QRadioButton>(IDC_PARTIAL)->click();
    QTest::keyClicks(m_pDlg->StartField(), QStringLiteral("12"));
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(DlgTransferTest, ListIsSortedAndSelectsTheRememberedResourceByPrefixWithoutRegardToCase)
{
    Start();
    const QString strSim = m_pSim->Resource();
    const QString strAa = QStringLiteral("asrl/dev/aa-missing::INSTR");
    const QString strZz = QStringLiteral("ASRL/dev/zz-missing::INSTR");
    qputenv("VAULTLINE_VISA_RESOURCES",
            (strZz + QLatin1Char(';') + strSim + QLatin1Char(';') + strAa).toLocal8Bit());
    const std::pair<QString, QString> cases[] = {
        // remembered, selected (empty: nothing)
        {strSim, strSim},
        {strSim.toLower(), strSim},
        {strSim.left(strSim.indexOf(QLatin1String("::"))), strSim},
        {QStringLiteral("ASRL/dev/zz"), strZz},
        {QStringLiteral("GPIB0::2::INSTR"), QString()},
        {strSim + QStringLiteral("x"), QString()},
    };
    for (const auto& [strRemembered, strExpected] : cases) {
        m_pApp->m_Options.m_strIoResourceDn = strRemembered;
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
        // The machine's own serial ports are listed too; ours come in sorted order among them.
        QStringList listed;
        for (int i = 0; i < dlg.ResourceList()->count(); ++i)
            listed << dlg.ResourceList()->itemText(i);
        QStringList sorted = listed;
        sorted.sort(Qt::CaseInsensitive);
        EXPECT_EQ(listed, sorted);
        EXPECT_TRUE(listed.contains(strAa) && listed.contains(strSim) && listed.contains(strZz));
        EXPECT_EQ(dlg.ResourceList()->currentText(), strExpected) << qPrintable(strRemembered);
        EXPECT_EQ(dlg.TransferButton()->isEnabled(), !strExpected.isEmpty()) << qPrintable(strRemembered);
    }

    // Not listed: Transfer waits until the operator picks an entry.
    CTestDlgTransfer& dlg = *m_pDlg;
    dlg.ResourceList()->setCurrentIndex(0);
    EXPECT_TRUE(dlg.TransferButton()->isEnabled());

    // Opening the list refills it and goes back to the remembered resource.
    qputenv("VAULTLINE_VISA_RESOURCES", strSim.toLocal8Bit());
    m_pApp->m_Options.m_strIoResourceDn = strSim;
    dlg.ResourceList()->showPopup();
    dlg.ResourceList()->hidePopup();
    EXPECT_EQ(dlg.ResourceList()->findText(strZz), -1);
    EXPECT_EQ(dlg.ResourceList()->currentText(), strSim);
}

TEST_F(DlgTransferTest, NoResourceManagerLeavesTheListEmpty)
{
    // The document is made without any VISA: only a system library is allowed, and it cannot be loaded.
    qputenv("VAULTLINE_VISA_PROVIDER", "system");
    qputenv("VAULTLINE_VISA_LIBRARY", "/nonexistent/libvisa.so");
    Start();
    qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
    qunsetenv("VAULTLINE_VISA_LIBRARY");
    ASSERT_EQ(Doc().GetResourceManager(), nullptr);
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    EXPECT_EQ(dlg.ResourceList()->count(), 0);
    EXPECT_FALSE(dlg.TransferButton()->isEnabled());
}

TEST_F(DlgTransferTest, TheRangeChosenIsTransferredWithItsProgressAndADownloadIsShown)
{
    Start();
    m_pApp->GetMainFrame()->SelectForm(QStringLiteral("5"));
    QCoreApplication::processEvents();
    auto shownMemo = [this] {
        return qobject_cast<CFormMemData*>(m_pApp->GetRightPane())->GetList().GetItemText(2, 1);
    };
    ASSERT_EQ(shownMemo(), QString());
    const std::tuple<int, int, int, bool> cases[] = {
        {CVaultlineDoc::UPLOAD, 41, 42, false},
        {CVaultlineDoc::DOWNLOAD, 5, 5, false},
        {CVaultlineDoc::DOWNLOAD, 5, 7, true}, // All, whatever the fields show
    };
    for (const auto& [nMode, nStart, nEnd, bAll] : cases) {
        Doc().SetModifiedFlag(false);
        CTestDlgTransfer& dlg = Open(nMode);
        dlg.SetPartial(QString::number(nStart), QString::number(nEnd));
        if (bAll)
            dlg.Item<QRadioButton>(IDC_ALL)->click();
        QList<int> expected;
        for (int i = bAll ? 0 : nStart; i <= (bAll ? 99 : nEnd); ++i)
            expected << i;
        EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
        EXPECT_EQ(m_icons, QList<QMessageBox::Icon>{QMessageBox::Information}) << "good news, not a warning";
        EXPECT_EQ(SelectedMemories(), expected);
        const auto* pProgress = dlg.Item<QProgressBar>(IDC_PROGRESS);
        EXPECT_EQ(pProgress->minimum(), 0);
        EXPECT_EQ(pProgress->maximum(), expected.size());
        EXPECT_EQ(pProgress->value(), expected.size());
        EXPECT_EQ(Doc().IsModified(), nMode == CVaultlineDoc::DOWNLOAD) << "an upload leaves the document";
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());
        if (expected.size() == 1) {
            EXPECT_EQ(Doc().GetAt(4)->Memo, QString());
            EXPECT_EQ(shownMemo(), BenchAt(5).Memo) << "the shown form is refreshed";
        }
    }
}

TEST_F(DlgTransferTest, RefusedStartsBeepOrReportAndStartNothing)
{
    Start();
    // Start after End beeps once; an out-of-range field beeps through its own check.
    const std::tuple<const char*, const char*, int> cases[] = {
        {"7", "3", 1}, {"100", "100", 0}, {"-1", "5", 0}};
    for (const auto& [pszStart, pszEnd, nBeeps] : cases) {
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::UPLOAD);
        dlg.SetPartial(QString::fromLatin1(pszStart), QString::fromLatin1(pszEnd));
        EXPECT_TRUE(RunTransfer().isEmpty());
        EXPECT_EQ(dlg.m_nBeeps, nBeeps) << pszStart << " " << pszEnd;
        EXPECT_FALSE(dlg.HasRun());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());
        EXPECT_EQ(dlg.StartField()->text(), QString::fromLatin1(pszStart))
            << "the typed text stays for correction";
    }
    EXPECT_FALSE(QFile::exists(m_strLog) && QFile(m_strLog).size() > 0)
        << "the instrument was never addressed";
}

// The Cancel button, Escape and the close box: while running they only stop
// the transfer after the memory in progress; idle they close.
TEST_F(DlgTransferTest, CancelWhileRunningStopsAfterTheMemoryInProgressAndCancelWhileIdleCloses)
{
    Start();
    const std::function<void(CTestDlgTransfer*)> ways[] = {
        [](CTestDlgTransfer* pDlg) { pDlg->ClickCancel(); },
        [](CTestDlgTransfer* pDlg) { QTest::keyClick(pDlg, Qt::Key_Escape); },
        [](CTestDlgTransfer* pDlg) { pDlg->close(); },
    };
    for (const auto& fnCancel : ways) {
        Doc().SetModifiedFlag(false);
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
        dlg.SetPartial(QStringLiteral("0"), QStringLiteral("9"));
        bool bRunningAtClick = false;
        bool bTransferEnabledAtClick = true;
        // The click waits in the queue until the first memory has been read.
        QTimer::singleShot(0, [&] {
            bRunningAtClick = dlg.IsRunning();
            dlg.ResourceList()->showPopup(); // refills the list during the transfer
            dlg.ResourceList()->hidePopup();
            bTransferEnabledAtClick = dlg.TransferButton()->isEnabled();
            fnCancel(&dlg);
            fnCancel(&dlg); // a double click does not close it
        });
        EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
        EXPECT_EQ(m_icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        EXPECT_TRUE(bRunningAtClick);
        EXPECT_FALSE(bTransferEnabledAtClick);
        EXPECT_EQ(SelectedMemories(), QList<int>{0});
        EXPECT_EQ(Doc().GetAt(0)->Memo, BenchAt(0).Memo);
        EXPECT_EQ(Doc().GetAt(1)->Memo, QString());
        EXPECT_TRUE(Doc().IsModified()) << "modified from the first memory on";
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());

        fnCancel(&dlg);
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), IDCANCEL);
    }
}

TEST_F(DlgTransferTest, FailuresAreReportedAndLeaveTheDialogIdle)
{
    const std::tuple<QStringList, CTransferProcedure::EResult, QString> cases[] = {
        {{QStringLiteral("--idn"), QStringLiteral("TALVERO,DXR-9K,1234567,1.00")},
         CTransferProcedure::RESULT_WRONG_MODEL,
         LoadResString(IDS_WRONG_MODEL)},
        {{QStringLiteral("--queue-error"), QStringLiteral("-222")},
         CTransferProcedure::RESULT_INSTRUMENT_ERRORS,
         QStringLiteral("SCPI Error(s)\n\n(-222) ")},
        {{QStringLiteral("--silent-after"), QStringLiteral("40")},
         CTransferProcedure::RESULT_VISA_FAILURE,
         QStringLiteral("Timeout expired before operation completed.")},
    };
    for (const auto& [simOptions, eResult, strMessageStart] : cases) {
        SCOPED_TRACE(qPrintable(simOptions.join(QLatin1Char(' '))));
        TearDown();
        SetUp();
        Start(simOptions);
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
        const QStringList messages = RunTransfer();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(strMessageStart)) << qPrintable(messages[0]);
        EXPECT_EQ(m_icons, QList<QMessageBox::Icon>{QMessageBox::Warning});
        EXPECT_EQ(dlg.GetLastResult(), eResult);
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());
        EXPECT_TRUE(dlg.isVisible());
        if (eResult == CTransferProcedure::RESULT_VISA_FAILURE) {
            // Nobody holds the instrument any more: a new session locks it at once.
            std::shared_ptr<IVisaSession> pSession =
                Doc().GetResourceManager()->Open(m_pSim->Resource(), Visa::NO_LOCK, 2000, QString());
            EXPECT_NO_THROW(pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()));
            pSession->UnlockRsrc();
        }
        dlg.ClickCancel();
        EXPECT_FALSE(dlg.isVisible()) << "Cancel closes at the first click";
    }
}

TEST_F(DlgTransferTest, TransferMenuCommandsRunTheDialogModallyAndTheResourceIsRememberedAfterTheEnd)
{
    Start({}, QStringLiteral("GPIB0::1::INSTR"));
    const OUTCOME out = RunFromMenu(ID_TRANSFER_DOWNLOAD, [](CDlgTransfer& dlg) {
        qobject_cast<QRadioButton*>(dlg.GetDlgItem(IDC_PARTIAL))->click();
        dlg.SetDlgItemText(IDC_START_MEM, QStringLiteral("8"));
        dlg.SetDlgItemText(IDC_END_MEM, QStringLiteral("9"));
    });
    EXPECT_EQ(out.strTitle, LoadResString(IDS_DOWNLOAD_TITLE));
    EXPECT_EQ(out.messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(Doc().GetAt(8)->Memo, BenchAt(8).Memo);

    Doc().SetModifiedFlag(false);
    m_pApp->ExitInstance();
    m_pApp.reset();
    CAppOptions options;
    EXPECT_EQ(options.m_strIoResourceDn, m_pSim->Resource());
    EXPECT_EQ(options.m_strIoResourceUp, QStringLiteral("GPIB0::1::INSTR"))
        << "an upload's choice is its own";
}

// A signal during a download: the transfer stops after the memory in
// progress, its message and the dialog close, and what was read goes to the
// recovery file before the window closes.
TEST_F(DlgTransferTest, AnEndSignalCancelsARunningTransferAndKeepsWhatItRead)
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("xdg-state"))));
    Start({QStringLiteral("--latency"), QStringLiteral("5")});
    WhenDialogOpens(ID_TRANSFER_DOWNLOAD, [this](CDlgTransfer& dlg) {
        // Arrives while the first memories are being read.
        QTimer::singleShot(0, [this] { m_pApp->EndBySignal(SIGTERM); });
        qobject_cast<QPushButton*>(dlg.GetDlgItem(IDC_TRANSFER))->click();
    });
    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_pApp->GetMainFrame()->isVisible(); }, 10000));
    const QList<int> read = SelectedMemories();
    ASSERT_FALSE(read.isEmpty());
    EXPECT_LT(read.size(), 10) << "stopped between memories, not at the end";
    CXmlDocData kept;
    kept.Reset();
    ASSERT_TRUE(kept.Load(CRecovery::FilePath()));
    EXPECT_EQ(kept.GetContainer().GetAt(0)->Memo, BenchAt(0).Memo);
    qunsetenv("XDG_STATE_HOME");
}

QString Fixed(float f)
{
    return QString::fromStdString(XmlText::FormatFixed(static_cast<double>(f), 4));
}

// Transfer > Verify...: the transfer dialog's flow, then the differences.
TEST_F(DlgTransferTest, VerifyListsTheDifferencesOrSaysThereAreNone)
{
    Start();
    ASSERT_EQ(RunFromMenu(ID_TRANSFER_DOWNLOAD).messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    Doc().SetModifiedFlag(false);

    const OUTCOME same = RunFromMenu(ID_TRANSFER_VERIFY);
    EXPECT_EQ(same.strTitle, LoadResString(IDS_VERIFY_TITLE));
    EXPECT_EQ(same.messages, QStringList{LoadResString(IDS_VERIFY_SAME)});
    EXPECT_TRUE(same.rows.isEmpty());
    EXPECT_FALSE(Doc().IsModified()) << "a verify changes nothing in the document";

    const STOREMEM mem3 = *Doc().GetAt(3);
    const STOREMEM mem60 = *Doc().GetAt(60);
    const QString strLong = QStringLiteral("Twenty-five characters ok");
    Doc().GetAt(3)->Curr = mem3.Curr + 1.0f;
    Doc().GetAt(60)->Memo = strLong;
    Doc().GetAt(60)->Abc[1].Cond_L = mem60.Abc[1].Cond_L + 0.5f;
    const OUTCOME differ = RunFromMenu(ID_TRANSFER_VERIFY);
    EXPECT_TRUE(differ.messages.isEmpty()) << qPrintable(differ.messages.join('\n'));
    EXPECT_EQ(differ.headers, (QStringList{"Memory", "Field", "Document", "Instrument", "Note"}));
    EXPECT_EQ(differ.rows,
              (QStringList{
                  QStringLiteral("3\tCurr\t%1\t%2\t").arg(Fixed(mem3.Curr + 1.0f), Fixed(mem3.Curr)),
                  QStringLiteral("60\tMemo\t%1\t%2\t%3")
                      .arg(strLong, QString(mem60.Memo).replace(QLatin1Char('\n'), QLatin1String("\\n")),
                           LoadResString(IDS_MEMO_KEPT_SHORTER).arg(25).arg(15)),
                  QStringLiteral("60\tBMem/Cond_L\t%1\t%2\t")
                      .arg(QString::fromStdString(
                               XmlText::FormatFixed(static_cast<double>(mem60.Abc[1].Cond_L + 0.5f), 6)),
                           QString::fromStdString(
                               XmlText::FormatFixed(static_cast<double>(mem60.Abc[1].Cond_L), 6))),
              }));

    // The instrument was only read: a download gives back what it held.
    ASSERT_EQ(RunFromMenu(ID_TRANSFER_DOWNLOAD).messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(Doc().GetAt(3)->Curr, mem3.Curr);
    EXPECT_EQ(Doc().GetAt(60)->Memo, mem60.Memo);
}

TEST_F(DlgTransferTest, AFailedVerifyReportsAsAnyTransferDoes)
{
    // The listed instrument does not answer. It is kept running rather than
    // ended: the number of an ended pseudo-terminal is soon given to the
    // simulator of a test running beside this one.
    Start({QStringLiteral("--silent-after"), QStringLiteral("0")});
    const OUTCOME out = RunFromMenu(ID_TRANSFER_VERIFY);
    ASSERT_EQ(out.messages.size(), 1);
    EXPECT_NE(out.messages[0], LoadResString(IDS_VERIFY_SAME));
    EXPECT_NE(out.messages[0], LoadResString(IDS_TRANSFER_COMPLETED));
    EXPECT_TRUE(out.rows.isEmpty());
}

} // namespace
