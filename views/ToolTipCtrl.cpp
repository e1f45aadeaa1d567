#include "views/ToolTipCtrl.h"

#include "platform/framework/DialogTemplate.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

void CToolTipCtrl::Create(QWidget* pOwner, TextFunc fnText)
{
    if (m_bCreated || !pOwner)
        return;
    m_fnText = std::move(fnText);
    m_bCreated = true;
    const QList<QWidget*> tools = pOwner->findChildren<QWidget*>();
    for (QWidget* pTool : tools)
        pTool->installEventFilter(this);
}

bool CToolTipCtrl::GetText(const QWidget* pTool, QString& strText) const
{
    const int nId = GetDlgCtrlID(pTool);
    if (nId == 0 || !m_fnText)
        return false;
    strText = m_fnText(static_cast<unsigned>(nId)).left(MAX_TEXT);
    return true;
}

bool CToolTipCtrl::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pEvent->type() != QEvent::ToolTip || !pWatched->isWidgetType())
        return QObject::eventFilter(pWatched, pEvent);
    auto* pTool = static_cast<QWidget*>(pWatched);
    // A part of a control without an identifier of its own (the memory
    // list's cells) is no tool of the window: its own tooltips stand, as a
    // list's tips for its cells do.
    if (GetDlgCtrlID(pTool) == 0)
        return QObject::eventFilter(pWatched, pEvent);
    QString strText;
    if (GetText(pTool, strText) && !strText.isEmpty())
        QToolTip::showText(static_cast<QHelpEvent*>(pEvent)->globalPos(), strText, pTool);
    else
        QToolTip::hideText();
    // Handled either way: a control's own tooltip property never stands in
    // for the window's answer.
    return true;
}
