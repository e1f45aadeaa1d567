#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// One QApplication for all tests of a program (offscreen, set by the test main).
inline QApplication* EnsureGuiApp()
{
    static int s_argc = 1;
    static char s_arg0[] = "vaultline-tests";
    static char* s_argv[] = {s_arg0, nullptr};
    static QApplication* s_pApp = new QApplication(s_argc, s_argv);
    return s_pApp;
}

// Answers the message boxes that come while it lives with eButton (when
// bDialogs, other modal windows with Escape) and keeps their titles and texts
// (a dialog's: those of its labels). A window still up at the next look is
// closed for good, so that a fault fails the test rather than hanging it.
class CModalCloser
{
public:
    explicit CModalCloser(QMessageBox::StandardButton eButton = QMessageBox::Ok, bool bDialogs = false)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this, eButton, bDialogs] {
            auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            auto* pBox = qobject_cast<QMessageBox*>(pModal);
            if (!pModal || (!pBox && !bDialogs))
                return;
            if (pModal == m_pLast)
                return pModal->done(-1);
            m_pLast = pModal;
            m_titles << pModal->windowTitle();
            m_icons << (pBox ? pBox->icon() : QMessageBox::NoIcon);
            QString strText = pBox ? pBox->text() : QString();
            for (QLabel* pLabel : pBox ? QList<QLabel*>() : pModal->findChildren<QLabel*>())
                strText += pLabel->text() + QLatin1Char('\n');
            m_texts << strText;
            if (pBox && pBox->button(eButton))
                pBox->button(eButton)->click();
            else
                QTest::keyClick(pModal, Qt::Key_Escape);
        });
        m_timer.start(20);
    }

    QStringList m_titles;
    QStringList m_texts;
    QList<QMessageBox::Icon> m_icons;

private:
    QTimer m_timer;
    QPointer<QDialog> m_pLast;
};
