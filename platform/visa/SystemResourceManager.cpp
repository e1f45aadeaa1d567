#include "platform/visa/SystemResourceManager.h"

#include "platform/visa/SystemSession.h"

CSystemResourceManager::CSystemResourceManager(std::shared_ptr<CSystemVisa> pVisa) : m_pVisa(std::move(pVisa))
{
}

QStringList CSystemResourceManager::FindRsrc(const QString& strExpression)
{
    const CSystemVisa::VISAAPI& api = m_pVisa->Api();
    char szDesc[CSystemVisa::VI_FIND_BUFLEN + 1] = {};
    CSystemVisa::ViUInt32 nList = 0;
    CSystemVisa::ViUInt32 nCount = 0;
    const QByteArray expression = strExpression.toLatin1();
    m_pVisa->Check(m_pVisa->DefaultRM(),
                   api.viFindRsrc(m_pVisa->DefaultRM(), expression.constData(), &nList, &nCount, szDesc));
    QStringList names;
    const auto take = [&] {
        names << QString::fromLatin1(szDesc, static_cast<int>(qstrnlen(szDesc, CSystemVisa::VI_FIND_BUFLEN)));
    };
    take();
    for (CSystemVisa::ViUInt32 i = 1; i < nCount; ++i) {
        if (api.viFindNext(nList, szDesc) < 0)
            break;
        take();
    }
    api.viClose(nList);
    return names;
}

std::shared_ptr<IVisaSession> CSystemResourceManager::Open(const QString& strResourceName, int nAccessMode,
                                                           long nOpenTimeoutMs,
                                                           const QString& strOptionString)
{
    // The C library has no option string; the COM layer reads it for
    // features of its own, none of which this program asks for.
    Q_UNUSED(strOptionString);
    return CSystemSession::Open(m_pVisa, strResourceName, nAccessMode, nOpenTimeoutMs);
}
