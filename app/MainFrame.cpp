#include "app/MainFrame.h"

#include "model/VaultlineDoc.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"
#include "resources/gui/GuiResources.h"
#include "views/LeftView.h"
#include "views/ScanNumber.h"
#include "views/TableOfForms.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>

namespace {

// Lock indicators in the order of the status bar.
const unsigned s_Indicators[] = {ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};

// The state of a keyboard lock as the keyboard's LED shows it; the kernel
// keeps the LEDs in step with the display server. False where no keyboard
// exposes one (a virtual display, a remote session).
bool IsLockOn(unsigned nIndicator)
{
    const char* pszSuffix = nIndicator == ID_INDICATOR_CAPS  ? "capslock"
                            : nIndicator == ID_INDICATOR_NUM ? "numlock"
                                                             : "scrolllock";
    const QDir dir(QStringLiteral("/sys/class/leds"));
    const QStringList leds =
        dir.entryList({QStringLiteral("*::%1").arg(QLatin1String(pszSuffix))}, QDir::Dirs | QDir::System);
    for (const QString& strLed : leds) {
        QFile file(dir.filePath(strLed + QStringLiteral("/brightness")));
        if (file.open(QIODevice::ReadOnly) && file.readAll().trimmed().toInt() > 0)
            return true;
    }
    return false;
}

} // namespace

CMainFrame::CMainFrame(CVaultlineDoc& doc) : m_Doc(doc), m_wndSplitter(nullptr)
{
    setWindowIcon(LoadResIcon(IDI_MAINFRAME));
    setMinimumSize(300, 200);
    // The size a window gets when the program does not choose one: three
    // quarters of the screen.
    if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        resize(pScreen->availableGeometry().size() * 3 / 4);
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
}

CMainFrame::~CMainFrame()
{
    // The panes go with the splitter, which must not outlive the frame's
    // command routing.
    m_wndSplitter.setParent(nullptr);
}

bool CMainFrame::Create(CCmdTarget* pDocTarget)
{
    LoadMenuBar(menuBar(), this, LoadMenuTemplate(IDR_MAINFRAME));
    for (const ACCELENTRY& accel : LoadAccelerators(IDR_MAINFRAME))
        GetCommandAction(accel.nId)->setShortcut(accel.key);
    // Prompts and tooltips of every command, and the toolbar images beside
    // the menu entries of the same commands.
    for (const unsigned nId :
         {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_APP_EXIT, ID_EDIT_COPY_MEMORY,
          ID_EDIT_PASTE_OVERWRITE, ID_EDIT_PREFERENCES, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR,
          ID_TRANSFER_UPLOAD, ID_TRANSFER_DOWNLOAD, ID_TRANSFER_VERIFY, ID_HELP_INDEX, ID_APP_ABOUT, ID_HELP,
          ID_NEXT_PANE, ID_PREV_PANE}) {
        QAction* pAction = GetCommandAction(nId);
        pAction->setStatusTip(LoadResPrompt(nId));
        const QString strTip = LoadResTooltip(nId);
        if (!strTip.isEmpty())
            pAction->setToolTip(strTip);
        const QIcon icon = LoadToolBarIcon(nId);
        if (!icon.isNull())
            pAction->setIcon(icon);
    }

    if (!CreateToolBar() || !CreateStatusBar())
        return false;

    // Commands of the frame itself.
    AddCommand(ID_VIEW_TOOLBAR, [this] { m_pToolBar->setVisible(!m_pToolBar->isVisible()); });
    SetCommandCheck(ID_VIEW_TOOLBAR, [this] { return m_pToolBar->isVisible(); });
    AddCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); });
    SetCommandCheck(ID_VIEW_STATUS_BAR, [this] { return statusBar()->isVisible(); });
    AddCommand(ID_NEXT_PANE, [this] { m_wndSplitter.ActivateNext(false); });
    AddCommand(ID_PREV_PANE, [this] { m_wndSplitter.ActivateNext(true); });

    if (QAbstractEventDispatcher* pDispatcher = QAbstractEventDispatcher::instance())
        connect(pDispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::UpdateIndicators);

    return OnCreateClient(pDocTarget);
}

