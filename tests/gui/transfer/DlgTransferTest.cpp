#include "integration/instrument/SimProcess.h"
#include "tests/gui/framework/GuiApp.h"

#include "app/AppOptions.h"
#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "model/XmlDocData.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "transfer/DlgTransfer.h"
#include "views/ValueEdit.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <memory>

namespace {

const QString s_strTimeout = QStringLiteral("Timeout expired before operation completed.");

// The texts of the message boxes a transfer showed, closed as they came.
class CMessageCatcher
{
public:
    CMessageCatcher() : m_pState(std::make_shared<STATE>()) { Arm(m_pState); }
    ~CMessageCatcher() { m_pState->bStop = true; }

    QStringList Texts() const { return m_pState->texts; }

private:
    struct STATE
    {
        bool bStop = false;
        QStringList texts;
    };
    static void Arm(const std::shared_ptr<STATE>& pState)
    {
        QTimer::singleShot(20, [pState] {
            if (pState->bStop)
                return;
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                pState->texts << pBox->text();
                pBox->button(QMessageBox::Ok)->click();
            }
            Arm(pState);
        });
    }
    std::shared_ptr<STATE> m_pState;
};

// The dialog with its controls and its beep within reach of the tests.
class CTestDlgTransfer : public CDlgTransfer
{
public:
    using CDlgTransfer::CDlgTransfer;

    QPushButton* TransferButton() const { return qobject_cast<QPushButton*>(GetDlgItem(IDC_TRANSFER)); }
    QPushButton* CancelButton() const { return qobject_cast<QPushButton*>(GetDlgItem(IDCANCEL)); }
    QComboBox* ResourceList() const { return qobject_cast<QComboBox*>(GetDlgItem(IDC_RESOURCE)); }
    QProgressBar* Progress() const { return qobject_cast<QProgressBar*>(GetDlgItem(IDC_PROGRESS)); }
    CValueEdit* StartField() const { return qobject_cast<CValueEdit*>(GetDlgItem(IDC_START_MEM)); }
    CValueEdit* EndField() const { return qobject_cast<CValueEdit*>(GetDlgItem(IDC_END_MEM)); }
    QRadioButton* Radio(int nId) const { return qobject_cast<QRadioButton*>(GetDlgItem(nId)); }

    void SetPartial(int nStart, int nEnd)
    {
        Radio(IDC_PARTIAL)->click();
        StartField()->setText(QString::number(nStart));
        EndField()->setText(QString::number(nEnd));
    }

    int m_nBeeps = 0;

protected:
    void MessageBeep() override { ++m_nBeeps; }
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
        ASSERT_TRUE(QFile::copy(FixtureBench(), m_strState));
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

    static QString FixtureBench()
    {
        return QStringLiteral(VAULTLINE_SOURCE_DIR "/examples/bench-setup.xMem");
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
        m_pDlg = std::make_unique<CTestDlgTransfer>(nMode, m_pApp->GetMainFrame());
        m_pDlg->Create();
        m_pDlg->show();
        return *m_pDlg;
    }

    // Clicks Transfer and returns the messages the transfer showed.
    QStringList RunTransfer()
    {
        CMessageCatcher catcher;
        m_pDlg->TransferButton()->click();
        return catcher.Texts();
    }

    // The memory numbers the simulator was asked to select, in order.
    QList<int> SelectedMemories() const
    {
        QFile file(m_strLog);
        QList<int> memories;
        if (!file.open(QIODevice::ReadOnly))
            return memories;
        while (!file.atEnd()) {
            const QString strLine = QString::fromLatin1(file.readLine());
            const int nAt = strLine.indexOf(QLatin1String("BACK:SMEM:NSEL "));
            if (nAt >= 0)
                memories << strLine.mid(nAt + 15).trimmed().toInt();
        }
        return memories;
    }

    CVaultlineDoc& Doc() { return *m_pApp->GetDocument(); }
    const STOREMEM& BenchAt(int i) { return *m_Bench.GetContainer().GetAt(i); }

    QTemporaryDir m_dir;
    QString m_strState;
    QString m_strLog;
    CXmlDocData m_Bench;
    std::unique_ptr<CSimProcess> m_pSim;
    std::unique_ptr<CVaultlineApp> m_pApp;
    std::unique_ptr<CTestDlgTransfer> m_pDlg;
};

