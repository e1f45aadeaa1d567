#include "dialogs/DlgVerifyResults.h"

#include "instrument/StoreMemCommands.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

CDlgVerifyResults::CDlgVerifyResults(const std::vector<VERIFYDIFFERENCE>& differences, int nMemories,
                                     const QString& strResource, QWidget* pParent)
    : QDialog(pParent)
{
    setWindowTitle(LoadResString(IDS_VERIFY_RESULTS_TITLE));
    auto* pLayout = new QVBoxLayout(this);
    auto* pSummary = new QLabel(
        LoadResString(IDS_VERIFY_DIFFER).arg(differences.size()).arg(nMemories).arg(strResource), this);
    pSummary->setWordWrap(true);
    pLayout->addWidget(pSummary);

    m_pList = new QTreeWidget(this);
    m_pList->setRootIsDecorated(false);
    m_pList->setAlternatingRowColors(true);
    m_pList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pList->setHeaderLabels({LoadResString(IDS_VERIFY_HDR_MEMORY), LoadResString(IDS_VERIFY_HDR_FIELD),
                              LoadResString(IDS_VERIFY_HDR_DOCUMENT),
                              LoadResString(IDS_VERIFY_HDR_INSTRUMENT), LoadResString(IDS_VERIFY_HDR_NOTE)});
    QList<QTreeWidgetItem*> rows;
    for (const VERIFYDIFFERENCE& d : differences) {
        QStringList cells{QString::number(d.nMemory), d.difference.strField, EscapeForLine(d.difference.strA),
                          EscapeForLine(d.difference.strB)};
        cells << (d.difference.bMemoTooLong ? LoadResString(IDS_MEMO_KEPT_SHORTER)
                                                  .arg(d.difference.strA.size())
                                                  .arg(StoreMemCommands::MEMO_LIMIT)
                                            : QString());
        auto* pRow = new QTreeWidgetItem(cells);
        pRow->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
        rows << pRow;
    }
    m_pList->addTopLevelItems(rows);
    for (int i = 0; i < m_pList->columnCount(); ++i)
        m_pList->resizeColumnToContents(i);
    // Wide enough for every column, as far as a screen allows.
    const int nWidth = m_pList->header()->length() + 2 * m_pList->frameWidth() +
                       m_pList->verticalScrollBar()->sizeHint().width();
    m_pList->setMinimumSize(qBound(560, nWidth, 1000), 260);
    pLayout->addWidget(m_pList);

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    pLayout->addWidget(pButtons);
}
