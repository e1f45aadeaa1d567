#include "platform/framework/DialogTemplate.h"

#include "platform/framework/ComboBox.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <qdrawutil.h>

namespace {

const char* const s_pszCtrlIdProperty = "vaultlineCtrlId";
DialogImageProvider s_pfnImageProvider = nullptr;

// "&x" marks a mnemonic in a static text and "&&" an ampersand.
QString StripPrefix(const QString& str)
{
    QString strOut;
    strOut.reserve(str.size());
    for (int i = 0; i < str.size(); ++i) {
        if (str[i] == QLatin1Char('&') && i + 1 < str.size())
            ++i;
        else if (str[i] == QLatin1Char('&'))
            continue;
        strOut += str[i];
    }
    return strOut;
}

Qt::Alignment TextAlignment(unsigned dwStyle)
{
    if (dwStyle & DLGS_CENTER)
        return Qt::AlignHCenter | Qt::AlignTop;
    if (dwStyle & DLGS_RIGHT)
        return Qt::AlignRight | Qt::AlignTop;
    return Qt::AlignLeft | Qt::AlignTop;
}

// A group box whose label sits on the top edge of its frame, a character in
// from the left, over a gap in the line; the box's rectangle starts at the
// top of the label, as the template's coordinates expect.
class CGroupBoxCtrl : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QFontMetrics fm(font());
        // An etched line: the styles' group-box frames leave room for a title
        // above themselves.
        qDrawShadeRect(&painter, rect().adjusted(0, fm.height() / 2, 0, 0), palette(), true, 1);

        const QString strTitle = title();
        if (strTitle.isEmpty())
            return;
        const int nIndent = fm.averageCharWidth();
        const QRect rcText(nIndent, 0,
                           std::min(fm.horizontalAdvance(StripPrefix(strTitle)) + fm.averageCharWidth(),
                                    width() - 2 * nIndent),
                           fm.height());
        painter.fillRect(rcText, palette().brush(backgroundRole()));
        style()->drawItemText(&painter, rcText, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), strTitle, QPalette::WindowText);
    }
};

} // namespace

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0)
        return -1;
    const std::int64_t nProduct = static_cast<std::int64_t>(nNumber) * nNumerator;
    const bool bNegative = (nProduct < 0) != (nDenominator < 0);
    const std::int64_t nAbsProduct = nProduct < 0 ? -nProduct : nProduct;
    const std::int64_t nAbsDenominator =
        nDenominator < 0 ? -static_cast<std::int64_t>(nDenominator) : nDenominator;
    const std::int64_t nQuotient = (nAbsProduct + nAbsDenominator / 2) / nAbsDenominator;
    const std::int64_t nResult = bNegative ? -nQuotient : nQuotient;
    if (nResult > std::numeric_limits<int>::max() || nResult < std::numeric_limits<int>::min())
        return -1;
    return static_cast<int>(nResult);
}

QFont DialogFont(const DLGTEMPLATE& tpl)
{
    QFont font(tpl.pszFont ? QString::fromUtf16(tpl.pszFont) : QString());
    int nDpi = 96;
    if (const QScreen* pScreen = QGuiApplication::primaryScreen())
        nDpi = qRound(pScreen->logicalDotsPerInchY());
    // A point size becomes a character height in pixels at the screen's
    // resolution, as a dialog's font does.
    font.setPixelSize(MulDiv(tpl.nPointSize > 0 ? tpl.nPointSize : 8, nDpi, 72));
    return font;
}

QSize DialogBaseUnits(const QFont& font)
{
    const QFontMetrics fm(font);
    const int nWidth =
        fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return QSize((nWidth / 26 + 1) / 2, fm.height());
}

QRect DialogUnitsToPixels(const QRect& rcDlu, const QSize& sizeBase)
{
    return QRect(MulDiv(rcDlu.x(), sizeBase.width(), 4), MulDiv(rcDlu.y(), sizeBase.height(), 8),
                 MulDiv(rcDlu.width(), sizeBase.width(), 4), MulDiv(rcDlu.height(), sizeBase.height(), 8));
}

void SetDialogImageProvider(DialogImageProvider pfnProvider)
{
    s_pfnImageProvider = pfnProvider;
}

QPixmap LoadDialogImage(unsigned nImage)
{
    return s_pfnImageProvider ? s_pfnImageProvider(nImage) : QPixmap();
}

void SetDlgCtrlID(QWidget* pWidget, int nId)
{
    pWidget->setProperty(s_pszCtrlIdProperty, nId);
    pWidget->setObjectName(QStringLiteral("ctrl%1").arg(nId));
}

int GetDlgCtrlID(const QWidget* pWidget)
{
    return pWidget ? pWidget->property(s_pszCtrlIdProperty).toInt() : 0;
}

QWidget* FindDlgItem(const QWidget* pParent, int nId)
{
    if (!pParent)
        return nullptr;
    const QList<QWidget*> children = pParent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* pChild : children) {
        if (pChild->property(s_pszCtrlIdProperty).isValid() && GetDlgCtrlID(pChild) == nId)
            return pChild;
    }
    return nullptr;
}

