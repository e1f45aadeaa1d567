#pragma once

#include "model/StoreMemComparison.h"

#include <QDialog>
#include <vector>

class QTreeWidget;

// One differing value of a verify, with the memory it belongs to.
struct VERIFYDIFFERENCE
{
    int nMemory;
    STOREMEMDIFFERENCE difference;
};

// The differences a verify found between the document and the instrument, one
// row per value: memory, field, document value, instrument value, and a note
// where a memo is longer than the instrument keeps.
class CDlgVerifyResults : public QDialog
{
    Q_OBJECT

public:
    CDlgVerifyResults(const std::vector<VERIFYDIFFERENCE>& differences, int nMemories,
                      const QString& strResource, QWidget* pParent = nullptr);

    QTreeWidget* GetList() const { return m_pList; }

private:
    QTreeWidget* m_pList = nullptr;
};
