// Transfer > Verify... of the desktop program against dxr9k-sim on a
// pseudo-terminal: the transfer dialog's flow, then the differences.

#include "integration/instrument/SimProcess.h"
#include "tests/gui/framework/GuiApp.h"

#include "app/MainFrame.h"
#include "app/VaultlineApp.h"
#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "transfer/DlgTransfer.h"
#include "transfer/DlgVerifyResults.h"
#include "xmlfile/XmlText.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <memory>

namespace {

struct OUTCOME
{
    QString strTitle;
    QStringList messages; // message boxes, in order
    QStringList rows;     // the results list, cells separated by tabs
    QStringList headers;
};

class DlgVerifyTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureGuiApp();
        ASSERT_TRUE(m_dir.isValid());
        const QString strState = m_dir.filePath(QStringLiteral("state.xMem"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(VAULTLINE_SOURCE_DIR "/examples/bench-setup.xMem"), strState));
        QFile::setPermissions(strState, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("VAULTLINE_VISA_PROVIDER", "builtin");
        m_pSim = std::make_unique<CSimProcess>(QStringList{QStringLiteral("--state"), strState});
        m_strResource = m_pSim->Resource();
        ASSERT_FALSE(m_strResource.isEmpty());
        qputenv("VAULTLINE_VISA_RESOURCES", m_strResource.toLocal8Bit());
        m_pApp = std::make_unique<CVaultlineApp>();
        ASSERT_TRUE(m_pApp->InitInstance({}));
        m_pApp->m_Options.m_strIoResourceDn = m_strResource;
        m_pApp->m_Options.m_strIoResourceUp = m_strResource;
        InstallTransferDialog(*m_pApp);
    }
    void TearDown() override
    {
        if (m_pApp && m_pApp->GetDocument())
            m_pApp->GetDocument()->SetModifiedFlag(false);
        m_pApp.reset();
        m_pSim.reset();
        qunsetenv("VAULTLINE_VISA_RESOURCES");
    }

    // The command from the main window, as the menu runs it: in its dialog
    // Transfer (or Verify) with all memories, then the dialog closed; what
    // came up meanwhile is answered and kept.
    OUTCOME Run(unsigned nCommand)
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
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* pDlg = qobject_cast<CDlgTransfer*>(QApplication::activeModalWidget());
            if (!pDlg)
                return;
            poll.stop();
            out.strTitle = pDlg->windowTitle();
            auto* pList = qobject_cast<QComboBox*>(pDlg->GetDlgItem(IDC_RESOURCE));
            EXPECT_EQ(pList->currentText(), m_strResource);
            answer.start(20);
            qobject_cast<QPushButton*>(pDlg->GetDlgItem(IDC_TRANSFER))->click();
            answer.stop();
            QTest::keyClick(pDlg, Qt::Key_Escape);
        });
        poll.start(50);
        m_pApp->GetMainFrame()->RouteCommand(nCommand);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        return out;
    }

    CVaultlineDoc& Doc() { return *m_pApp->GetDocument(); }

    QTemporaryDir m_dir;
    QString m_strResource;
    std::unique_ptr<CSimProcess> m_pSim;
    std::unique_ptr<CVaultlineApp> m_pApp;
};

QString Fixed(float f)
{
    return QString::fromStdString(XmlText::FormatFixed(static_cast<double>(f), 4));
}

TEST_F(DlgVerifyTest, VerifyListsTheDifferencesOrSaysThereAreNone)
{
    ASSERT_EQ(Run(ID_TRANSFER_DOWNLOAD).messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    Doc().SetModifiedFlag(false);

    const OUTCOME same = Run(ID_TRANSFER_VERIFY);
    EXPECT_EQ(same.strTitle, LoadResString(2746));
    EXPECT_EQ(same.messages, QStringList{LoadResString(2748)});
    EXPECT_TRUE(same.rows.isEmpty());
    EXPECT_FALSE(Doc().IsModified()) << "a verify changes nothing in the document";

    const STOREMEM mem3 = *Doc().GetAt(3);
    const STOREMEM mem60 = *Doc().GetAt(60);
    const QString strLong = QStringLiteral("Twenty-five characters ok");
    Doc().GetAt(3)->Curr = mem3.Curr + 1.0f;
    Doc().GetAt(60)->Memo = strLong;
    Doc().GetAt(60)->Abc[1].Cond_L = mem60.Abc[1].Cond_L + 0.5f;
    const OUTCOME differ = Run(ID_TRANSFER_VERIFY);
    EXPECT_TRUE(differ.messages.isEmpty()) << qPrintable(differ.messages.join('\n'));
    EXPECT_EQ(differ.headers, (QStringList{"Memory", "Field", "Document", "Instrument", "Note"}));
    EXPECT_EQ(differ.rows,
              (QStringList{
                  QStringLiteral("3\tCurr\t%1\t%2\t").arg(Fixed(mem3.Curr + 1.0f), Fixed(mem3.Curr)),
                  QStringLiteral("60\tMemo\t%1\t%2\t%3")
                      .arg(strLong, QString(mem60.Memo).replace(QLatin1Char('\n'), QLatin1String("\\n")),
                           LoadResString(2744).arg(25).arg(15)),
                  QStringLiteral("60\tBMem/Cond_L\t%1\t%2\t")
                      .arg(QString::fromStdString(
                               XmlText::FormatFixed(static_cast<double>(mem60.Abc[1].Cond_L + 0.5f), 6)),
                           QString::fromStdString(
                               XmlText::FormatFixed(static_cast<double>(mem60.Abc[1].Cond_L), 6))),
              }));

    // The instrument was only read: a download gives back what it held.
    ASSERT_EQ(Run(ID_TRANSFER_DOWNLOAD).messages, QStringList{LoadResString(IDS_TRANSFER_COMPLETED)});
    EXPECT_EQ(Doc().GetAt(3)->Curr, mem3.Curr);
    EXPECT_EQ(Doc().GetAt(60)->Memo, mem60.Memo);
}

TEST_F(DlgVerifyTest, AFailedVerifyReportsAsAnyTransferDoes)
{
    m_pSim.reset(); // the listed resource no longer answers
    const OUTCOME out = Run(ID_TRANSFER_VERIFY);
    ASSERT_EQ(out.messages.size(), 1);
    EXPECT_NE(out.messages[0], LoadResString(2748));
    EXPECT_NE(out.messages[0], LoadResString(IDS_TRANSFER_COMPLETED));
    EXPECT_TRUE(out.rows.isEmpty());
}

} // namespace
