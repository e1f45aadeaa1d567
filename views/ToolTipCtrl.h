#pragma once

#include <QObject>
#include <functional>

class QWidget;

// On-demand tooltips for the controls of a window: the text of a control is
// asked for, by control identifier, only when its tooltip is about to show.
// Controls registered at Create are served; windows without an identifier
// (0) get none from here and keep their own (a list's tips for its cells).
class CToolTipCtrl : public QObject
{
    Q_OBJECT

public:
    // At most this many characters of a text are shown.
    static constexpr int MAX_TEXT = 79;

    using TextFunc = std::function<QString(unsigned nId)>;

    CToolTipCtrl() = default;
    ~CToolTipCtrl() override = default;

    // Registers every window below pOwner as a tool; fnText answers for them.
    void Create(QWidget* pOwner, TextFunc fnText);
    bool IsCreated() const { return m_bCreated; }

    // The text shown for pTool, and whether the request is answered at all.
    bool GetText(const QWidget* pTool, QString& strText) const;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    TextFunc m_fnText;
    bool m_bCreated = false;
};
