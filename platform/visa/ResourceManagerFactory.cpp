#include "platform/visa/ResourceManagerFactory.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/SystemResourceManager.h"
#include "platform/visa/TracingResourceManager.h"

namespace {

std::shared_ptr<IResourceManager> CreateUntraced()
{
    const QString strProvider = qEnvironmentVariable("VAULTLINE_VISA_PROVIDER").trimmed().toLower();
    const bool bSystem = strProvider != QLatin1String("builtin");
    const bool bBuiltin = strProvider != QLatin1String("system");
    if (bSystem) {
        if (std::shared_ptr<CSystemVisa> pVisa = CSystemVisa::Load())
            return std::make_shared<CSystemResourceManager>(std::move(pVisa));
    }
    if (bBuiltin)
        return std::make_shared<CBuiltinResourceManager>();
    return nullptr;
}

} // namespace

std::shared_ptr<IResourceManager> CreateResourceManager()
{
    return CTracingResourceManager::WrapIfTracing(CreateUntraced());
}
