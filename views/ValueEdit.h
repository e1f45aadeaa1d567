#pragma once

#include "xmlfile/LocaleSep.h"

#include <QLineEdit>
#include <QVariant>

#include <cstdint>

class CVaultlineDoc;

// A numeric input field with a closed range. It lets through only what a
// number can contain, shows and reads its value in a fixed format and checks
// its text against the range when asked (never on its own: no check runs on
// focus loss, Enter or Tab). The kind follows the type of the range: 32-bit
// integers (decimal or hexadecimal) or 32-bit floats; without a range the
// field has no kind and fails every check while the user can reach it.
class CValueEdit : public QLineEdit
{
    Q_OBJECT

public:
    // Typing into the field marks pDoc modified (none when null).
    explicit CValueEdit(QWidget* pParent = nullptr, CVaultlineDoc* pDoc = nullptr);
    ~CValueEdit() override = default;

    void SetRange(std::int32_t nMin, std::int32_t nMax, bool bHex = false, unsigned nDigits = 0,
                  bool bRedisplay = false);
    void SetRange(float fMin, float fMax, unsigned nDecimals, bool bRedisplay = false);

    void SetIntValue(std::int32_t nValue);
    std::int32_t GetIntValue() const;
    void SetFloatValue(float fValue);
    float GetFloatValue() const;

    virtual QString GetRangeText() const;
    // True when the text lies inside the range. A field that fails while the
    // user can reach it takes the focus back (after the caller has returned)
    // and beeps; one the user cannot reach is reset to its minimum and passes.
    virtual bool Validate();
    virtual void OnInvalid();

    // Off for fields whose contents are not part of the document (the
    // transfer range, for example).
    void SetModifyDoc(bool bModifyDoc) { m_bModifyDoc = bModifyDoc; }

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

    // The audible refusal of a character or of an out-of-range value.
    virtual void Beep();

private:
    bool IsIntKind() const;
    bool IsFloatKind() const;
    void OnChar(char16_t c, QKeyEvent* pEvent);
    void MarkDocModified();

    bool m_bModifyDoc = true;
    CVaultlineDoc* m_pDoc = nullptr;
    LOCALESEP m_LocaleSep;
    bool m_bHex = false;
    unsigned m_nDigits = 0;
    QVariant m_varMin;
    QVariant m_varMax;
    QVariant m_varValue;
};

// Checks every value edit below pWnd (children and their descendants, in the
// order they were created) and stops at the first that fails. True when all
// passed or there is none.
bool ValidateValueEdits(QWidget* pWnd);
