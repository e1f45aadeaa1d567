#pragma once

#include <QComboBox>

// A drop-down list as dialog templates describe it: entries added with
// AddString go to their alphabetical place when the list is sorted, nothing
// is selected until the owner selects it, and the list says when it is about
// to open so that its owner can refill it first.
class CComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit CComboBox(QWidget* pParent = nullptr);

    void SetSorted(bool bSorted) { m_bSorted = bSorted; }

    // Adds str at its sorted place (compared without regard to case) or at
    // the end; returns its index. The selection stays on the entry it was on.
    int AddString(const QString& str);
    // Selects the first entry that begins with strPrefix, compared without
    // regard to case; -1 and no change when none does.
    int SelectString(const QString& strPrefix);

    void showPopup() override;

signals:
    void DropDown();

private:
    bool m_bSorted = false;
};