QString GetWindowText(const QWidget* pCtrl)
{
    if (auto* pLabel = qobject_cast<const QLabel*>(pCtrl))
        return pLabel->text();
    if (auto* pEdit = qobject_cast<const QLineEdit*>(pCtrl))
        return pEdit->text();
    if (auto* pButton = qobject_cast<const QAbstractButton*>(pCtrl))
        return pButton->text();
    if (auto* pGroup = qobject_cast<const QGroupBox*>(pCtrl))
        return pGroup->title();
    return QString();
}

void SetWindowText(QWidget* pCtrl, const QString& strText)
{
    if (auto* pLabel = qobject_cast<QLabel*>(pCtrl))
        pLabel->setText(strText);
    else if (auto* pEdit = qobject_cast<QLineEdit*>(pCtrl))
        pEdit->setText(strText);
    else if (auto* pButton = qobject_cast<QAbstractButton*>(pCtrl))
        pButton->setText(strText);
    else if (auto* pGroup = qobject_cast<QGroupBox*>(pCtrl))
        pGroup->setTitle(strText);
}

QWidget* CreateDialogControl(const DLGITEMTEMPLATE& item, QWidget* pParent)
{
    const QString strText = item.pszText ? QString::fromUtf16(item.pszText) : QString();
    switch (item.kind) {
    case DLGCTRL::Static: {
        auto* pLabel = new QLabel(pParent);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setText((item.dwStyle & DLGS_NOPREFIX) ? strText : StripPrefix(strText));
        pLabel->setAlignment(TextAlignment(item.dwStyle));
        // A static text breaks between words to fit its box.
        pLabel->setWordWrap(true);
        return pLabel;
    }
    case DLGCTRL::Picture: {
        auto* pLabel = new QLabel(pParent);
        pLabel->setPixmap(LoadDialogImage(item.nImage));
        return pLabel;
    }
    case DLGCTRL::EtchedHorz: {
        auto* pLine = new QFrame(pParent);
        pLine->setFrameShape(QFrame::HLine);
        pLine->setFrameShadow(QFrame::Sunken);
        return pLine;
    }
    case DLGCTRL::PushButton:
    case DLGCTRL::DefPushButton: {
        auto* pButton = new QPushButton(strText, pParent);
        pButton->setDefault(item.kind == DLGCTRL::DefPushButton);
        return pButton;
    }
    case DLGCTRL::Edit:
        return new QLineEdit(strText, pParent);
    case DLGCTRL::TreeView: {
        auto* pTree = new QTreeWidget(pParent);
        pTree->setHeaderHidden(true);
        return pTree;
    }
    case DLGCTRL::ListView: {
        auto* pList = new QTreeWidget(pParent);
        pList->setRootIsDecorated(false);
        pList->setItemsExpandable(false);
        pList->header()->setSectionsMovable(false);
        return pList;
    }
    case DLGCTRL::ComboBox:
        return new CComboBox(pParent);
    case DLGCTRL::Progress:
        return new QProgressBar(pParent);
    case DLGCTRL::RadioButton:
        return new QRadioButton(strText, pParent);
    case DLGCTRL::CheckBox:
        return new QCheckBox(strText, pParent);
    case DLGCTRL::GroupBox:
        return new CGroupBoxCtrl(strText, pParent);
    }
    return new QWidget(pParent);
}

QSize BuildDialogControls(QWidget* pParent, const DLGTEMPLATE& tpl,
                          const std::function<QWidget*(const DLGITEMTEMPLATE&)>& fnCreate)
{
    const QFont font = DialogFont(tpl);
    pParent->setFont(font);
    const QSize sizeBase = DialogBaseUnits(font);

    QWidget* pPrevTab = nullptr;
    for (const DLGITEMTEMPLATE& item : tpl.items) {
        QWidget* pCtrl = fnCreate ? fnCreate(item) : nullptr;
        if (!pCtrl)
            pCtrl = CreateDialogControl(item, pParent);
        pCtrl->setParent(pParent);
        SetDlgCtrlID(pCtrl, item.nId);

        QRect rc = DialogUnitsToPixels(QRect(item.x, item.y, item.cx, item.cy), sizeBase);
        if (item.kind == DLGCTRL::Picture) {
            // A picture control takes the size of its image.
            const QPixmap pm = LoadDialogImage(item.nImage);
            if (!pm.isNull())
                rc.setSize(pm.size());
        }
        if (auto* pCombo = qobject_cast<CComboBox*>(pCtrl)) {
            pCombo->SetSorted(item.dwStyle & DLGS_SORT);
            // The template's height is that of the open list; closed, the
            // box shows one line.
            rc.setHeight(pCombo->sizeHint().height());
        }
        pCtrl->setGeometry(rc);

        const bool bTakesFocus = pCtrl->focusPolicy() != Qt::NoFocus;
        if (bTakesFocus) {
            pCtrl->setFocusPolicy((item.dwStyle & DLGS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
            if (pPrevTab)
                QWidget::setTabOrder(pPrevTab, pCtrl);
            pPrevTab = pCtrl;
        }
        if (item.dwStyle & DLGS_HIDDEN)
            pCtrl->setHidden(true);
        if (item.dwStyle & DLGS_DISABLED)
            pCtrl->setEnabled(false);
    }
    return DialogUnitsToPixels(QRect(0, 0, tpl.cx, tpl.cy), sizeBase).size();
}