bool CMainFrame::CreateToolBar()
{
    m_pToolBar = new QToolBar(QStringLiteral("Toolbar"), this);
    m_pToolBar->setObjectName(QStringLiteral("toolbar"));
    SetDlgCtrlID(m_pToolBar, AFX_IDW_TOOLBAR);
    m_pToolBar->setIconSize(QSize(16, 15));
    m_pToolBar->setMovable(true);
    m_pToolBar->setFloatable(true);
    m_pToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_pToolBar->setContentsMargins(1, 3, 6, 4);
    for (const unsigned nId : LoadToolBar(IDR_MAINFRAME)) {
        if (nId == 0)
            m_pToolBar->addSeparator();
        else
            m_pToolBar->addAction(GetCommandAction(nId));
    }
    addToolBar(Qt::TopToolBarArea, m_pToolBar);
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    QStatusBar* pBar = statusBar();
    SetDlgCtrlID(pBar, AFX_IDW_STATUS_BAR);
    pBar->setMinimumHeight(20);
    pBar->setStyleSheet(QStringLiteral("QStatusBar::item { border: none; }"));
    for (int i = 0; i < 3; ++i) {
        auto* pLabel = new QLabel(pBar);
        SetDlgCtrlID(pLabel, static_cast<int>(s_Indicators[i]));
        pLabel->setAlignment(Qt::AlignCenter);
        // The pane keeps the width of its text whether the lock is on or off.
        pLabel->setMinimumWidth(pLabel->fontMetrics().horizontalAdvance(LoadResString(s_Indicators[i])) + 8);
        pBar->addPermanentWidget(pLabel);
        m_pIndicators[i] = pLabel;
    }
    pBar->showMessage(LoadResString(AFX_IDS_IDLEMESSAGE));
    connect(pBar, &QStatusBar::messageChanged, pBar, [pBar](const QString& strMessage) {
        // Between prompts the message pane says "Ready".
        if (strMessage.isEmpty())
            pBar->showMessage(LoadResString(AFX_IDS_IDLEMESSAGE));
    });
    UpdateIndicators();
    return true;
}

void CMainFrame::UpdateIndicators()
{
    // The idle signal comes often; the LEDs are read a few times a second.
    if (m_timerIndicators.isValid() && m_timerIndicators.elapsed() < 250)
        return;
    m_timerIndicators.start();
    for (int i = 0; i < 3; ++i) {
        if (m_pIndicators[i])
            m_pIndicators[i]->setText(IsLockOn(s_Indicators[i]) ? LoadResString(s_Indicators[i]) : QString());
    }
}

bool CMainFrame::OnCreateClient(CCmdTarget* pDocTarget)
{
    if (!m_wndSplitter.CreateStatic(this, 1, 2, AFX_IDW_PANE_FIRST))
        return false;
    CCreateContext context;
    context.m_pCurrentDoc = pDocTarget;
    context.m_pCurrentFrame = this;
    const CTableOfForms::FormFactory pfnForm = g_TableOfForms.GetFormFactory(g_TableOfForms.GetCurrent());
    const ViewFactory fnTree = [this] { return new CLeftView(m_Doc); };
    const ViewFactory fnForm = [this, pfnForm] { return pfnForm(m_Doc); };
    if (!m_wndSplitter.CreateView(0, 0, fnTree, QSize(150, 100), &context) ||
        !m_wndSplitter.CreateView(0, 1, fnForm, QSize(0, 0), &context)) {
        m_wndSplitter.setParent(nullptr);
        return false;
    }
    m_pFirstForm = m_wndSplitter.GetPane(0, 1);
    setCentralWidget(&m_wndSplitter);
    return true;
}

void CMainFrame::InitialUpdateFrame()
{
    CView* pLeft = m_wndSplitter.GetPane(0, 0);
    SetActiveView(pLeft);
    // The tree builds itself and selects its root, which may already have
    // replaced the first form; only a form that is still there needs its
    // first update here.
    QPointer<CView> pFirstForm = m_pFirstForm;
    if (pLeft)
        pLeft->SendInitialUpdate();
    if (pFirstForm && pFirstForm == m_wndSplitter.GetPane(0, 1))
        pFirstForm->SendInitialUpdate();
    OnUpdateFrameTitle();
}

int CMainFrame::SelectForm(const QString& strText)
{
    // The leading number of the tree text; 0 when it does not start with one.
    long n = 0;
    ScanLong(strText, n);
    if (strText == g_TableOfForms.GetName(g_TableOfForms.GetCurrent()))
        return 0;
    const CTableOfForms::FormFactory pfnCreate = g_TableOfForms.FindFormFactory(strText);
    const ViewFactory fnCreate = [this, pfnCreate] { return pfnCreate(m_Doc); };
    if (!m_wndSplitter.ReplaceView(0, 1, fnCreate, n))
        return 0;
    // The new form runs its initial update a second time once the selection
    // change that led here has finished.
    if (CView* pView = m_wndSplitter.GetPane(0, 1))
        pView->PostInitialUpdate();
    return 1;
}

void CMainFrame::OnUpdateFrameTitle()
{
    setWindowTitle(m_Doc.GetTitle() + QStringLiteral(" - ") + LoadResString(IDS_APP_TITLE));
}

void CMainFrame::closeEvent(QCloseEvent* pEvent)
{
    if (!m_Doc.SaveModified()) {
        pEvent->ignore();
        return;
    }
    pEvent->accept();
}
