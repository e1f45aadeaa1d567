#pragma once

#include "model/AnyContainer.h"
#include "model/StoreMem.h"

// The document's store memories: owns its records, grows by 100 so that the
// 100 records of a reset fit in the first allocation.
class CStoreMemContainer : public CAnyContainer<STOREMEM, 100, true>
{
public:
    CStoreMemContainer() = default;
    ~CStoreMemContainer() override = default;
};
