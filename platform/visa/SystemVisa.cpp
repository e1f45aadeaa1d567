#include "platform/visa/SystemVisa.h"

#include "platform/visa/VisaStatus.h"

#include <QFile>

#include <dlfcn.h>

QStringList CSystemVisa::LibraryNames()
{
    return {QStringLiteral("libvisa.so"), QStringLiteral("libvisa.so.0"), QStringLiteral("librsvisa.so"),
            QStringLiteral("libiovisa.so")};
}

std::shared_ptr<CSystemVisa> CSystemVisa::Load()
{
    const QString strOverride = qEnvironmentVariable("VAULTLINE_VISA_LIBRARY");
    if (!strOverride.isEmpty())
        return LoadFrom(strOverride);
    for (const QString& strName : LibraryNames()) {
        if (std::shared_ptr<CSystemVisa> pVisa = LoadFrom(strName))
            return pVisa;
    }
    return nullptr;
}

std::shared_ptr<CSystemVisa> CSystemVisa::LoadFrom(const QString& strLibrary)
{
    void* pLibrary = ::dlopen(QFile::encodeName(strLibrary).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!pLibrary)
        return nullptr;
    std::shared_ptr<CSystemVisa> pVisa(new CSystemVisa);
    pVisa->m_strLibrary = strLibrary;
    VISAAPI& api = pVisa->m_api;
    bool bComplete = true;
    const auto resolve = [&](auto& pfn, const char* pszSymbol) {
        void* pSymbol = ::dlsym(pLibrary, pszSymbol);
        pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(pSymbol);
        bComplete = bComplete && pSymbol;
    };
    resolve(api.viOpenDefaultRM, "viOpenDefaultRM");
    resolve(api.viFindRsrc, "viFindRsrc");
    resolve(api.viFindNext, "viFindNext");
    resolve(api.viOpen, "viOpen");
    resolve(api.viClose, "viClose");
    resolve(api.viSetAttribute, "viSetAttribute");
    resolve(api.viGetAttribute, "viGetAttribute");
    resolve(api.viLock, "viLock");
    resolve(api.viUnlock, "viUnlock");
    resolve(api.viWrite, "viWrite");
    resolve(api.viRead, "viRead");
    resolve(api.viStatusDesc, "viStatusDesc");
    // A library without the whole set is not a VISA library; nothing of it
    // has run yet, so it can go again.
    if (!bComplete || api.viOpenDefaultRM(&pVisa->m_rm) < 0) {
        ::dlclose(pLibrary);
        return nullptr;
    }
    pVisa->m_pLibrary = pLibrary;
    return pVisa;
}

CSystemVisa::~CSystemVisa()
{
    // Closing the default resource manager closes whatever is still open.
    // The library itself stays loaded: vendor libraries start threads of
    // their own that unloading would pull the code from under.
    if (m_pLibrary)
        m_api.viClose(m_rm);
}

void CSystemVisa::Check(ViObject object, ViStatus status) const
{
    if (status >= 0)
        return;
    char szDesc[VI_FIND_BUFLEN + 1] = {};
    QString strText;
    if (m_api.viStatusDesc(object, status, szDesc) >= 0)
        strText = QString::fromLatin1(szDesc, static_cast<int>(qstrnlen(szDesc, VI_FIND_BUFLEN)));
    if (strText.isEmpty())
        strText = CVisaStatus::Description(status);
    throw _com_error(status, strText);
}