QList<int> Range(int nFirst, int nLast)
{
    QList<int> list;
    for (int i = nFirst; i <= nLast; ++i)
        list << i;
    return list;
}

TEST_F(DlgTransferTest, ShowsTheModeInTitleAndButtonAndStartsWithAll)
{
    Start();
    struct CASE
    {
        int nMode;
        QString strTitle;
        QString strButton;
    };
    const CASE cases[] = {
        {CVaultlineDoc::UPLOAD, QStringLiteral("Upload (PC \u0081--> DXR9K)"), QStringLiteral("Upload")},
        {CVaultlineDoc::DOWNLOAD, QStringLiteral("Download (DXR9K \u0081--> PC)"),
         QStringLiteral("Download")},
    };
    for (const CASE& c : cases) {
        CTestDlgTransfer& dlg = Open(c.nMode);
        EXPECT_EQ(dlg.windowTitle(), c.strTitle);
        EXPECT_EQ(dlg.TransferButton()->text(), c.strButton);
        EXPECT_TRUE(dlg.Radio(IDC_ALL)->isChecked());
        EXPECT_FALSE(dlg.StartField()->isEnabled());
        EXPECT_FALSE(dlg.EndField()->isEnabled());
        EXPECT_EQ(dlg.StartField()->text(), QStringLiteral("0"));
        EXPECT_EQ(dlg.EndField()->text(), QStringLiteral("99"));
        EXPECT_EQ(dlg.GetToolTipText(IDC_START_MEM), QStringLiteral("0 ~ 99"));
        EXPECT_EQ(dlg.GetToolTipText(IDC_END_MEM), QStringLiteral("0 ~ 99"));
        EXPECT_EQ(dlg.GetToolTipText(IDC_RESOURCE), QString());
        EXPECT_FALSE(dlg.ResourceList()->isEditable());
        // The template's list height is that of the open list; closed, the box
        // must not cover the options below it.
        QWidget* pOptions = nullptr;
        for (QWidget* pChild : dlg.findChildren<QGroupBox*>())
            pOptions = pChild;
        ASSERT_NE(pOptions, nullptr);
        EXPECT_LE(dlg.ResourceList()->geometry().bottom(), pOptions->geometry().top());
        EXPECT_EQ(dlg.ResourceList()->currentText(), m_pSim->Resource());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());

        dlg.Radio(IDC_PARTIAL)->click();
        EXPECT_TRUE(dlg.StartField()->isEnabled());
        EXPECT_TRUE(dlg.EndField()->isEnabled());
        dlg.Radio(IDC_ALL)->click();
        EXPECT_FALSE(dlg.StartField()->isEnabled());
    }
    // Typing in the range fields is not a change of the document.
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    dlg.Radio(IDC_PARTIAL)->click();
    QTest::keyClicks(dlg.StartField(), QStringLiteral("12"));
    EXPECT_FALSE(Doc().IsModified());
}

