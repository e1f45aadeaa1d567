#include "views/ValueEdit.h"

#include "model/VaultlineDoc.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMetaType>

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <locale.h>

namespace {

// Texts of this field always carry "." as decimal point once they went
// through FromLocale, whatever locale the process runs in (QApplication sets
// the user's C locale on Unix), so the scan uses a fixed C locale.
locale_t CLocale()
{
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
    return loc;
}

} // namespace

CValueEdit::CValueEdit(QWidget* pParent, CVaultlineDoc* pDoc) : QLineEdit(pParent), m_pDoc(pDoc)
{
    // Every character has to pass the key filter: no input-method commits and
    // no dropped text, which would bypass it.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
}

bool CValueEdit::IsIntKind() const
{
    return m_varMin.typeId() == QMetaType::Int;
}

bool CValueEdit::IsFloatKind() const
{
    return m_varMin.typeId() == QMetaType::Float;
}

void CValueEdit::SetRange(std::int32_t nMin, std::int32_t nMax, bool bHex, unsigned nDigits, bool bRedisplay)
{
    m_varMin = QVariant::fromValue<int>(nMin);
    m_varMax = QVariant::fromValue<int>(nMax);
    m_bHex = bHex;
    m_nDigits = nDigits;
    if (bRedisplay)
        SetIntValue(m_varValue.toInt());
}

void CValueEdit::SetRange(float fMin, float fMax, unsigned nDecimals, bool bRedisplay)
{
    m_varMin = QVariant::fromValue<float>(fMin);
    m_varMax = QVariant::fromValue<float>(fMax);
    m_bHex = false;
    m_nDigits = nDecimals;
    if (bRedisplay)
        SetFloatValue(m_varValue.toFloat());
}

void CValueEdit::SetIntValue(std::int32_t nValue)
{
    if (m_bHex)
        setText(QString::asprintf("%0*X", static_cast<int>(m_nDigits), static_cast<std::uint32_t>(nValue)));
    else
        setText(QString::number(nValue));
    m_varValue = QVariant::fromValue<int>(nValue);
}

std::int32_t CValueEdit::GetIntValue() const
{
    // The text reads as wcstol reads it: leading blanks and one sign, then
    // digits of the base up to the first other character; no digits give 0
    // and values beyond 32 bits stop at the nearest limit.
    const std::wstring str = text().toStdWString();
    const long long n = std::wcstoll(str.c_str(), nullptr, m_bHex ? 16 : 10);
    if (n > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (n < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(n);
}

void CValueEdit::SetFloatValue(float fValue)
{
    setText(m_LocaleSep.ToLocale(QString::asprintf("%0.*f", static_cast<int>(m_nDigits), double(fValue))));
    m_varValue = QVariant::fromValue<float>(fValue);
}

float CValueEdit::GetFloatValue() const
{
    const QByteArray str = m_LocaleSep.FromLocale(text()).toLatin1();
    char* pEnd = nullptr;
    const float f = strtof_l(str.constData(), &pEnd, CLocale());
    return pEnd == str.constData() ? 0.0f : f;
}

QString CValueEdit::GetRangeText() const
{
    if (IsIntKind()) {
        const int nMin = m_varMin.toInt();
        const int nMax = m_varMax.toInt();
        if (m_bHex) {
            const int nWidth = static_cast<int>(m_nDigits);
            return QString::asprintf("%0*X ~ %0*X", nWidth, static_cast<std::uint32_t>(nMin), nWidth,
                                     static_cast<std::uint32_t>(nMax));
        }
        return QString::asprintf("%d ~ %d", nMin, nMax);
    }
    if (IsFloatKind()) {
        const int nPrec = static_cast<int>(m_nDigits);
        return m_LocaleSep.ToLocale(QString::asprintf("%0.*f ~ %0.*f", nPrec, double(m_varMin.toFloat()),
                                                      nPrec, double(m_varMax.toFloat())));
    }
    return QString();
}

bool CValueEdit::Validate()
{
    bool bValid = false;
    if (IsIntKind()) {
        const std::int32_t n = GetIntValue();
        bValid = m_varMin.toInt() <= n && n <= m_varMax.toInt();
    } else if (IsFloatKind()) {
        // The bounds are widened by a millionth so that a value shown with
        // fewer decimals than a float holds still passes at the limits.
        const double f = GetFloatValue();
        bValid = f >= double(m_varMin.toFloat()) - 0.000001 && f <= double(m_varMax.toFloat()) + 0.000001;
    }
    if (bValid)
        return true;

    if (isVisible() && isEnabled()) {
        OnInvalid();
        Beep();
        return false;
    }
    // The user cannot reach this field to correct it, so it never blocks:
    // it falls back to its minimum.
    if (IsIntKind())
        SetIntValue(m_varMin.toInt());
    else if (IsFloatKind())
        SetFloatValue(m_varMin.toFloat());
    return true;
}

void CValueEdit::OnInvalid()
{
    // Queued so that it takes effect after the operation that asked for the
    // check has returned (and has, for example, closed a menu or a prompt
    // that would otherwise take the focus back).
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (QWidget* pTop = window())
                pTop->activateWindow();
            setFocus(Qt::OtherFocusReason);
            selectAll();
        },
        Qt::QueuedConnection);
}

