#pragma once

#include "platform/visa/SystemVisa.h"
#include "platform/visa/Visa.h"

// The resource manager of the system's VISA library: every resource its
// vendor drivers reach (GPIB, USB, LAN, serial).
class CSystemResourceManager : public IResourceManager
{
public:
    explicit CSystemResourceManager(std::shared_ptr<CSystemVisa> pVisa);

    QStringList FindRsrc(const QString& strExpression) override;
    std::shared_ptr<IVisaSession> Open(const QString& strResourceName, int nAccessMode, long nOpenTimeoutMs,
                                       const QString& strOptionString) override;

private:
    std::shared_ptr<CSystemVisa> m_pVisa;
};
