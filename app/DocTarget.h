#pragma once

#include "model/VaultlineDoc.h"
#include "platform/framework/CmdTarget.h"

// The document as a command target of the frame's routing: its command table
// is the document's own.
class CDocTarget : public CCmdTarget
{
public:
    explicit CDocTarget(CVaultlineDoc& doc) : m_Doc(doc) {}

    bool OnCommand(unsigned nId) override { return m_Doc.OnCommand(nId); }
    bool HasCommand(unsigned nId) const override { return CVaultlineDoc::HasCommand(nId); }

private:
    CVaultlineDoc& m_Doc;
};