TEST_F(DlgTransferTest, ListIsSortedAndSelectsTheRememberedResourceByPrefixWithoutRegardToCase)
{
    Start();
    const QString strSim = m_pSim->Resource();
    qputenv("VAULTLINE_VISA_RESOURCES", (QStringLiteral("ASRL/dev/zz-missing::INSTR;") + strSim +
                                         QStringLiteral(";asrl/dev/aa-missing::INSTR"))
                                            .toLocal8Bit());
    struct CASE
    {
        QString strRemembered;
        QString strSelected; // empty: nothing selected
    };
    const CASE cases[] = {
        {strSim, strSim},
        {strSim.toLower(), strSim},
        {strSim.left(strSim.indexOf(QLatin1String("::"))), strSim},
        {QStringLiteral("ASRL/dev/zz"), QStringLiteral("ASRL/dev/zz-missing::INSTR")},
        {QStringLiteral("ASRL"), QStringLiteral("asrl/dev/aa-missing::INSTR")},
        {QStringLiteral("GPIB0::2::INSTR"), QString()},
        {strSim + QStringLiteral("x"), QString()},
    };
    for (const CASE& c : cases) {
        m_pApp->m_Options.m_strIoResourceDn = c.strRemembered;
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
        QComboBox* pList = dlg.ResourceList();
        // The machine's own serial ports are listed too; ours must come in sorted order among them.
        QStringList listed;
        for (int i = 0; i < pList->count(); ++i)
            listed << pList->itemText(i);
        QStringList sorted = listed;
        std::sort(sorted.begin(), sorted.end(),
                  [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
        EXPECT_EQ(listed, sorted);
        const int nAa = listed.indexOf(QStringLiteral("asrl/dev/aa-missing::INSTR"));
        const int nSim = listed.indexOf(strSim);
        const int nZz = listed.indexOf(QStringLiteral("ASRL/dev/zz-missing::INSTR"));
        ASSERT_TRUE(nAa >= 0 && nSim >= 0 && nZz >= 0) << qPrintable(listed.join(QLatin1Char(' ')));
        EXPECT_LT(nAa, nSim);
        EXPECT_LT(nSim, nZz);
        // A bare "ASRL" selects the first entry of the sorted list that begins with it.
        const QString strSelected = c.strRemembered == QLatin1String("ASRL") ? listed.first() : c.strSelected;
        EXPECT_EQ(pList->currentText(), strSelected) << qPrintable(c.strRemembered);
        EXPECT_EQ(dlg.TransferButton()->isEnabled(), !strSelected.isEmpty()) << qPrintable(c.strRemembered);
    }

    // Not listed: nothing can start until the operator picks an entry.
    CTestDlgTransfer& dlg = *m_pDlg;
    EXPECT_TRUE(RunTransfer().isEmpty());
    EXPECT_FALSE(dlg.HasRun());
    dlg.ResourceList()->setCurrentIndex(0);
    EXPECT_TRUE(dlg.TransferButton()->isEnabled());

    // Opening the list refills it and goes back to the remembered resource.
    qputenv("VAULTLINE_VISA_RESOURCES", strSim.toLocal8Bit());
    m_pApp->m_Options.m_strIoResourceDn = strSim;
    dlg.ResourceList()->showPopup();
    dlg.ResourceList()->hidePopup();
    EXPECT_EQ(dlg.ResourceList()->findText(QStringLiteral("ASRL/dev/zz-missing::INSTR")), -1);
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

TEST_F(DlgTransferTest, AllCoversEveryMemoryWhateverTheFieldsShow)
{
    Start();
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    dlg.SetPartial(5, 7);
    dlg.Radio(IDC_ALL)->click();
    EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(SelectedMemories(), Range(0, 99));
    EXPECT_EQ(dlg.Progress()->maximum(), 100);
    EXPECT_EQ(dlg.Progress()->value(), 100);
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_TRUE(dlg.TransferButton()->isEnabled());
}

TEST_F(DlgTransferTest, PartialFiveToFiveTransfersExactlyMemoryFive)
{
    Start();
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    dlg.SetPartial(5, 5);
    EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(SelectedMemories(), QList<int>{5});
    EXPECT_EQ(dlg.Progress()->minimum(), 0);
    EXPECT_EQ(dlg.Progress()->maximum(), 1);
    EXPECT_EQ(Doc().GetAt(5)->Memo, BenchAt(5).Memo);
    EXPECT_EQ(Doc().GetAt(4)->Memo, QString());
    EXPECT_EQ(Doc().GetAt(6)->Memo, QString());
}

TEST_F(DlgTransferTest, RefusedStartsBeepOrReportAndStartNothing)
{
    Start();
    struct CASE
    {
        QString strStart;
        QString strEnd;
        int nBeeps;
    };
    // Start after End beeps once; an out-of-range field beeps through its own check.
    const CASE cases[] = {
        {QStringLiteral("7"), QStringLiteral("3"), 1},
        {QStringLiteral("99"), QStringLiteral("0"), 1},
        {QStringLiteral("100"), QStringLiteral("100"), 0},
        {QStringLiteral("-1"), QStringLiteral("5"), 0},
    };
    for (const CASE& c : cases) {
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::UPLOAD);
        dlg.Radio(IDC_PARTIAL)->click();
        dlg.StartField()->setText(c.strStart);
        dlg.EndField()->setText(c.strEnd);
        EXPECT_TRUE(RunTransfer().isEmpty());
        EXPECT_EQ(dlg.m_nBeeps, c.nBeeps) << qPrintable(c.strStart + " " + c.strEnd);
        EXPECT_FALSE(dlg.HasRun());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());
        EXPECT_EQ(dlg.StartField()->text(), c.strStart) << "the typed text stays for correction";
    }
    EXPECT_TRUE(SelectedMemories().isEmpty());
    EXPECT_FALSE(QFile::exists(m_strLog) && QFile(m_strLog).size() > 0)
        << "the instrument was never addressed";
}

TEST_F(DlgTransferTest, DownloadRefreshesTheShownMemoryAndMarksTheDocumentModified)
{
    Start();
    m_pApp->GetMainFrame()->SelectForm(QStringLiteral("3"));
    QCoreApplication::processEvents();
    auto shownTexts = [this] {
        QStringList texts;
        for (QTreeWidget* pList : m_pApp->GetRightPane()->findChildren<QTreeWidget*>()) {
            for (QTreeWidgetItemIterator it(pList); *it; ++it)
                for (int nCol = 0; nCol < pList->columnCount(); ++nCol)
                    texts << (*it)->text(nCol);
        }
        return texts;
    };
    ASSERT_FALSE(shownTexts().contains(BenchAt(3).Memo));

    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    dlg.SetPartial(2, 4);
    EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_TRUE(Doc().IsModified());
    EXPECT_TRUE(shownTexts().contains(BenchAt(3).Memo));
}

TEST_F(DlgTransferTest, UploadWritesTheInstrumentAndLeavesTheDocumentAlone)
{
    Start();
    Doc().GetAt(42)->Memo = QStringLiteral("uploaded");
    Doc().GetAt(42)->Curr = 1.25f;
    Doc().SetModifiedFlag(false);
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::UPLOAD);
    dlg.SetPartial(41, 42);
    EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_FALSE(Doc().IsModified());
    EXPECT_EQ(m_pSim->Stop(), 0);

    CXmlDocData saved;
    saved.Reset();
    ASSERT_TRUE(saved.Load(m_strState));
    EXPECT_EQ(saved.GetContainer().GetAt(42)->Memo, QStringLiteral("uploaded"));
    EXPECT_EQ(saved.GetContainer().GetAt(42)->Curr, 1.25f);
    EXPECT_EQ(saved.GetContainer().GetAt(40)->Memo, BenchAt(40).Memo) << "outside the range";
}

