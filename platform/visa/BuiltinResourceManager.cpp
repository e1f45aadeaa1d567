#include "platform/visa/BuiltinResourceManager.h"

#include "platform/file/FileStrings.h"
#include "platform/file/RegularFile.h"
#include "platform/visa/GpibSession.h"
#include "platform/visa/HislipSession.h"
#include "platform/visa/ResourceExpression.h"
#include "platform/visa/ResourceName.h"
#include "platform/visa/SerialSession.h"
#include "platform/visa/SocketSession.h"
#include "platform/visa/UsbtmcSession.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"
#include "platform/visa/Vxi11Session.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

QString CBuiltinResourceManager::ResourcesFilePath()
{
    QString strConfig = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (strConfig.isEmpty())
        strConfig = QDir::home().filePath(QStringLiteral(".config"));
    return QDir(strConfig).filePath(QStringLiteral("Talvero/vaultline-resources"));
}

QStringList CBuiltinResourceManager::ConfiguredResources()
{
    QStringList names;
    auto add = [&](const QString& strSource, const QString& strName) {
        if (strName.isEmpty() || strName.startsWith(QLatin1Char('#')))
            return true;
        if (names.size() >= MAX_CONFIGURED_RESOURCES) {
            RegularFile::WarnOnce(LoadVisaString(IDS_VISA_WARN_TOO_MANY_RESOURCES)
                                      .arg(strSource)
                                      .arg(MAX_CONFIGURED_RESOURCES));
            return false;
        }
        names << strName;
        return true;
    };
    const QString strFile = ResourcesFilePath();
    QByteArray bytes;
    QString strReason;
    bool bLonger = false;
    if (RegularFile::Read(strFile, MAX_RESOURCES_FILE_SIZE, bytes, strReason, bLonger)) {
        if (bLonger) {
            RegularFile::WarnOnce(
                LoadVisaString(IDS_VISA_WARN_RESOURCES_FILE_CUT).arg(strFile).arg(MAX_RESOURCES_FILE_SIZE));
            // A line cut at the limit is not a name.
            bytes.truncate(bytes.lastIndexOf('\n') + 1);
        }
        for (const QByteArray& line : bytes.split('\n')) {
            if (!add(strFile, QString::fromUtf8(line).trimmed()))
                break;
        }
    } else if (QFileInfo::exists(strFile)) {
        RegularFile::WarnOnce(LoadFileString(IDS_FILE_WARN_NOT_READ).arg(strFile, strReason));
    }
    const QString strVariable = QStringLiteral("VAULTLINE_VISA_RESOURCES");
    const QString strEnvironment = qEnvironmentVariable("VAULTLINE_VISA_RESOURCES");
    for (const QStringView name : QStringView(strEnvironment).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!add(strVariable, name.trimmed().toString()))
            break;
    }
    return names;
}

QStringList CBuiltinResourceManager::FindRsrc(const QString& strExpression)
{
    // A bad expression is reported even where nothing exists to match.
    const CResourceExpression expression(strExpression);

    QStringList candidates = CSerialSession::ListPorts();
    for (const CUsbtmcSession::USBTMCDEVICE& device : CUsbtmcSession::List())
        candidates << device.strResourceName;
    candidates << CGpibSession::List();
    candidates << ConfiguredResources();

    QStringList found;
    QSet<QString> seen;
    for (const QString& strName : qAsConst(candidates)) {
        QString strKey;
        try {
            strKey = CResourceName::Parse(strName).Canonical().toUpper();
        } catch (const _com_error&) {
            continue; // VISA lists only names that it can open
        }
        if (seen.contains(strKey) || !expression.Matches(strName))
            continue;
        seen.insert(strKey);
        found << strName;
    }
    if (found.isEmpty())
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_NOTHING_MATCHES).arg(strExpression));
    return found;
}

std::shared_ptr<IVisaSession> CBuiltinResourceManager::Open(const QString& strResourceName, int nAccessMode,
                                                            long nOpenTimeoutMs,
                                                            const QString& strOptionString)
{
    // Options select VISA library features such as simulation; there are
    // none here, and VISA ignores options it does not know.
    Q_UNUSED(strOptionString);
    const CResourceName name = CResourceName::Parse(strResourceName);

    std::shared_ptr<CSessionBase> pSession;
    switch (name.Interface()) {
    case CResourceName::INTF_ASRL:
        pSession = CSerialSession::Open(name);
        break;
    case CResourceName::INTF_USB:
        pSession = CUsbtmcSession::Open(name);
        break;
    case CResourceName::INTF_TCPIP:
        if (name.ResourceClass() == QLatin1String("SOCKET"))
            pSession = CSocketSession::Open(name, nOpenTimeoutMs);
        else if (CHislipSession::IsHislipName(name.LanDeviceName()))
            pSession = CHislipSession::Open(name, nOpenTimeoutMs);
        else
            pSession = CVxi11Session::Open(name, nOpenTimeoutMs);
        break;
    case CResourceName::INTF_GPIB:
        pSession = CGpibSession::Open(name);
        break;
    case CResourceName::INTF_VXI:
    case CResourceName::INTF_GPIB_VXI:
    case CResourceName::INTF_PXI:
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_NEEDS_SYSTEM_VISA).arg(strResourceName));
    }
    pSession->ApplyAccessMode(nAccessMode, nOpenTimeoutMs);
    return pSession;
}