void CValueEdit::Beep()
{
    QApplication::beep();
}

void CValueEdit::keyPressEvent(QKeyEvent* pEvent)
{
    const Qt::KeyboardModifiers mods = pEvent->modifiers();
    const bool bCtrl = mods.testFlag(Qt::ControlModifier);
    const bool bAlt = mods.testFlag(Qt::AltModifier);
    const int nKey = pEvent->key();

    // Alt combinations are menu mnemonics, never characters of the field.
    if (bAlt && !bCtrl) {
        pEvent->ignore();
        return;
    }
    // Control with a letter is the character of that letter's control code,
    // as a terminal would send it.
    if (bCtrl && !bAlt && nKey >= Qt::Key_A && nKey <= Qt::Key_Z) {
        OnChar(static_cast<char16_t>(nKey - Qt::Key_A + 1), pEvent);
        return;
    }
    if (nKey == Qt::Key_Backspace) {
        OnChar(bCtrl ? 0x7f : 0x08, pEvent);
        return;
    }

    const QString strText = pEvent->text();
    const bool bCharacter = !strText.isEmpty() && nKey != Qt::Key_Delete && nKey != Qt::Key_Tab &&
                            nKey != Qt::Key_Backtab && nKey != Qt::Key_Return && nKey != Qt::Key_Enter &&
                            nKey != Qt::Key_Escape && strText.at(0).unicode() >= 0x20 &&
                            strText.at(0).unicode() != 0x7f;
    if (!bCharacter) {
        // Keys that are no characters (caret movement, Delete, the clipboard
        // keys on Insert and Delete) keep the line edit's own handling; those
        // that change the text count as a change of the document, as typing does.
        const QString strBefore = text();
        QLineEdit::keyPressEvent(pEvent);
        if (text() != strBefore)
            MarkDocModified();
        return;
    }
    if (strText.size() == 1) {
        OnChar(strText.at(0).unicode(), pEvent);
        return;
    }
    for (const QChar ch : strText) {
        QKeyEvent evChar(QEvent::KeyPress, Qt::Key_unknown, mods, QString(ch));
        OnChar(ch.unicode(), &evChar);
    }
}

void CValueEdit::OnChar(char16_t c, QKeyEvent* pEvent)
{
    const char16_t cDecimal = m_LocaleSep.m_cDecimal.unicode();
    // The locale's own separator is accepted before the Latin-1 limit, so
    // that a locale whose separator lies beyond it can still enter decimals.
    const bool bNumberChar = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == 0x08 || c == cDecimal;
    if (c >= 256 && c != cDecimal) {
        Beep();
        return;
    }
    if (bNumberChar) {
        QLineEdit::keyPressEvent(pEvent);
        MarkDocModified();
        return;
    }
    switch (c) {
    case u'.': {
        // A "." typed under a locale with another decimal separator stands
        // for that separator; it comes back through this filter.
        const QString strSep{QChar(cDecimal)};
        QCoreApplication::postEvent(this,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_unknown, pEvent->modifiers(),
                                                  strSep, pEvent->isAutoRepeat(), pEvent->count()));
        return;
    }
    case 1: // Control-A
        selectAll();
        return;
    case 3: // Control-C
        QMetaObject::invokeMethod(this, &QLineEdit::copy, Qt::QueuedConnection);
        return;
    case 22: // Control-V
        QMetaObject::invokeMethod(this, &QLineEdit::paste, Qt::QueuedConnection);
        MarkDocModified();
        return;
    case 24: // Control-X
        QMetaObject::invokeMethod(this, &QLineEdit::cut, Qt::QueuedConnection);
        MarkDocModified();
        return;
    case 26: // Control-Z
        QMetaObject::invokeMethod(this, &QLineEdit::undo, Qt::QueuedConnection);
        MarkDocModified();
        return;
    default:
        Beep();
        return;
    }
}

void CValueEdit::MarkDocModified()
{
    if (m_pDoc && m_bModifyDoc)
        m_pDoc->SetModifiedFlag(true);
}

bool ValidateValueEdits(QWidget* pWnd)
{
    if (!pWnd)
        return true;
    for (QObject* pChild : pWnd->children()) {
        QWidget* pWidget = qobject_cast<QWidget*>(pChild);
        if (!pWidget)
            continue;
        if (CValueEdit* pEdit = qobject_cast<CValueEdit*>(pWidget)) {
            if (!pEdit->Validate())
                return false;
        }
        if (!ValidateValueEdits(pWidget))
            return false;
    }
    return true;
}
