#pragma once

#include "platform/visa/Visa.h"

// The resource manager this program brings along for machines without a VISA
// library: serial lines (ASRL), USB instruments on the usbtmc driver, raw TCP
// sockets (TCPIP...::SOCKET), and the names the user configured, which is how
// a simulated instrument on a pseudo-terminal is found.
class CBuiltinResourceManager : public IResourceManager
{
public:
    QStringList FindRsrc(const QString& strExpression) override;
    std::shared_ptr<IVisaSession> Open(const QString& strResourceName, int nAccessMode, long nOpenTimeoutMs,
                                       const QString& strOptionString) override;

    // Bounds on what the user configures: a file or variable beyond them has
    // its rest ignored, with one warning on standard error.
    static constexpr qint64 MAX_RESOURCES_FILE_SIZE = 1024 * 1024;
    static constexpr int MAX_CONFIGURED_RESOURCES = 1000;

    // The configured names: the lines of the per-user resources file (blank
    // lines and lines starting with '#' skipped), then the entries of
    // VAULTLINE_VISA_RESOURCES separated by ';'. A resources file that is not
    // a regular file (a FIFO, a directory) is not read, with a warning.
    static QStringList ConfiguredResources();
    // vaultline-resources in the configuration folder (RegularFile::ConfigFolder,
    // ~/.config/vaultline by default); while that file does not exist but one
    // at the earlier place does, the earlier one.
    static QString ResourcesFilePath();
    // Where earlier versions kept the file: $XDG_CONFIG_HOME/Talvero/vaultline-resources.
    static QString EarlierResourcesFilePath();
};