TEST_F(DlgTransferTest, CancelWhileRunningStopsAfterTheMemoryInProgressAndCancelWhileIdleCloses)
{
    Start();
    CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
    dlg.SetPartial(0, 9);
    bool bRunningAtClick = false;
    bool bTransferEnabledAtClick = true;
    // The click waits in the queue until the first memory has been read.
    QTimer::singleShot(0, [&] {
        bRunningAtClick = dlg.IsRunning();
        dlg.ResourceList()->showPopup(); // refills the list during the transfer
        dlg.ResourceList()->hidePopup();
        bTransferEnabledAtClick = dlg.TransferButton()->isEnabled();
        QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton); // a double click does not close it
    });
    EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
    EXPECT_TRUE(bRunningAtClick);
    EXPECT_FALSE(bTransferEnabledAtClick);
    EXPECT_EQ(SelectedMemories(), QList<int>{0});
    EXPECT_EQ(Doc().GetAt(0)->Memo, BenchAt(0).Memo);
    EXPECT_EQ(Doc().GetAt(1)->Memo, QString());
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_FALSE(dlg.IsRunning());
    EXPECT_TRUE(dlg.TransferButton()->isEnabled());

    QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), IDCANCEL);
}

TEST_F(DlgTransferTest, EscapeAndTheCloseBoxCancelLikeTheButton)
{
    Start();
    const std::function<void(QDialog*)> ways[] = {
        [](QDialog* pDlg) { QTest::keyClick(pDlg, Qt::Key_Escape); },
        [](QDialog* pDlg) { pDlg->close(); },
    };
    for (const auto& fnCancel : ways) {
        QFile::remove(m_strLog);
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::UPLOAD);
        QTimer::singleShot(0, [&] { fnCancel(&dlg); });
        EXPECT_EQ(RunTransfer(), QStringList{LoadResString(IDS_TRANSFER_ABORTED)});
        EXPECT_LE(SelectedMemories().size(), 1) << "the transfer stops after the memory in progress";
        EXPECT_TRUE(dlg.isVisible()) << "a running transfer only stops";
        fnCancel(&dlg);
        EXPECT_FALSE(dlg.isVisible()) << "an idle dialog closes";
    }
}

