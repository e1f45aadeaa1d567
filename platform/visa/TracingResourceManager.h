#pragma once

#include "platform/visa/Visa.h"

#include <memory>

// Wraps any resource manager so that every session it opens writes the wire
// trace (CVisaTrace): each transport, present or to come, is traced here in
// one place, without code of its own. The sessions keep the interfaces of the
// session they wrap, so asking for ISerial still tells a serial line apart.
class CTracingResourceManager : public IResourceManager
{
public:
    explicit CTracingResourceManager(std::shared_ptr<IResourceManager> pInner);

    // The manager itself when the trace is off, else the manager wrapped.
    static std::shared_ptr<IResourceManager> WrapIfTracing(std::shared_ptr<IResourceManager> pInner);

    QStringList FindRsrc(const QString& strExpression) override;
    std::shared_ptr<IVisaSession> Open(const QString& strResourceName, int nAccessMode, long nOpenTimeoutMs,
                                       const QString& strOptionString) override;

private:
    std::shared_ptr<IResourceManager> m_pInner;
};