TEST_F(DlgTransferTest, FailuresAreReportedAndLeaveTheDialogIdle)
{
    struct CASE
    {
        const char* pszName;
        QStringList simOptions;
        CTransferProcedure::EResult result;
        QString strMessageStart;
    };
    const CASE cases[] = {
        {"wrong model",
         {QStringLiteral("--idn"), QStringLiteral("TALVERO,DXR-9K,1234567,1.00")},
         CTransferProcedure::RESULT_WRONG_MODEL,
         LoadResString(IDS_WRONG_MODEL)},
        {"old errors in the queue",
         {QStringLiteral("--queue-error"), QStringLiteral("-222")},
         CTransferProcedure::RESULT_INSTRUMENT_ERRORS,
         QStringLiteral("SCPI Error(s)\n\n(-222) ")},
        {"no answer",
         {QStringLiteral("--silent-after"), QStringLiteral("40")},
         CTransferProcedure::RESULT_VISA_FAILURE,
         s_strTimeout},
    };
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.pszName);
        TearDown();
        SetUp();
        Start(c.simOptions);
        CTestDlgTransfer& dlg = Open(CVaultlineDoc::DOWNLOAD);
        const QStringList messages = RunTransfer();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].startsWith(c.strMessageStart)) << qPrintable(messages[0]);
        EXPECT_EQ(dlg.GetLastResult(), c.result);
        EXPECT_FALSE(dlg.IsRunning());
        EXPECT_TRUE(dlg.TransferButton()->isEnabled());
        EXPECT_TRUE(dlg.isVisible());
        if (c.result == CTransferProcedure::RESULT_VISA_FAILURE) {
            // Nobody holds the instrument any more: a new session locks it at once.
            std::shared_ptr<IVisaSession> pSession =
                Doc().GetResourceManager()->Open(m_pSim->Resource(), Visa::NO_LOCK, 2000, QString());
            EXPECT_NO_THROW(pSession->LockRsrc(Visa::EXCLUSIVE_LOCK, 0, QString()));
            pSession->UnlockRsrc();
        }
        QTest::mouseClick(dlg.CancelButton(), Qt::LeftButton);
        EXPECT_FALSE(dlg.isVisible()) << "Cancel closes at the first click";
    }
}

TEST_F(DlgTransferTest, TransferMenuCommandsRunTheDialogModallyAndTheResourceIsRememberedAfterTheEnd)
{
    Start({}, QStringLiteral("GPIB0::1::INSTR"));
    InstallTransferDialog(*m_pApp);
    QString strTitle;
    QStringList messages;
    QTimer::singleShot(50, [&] {
        auto* pDlg = qobject_cast<CDlgTransfer*>(QApplication::activeModalWidget());
        ASSERT_NE(pDlg, nullptr);
        strTitle = pDlg->windowTitle();
        auto* pList = qobject_cast<QComboBox*>(pDlg->GetDlgItem(IDC_RESOURCE));
        pList->setCurrentIndex(pList->findText(m_pSim->Resource()));
        auto* pPartial = qobject_cast<QRadioButton*>(pDlg->GetDlgItem(IDC_PARTIAL));
        pPartial->click();
        pDlg->SetDlgItemText(IDC_START_MEM, QStringLiteral("8"));
        pDlg->SetDlgItemText(IDC_END_MEM, QStringLiteral("9"));
        CMessageCatcher catcher;
        qobject_cast<QPushButton*>(pDlg->GetDlgItem(IDC_TRANSFER))->click();
        messages = catcher.Texts();
        QTest::keyClick(pDlg, Qt::Key_Escape);
    });
    m_pApp->GetMainFrame()->RouteCommand(ID_TRANSFER_DOWNLOAD);
    EXPECT_EQ(strTitle, LoadResString(IDS_DOWNLOAD_TITLE));
    EXPECT_EQ(messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(Doc().GetAt(8)->Memo, BenchAt(8).Memo);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    Doc().SetModifiedFlag(false);
    m_pApp->ExitInstance();
    m_pApp.reset();
    CAppOptions options;
    EXPECT_EQ(options.m_strIoResourceDn, m_pSim->Resource());
    EXPECT_EQ(options.m_strIoResourceUp, QStringLiteral("GPIB0::1::INSTR"))
        << "an upload's choice is its own";
}

} // namespace
