// vaultline-cli doctor: what this machine can reach and what stands in the
// way, one line each, with what to do about it.

#include "cli/CliCommand.h"
#include "cli/CliCommands.h"

#include "platform/file/RegularFile.h"
#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/GpibSession.h"
#include "platform/visa/ResourceName.h"
#include "platform/visa/SerialSession.h"
#include "platform/visa/SystemVisa.h"
#include "platform/visa/UsbtmcSession.h"
#include "platform/visa/VisaStrings.h"
#include "resources/Resource.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <cerrno>
#include <dlfcn.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// System attributes of the default resource manager session.
constexpr CSystemVisa::ViAttr VI_ATTR_RSRC_IMPL_VERSION = 0x3FFF0003u;
constexpr CSystemVisa::ViAttr VI_ATTR_RSRC_SPEC_VERSION = 0x3FFF0170u;
constexpr CSystemVisa::ViAttr VI_ATTR_RSRC_MANF_NAME = 0xBFFF0174u;

// Programs that open serial ports as they appear, taking the instrument's
// line from under the user.
const char* const s_PortGrabbers[] = {"ModemManager", "brltty"};

class CReport
{
public:
    void Ok(const QString& strText) { Line(IDS_DOCTOR_OK, strText); }
    void Note(const QString& strText) { Line(IDS_DOCTOR_NOTE, strText); }
    void Problem(const QString& strText)
    {
        Line(IDS_DOCTOR_PROBLEM, strText);
        ++m_nProblems;
    }
    int Problems() const { return m_nProblems; }

private:
    static void Line(unsigned nMarkId, const QString& strText)
    {
        CliPrint(QStringLiteral("%1: %2").arg(LoadResString(nMarkId), strText));
    }
    int m_nProblems = 0;
};

// Where devices are looked for. Tests point it at a fake tree; on a real
// machine it is the root directory.
QString SystemRoot()
{
    return qEnvironmentVariable("VAULTLINE_TEST_SYSROOT");
}

QString VersionText(CSystemVisa::ViUInt32 nVersion)
{
    // 0xMMMmmsss: major, minor, sub-minor.
    return QStringLiteral("%1.%2.%3").arg(nVersion >> 20).arg((nVersion >> 8) & 0xFFF).arg(nVersion & 0xFF);
}

void CheckProvider(CReport& report)
{
    const QString strProvider = qEnvironmentVariable("VAULTLINE_VISA_PROVIDER").trimmed().toLower();
    const QString strNamed = qEnvironmentVariable("VAULTLINE_VISA_LIBRARY");
    std::shared_ptr<CSystemVisa> pVisa;
    if (strProvider != QLatin1String("builtin"))
        pVisa = CSystemVisa::Load();
    if (!strNamed.isEmpty() && !pVisa && strProvider != QLatin1String("builtin"))
        report.Problem(LoadResString(IDS_DOCTOR_LIBRARY_VARIABLE_UNLOADABLE).arg(strNamed));

    if (pVisa) {
        const CSystemVisa::VISAAPI& api = pVisa->Api();
        QString strPath = pVisa->LibraryPath();
        Dl_info info{};
        if (dladdr(reinterpret_cast<void*>(api.viOpenDefaultRM), &info) && info.dli_fname)
            strPath = QFile::decodeName(info.dli_fname);
        // Every VISA library's resource manager tells the VISA version it
        // implements, its maker and its own version.
        CSystemVisa::ViUInt32 nSpec = 0, nImpl = 0;
        char szManufacturer[256] = {};
        QString strDetails;
        const CSystemVisa::ViSession rm = pVisa->DefaultRM();
        if (api.viGetAttribute(rm, VI_ATTR_RSRC_SPEC_VERSION, &nSpec) >= 0 &&
            api.viGetAttribute(rm, VI_ATTR_RSRC_MANF_NAME, szManufacturer) >= 0 &&
            api.viGetAttribute(rm, VI_ATTR_RSRC_IMPL_VERSION, &nImpl) >= 0) {
            szManufacturer[sizeof szManufacturer - 1] = 0;
            strDetails =
                LoadResString(IDS_DOCTOR_VISA_DETAILS)
                    .arg(VersionText(nSpec), QString::fromLatin1(szManufacturer), QString::number(nImpl, 16));
        }
        const QString strWhy = strNamed.isEmpty()
                                   ? LoadResString(IDS_DOCTOR_FOUND_ON_SEARCH_PATH).arg(pVisa->LibraryPath())
                                   : LoadResString(IDS_DOCTOR_NAMED_BY_LIBRARY_VARIABLE);
        report.Ok(LoadResString(IDS_DOCTOR_SYSTEM_VISA).arg(strPath, strDetails, strWhy));
        return;
    }
    if (strProvider == QLatin1String("system")) {
        report.Problem(LoadResString(IDS_DOCTOR_SYSTEM_VISA_MISSING));
        return;
    }
    report.Ok(LoadResString(IDS_DOCTOR_BUILTIN_VISA)
                  .arg(strProvider == QLatin1String("builtin")
                           ? LoadResString(IDS_DOCTOR_BECAUSE_PROVIDER_BUILTIN)
                           : LoadResString(IDS_DOCTOR_BECAUSE_NO_SYSTEM_VISA)
                                 .arg(CSystemVisa::LibraryNames().join(QStringLiteral(", ")))));

    // What the built-in VISA reaches on this machine.
    const QString strRoot = SystemRoot();
    report.Ok(LoadResString(IDS_DOCTOR_SERIAL_REACHED)
                  .arg(CSerialSession::ListPorts(strRoot + QStringLiteral("/sys")).size()));
    if (QFileInfo::exists(strRoot + QStringLiteral("/sys/bus/usb/drivers/usbtmc")))
        report.Ok(LoadResString(IDS_DOCTOR_USB_REACHED));
    else
        report.Note(LoadResString(IDS_DOCTOR_USBTMC_NOT_LOADED));
    report.Ok(LoadResString(IDS_DOCTOR_LAN_REACHED));
    QString strWhyNoGpib;
    if (CGpibSession::LibraryAvailable(strWhyNoGpib))
        report.Ok(LoadResString(IDS_DOCTOR_GPIB_REACHED));
    else
        report.Note(LoadResString(IDS_DOCTOR_GPIB_NOT_REACHED).arg(strWhyNoGpib));
}

void CheckResourceNames(CReport& report, const QString& strWhere, const QStringList& names)
{
    for (const QString& strName : names) {
        try {
            CResourceName::Parse(strName);
        } catch (const _com_error& e) {
            report.Problem(
                LoadResString(IDS_DOCTOR_RESOURCE_NAME_INVALID).arg(strWhere, strName, e.ErrorMessage()));
        }
    }
}

void CheckFiles(CReport& report)
{
    const QString strResources = CBuiltinResourceManager::ResourcesFilePath();
    QFile file(strResources);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QStringList names;
        while (!file.atEnd()) {
            const QString strLine = QString::fromUtf8(file.readLine()).trimmed();
            if (!strLine.isEmpty() && !strLine.startsWith(QLatin1Char('#')))
                names << strLine;
        }
        report.Ok(LoadResString(IDS_DOCTOR_RESOURCES_FILE).arg(strResources).arg(names.size()));
        CheckResourceNames(report, strResources, names);
    } else if (file.exists()) {
        report.Problem(
            LoadResString(IDS_DOCTOR_RESOURCES_FILE_UNREADABLE).arg(strResources, file.errorString()));
    } else {
        report.Ok(LoadResString(IDS_DOCTOR_RESOURCES_FILE_ABSENT).arg(strResources));
    }

    const QStringList fromEnvironment =
        qEnvironmentVariable("VAULTLINE_VISA_RESOURCES").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!fromEnvironment.isEmpty()) {
        report.Ok(LoadResString(IDS_DOCTOR_RESOURCES_VARIABLE).arg(fromEnvironment.size()));
        QStringList names;
        for (const QString& strName : fromEnvironment)
            names << strName.trimmed();
        CheckResourceNames(report, QStringLiteral("VAULTLINE_VISA_RESOURCES"), names);
    }

    // The desktop program's settings (recent files, transfer options).
    const QFileInfo settings(RegularFile::ConfigFolder() + QStringLiteral("/registry.ini"));
    if (!settings.exists())
        report.Ok(LoadResString(IDS_DOCTOR_SETTINGS_FILE_ABSENT).arg(settings.filePath()));
    else if (!settings.isReadable() || !settings.isWritable())
        report.Problem(LoadResString(IDS_DOCTOR_SETTINGS_FILE_NOT_ACCESSIBLE).arg(settings.filePath()));
    else
        report.Ok(LoadResString(IDS_DOCTOR_SETTINGS_FILE).arg(settings.filePath()));
}

// The login name, for the command that adds it to a group.
QString UserName()
{
    const passwd* pUser = getpwuid(geteuid());
    return pUser ? QString::fromLocal8Bit(pUser->pw_name) : QStringLiteral("$USER");
}

// True when the group database lists the user in the group, whether or not
// this login has it yet.
bool UserListedIn(const group* pGroup, const QString& strUser)
{
    const passwd* pUser = getpwnam(strUser.toLocal8Bit().constData());
    if (pUser && pUser->pw_gid == pGroup->gr_gid)
        return true;
    for (char** ppMember = pGroup->gr_mem; ppMember && *ppMember; ++ppMember) {
        if (strUser == QString::fromLocal8Bit(*ppMember))
            return true;
    }
    return false;
}

// The udev rule files that name usbtmc devices.
QStringList UsbtmcRules()
{
    QStringList found;
    const QString strRoot = SystemRoot();
    for (const char* pszDir :
         {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
        const QDir dir(strRoot + QLatin1String(pszDir));
        for (const QString& strFile : dir.entryList({QStringLiteral("*.rules")}, QDir::Files)) {
            QFile rules(dir.filePath(strFile));
            if (rules.open(QIODevice::ReadOnly) && rules.readAll().contains("usbtmc"))
                found << rules.fileName();
        }
    }
    return found;
}

struct DEVICE
{
    QString strPath;
    QString strWhat; // "serial line" or the USB resource name
    bool bUsbtmc;
};

void CheckAccess(CReport& report, const DEVICE& device)
{
    const QByteArray path = QFile::encodeName(device.strPath);
    if (access(path.constData(), R_OK | W_OK) == 0) {
        report.Ok(LoadResString(IDS_DOCTOR_DEVICE_OPENABLE).arg(device.strPath, device.strWhat));
        return;
    }
    struct stat st
    {
    };
    const group* pGroup = stat(path.constData(), &st) == 0 ? getgrgid(st.st_gid) : nullptr;
    const QString strUser = UserName();
    // The owner, or a member of the group already: the access rights
    // themselves shut the user out, and no group will help.
    QList<gid_t> groups(std::max(getgroups(0, nullptr), 0));
    if (getgroups(static_cast<int>(groups.size()), groups.data()) < 0)
        groups.clear();
    if (st.st_uid == geteuid() || st.st_gid == getegid() || groups.contains(st.st_gid)) {
        report.Problem(LoadResString(IDS_DOCTOR_DEVICE_MODE_SHUTS_OUT)
                           .arg(device.strPath, device.strWhat,
                                QString::number(st.st_mode & 07777, 8).rightJustified(4, QLatin1Char('0'))));
        return;
    }
    if (device.bUsbtmc && (!pGroup || st.st_gid == 0)) {
        const QStringList rules = UsbtmcRules();
        if (rules.isEmpty())
            report.Problem(LoadResString(IDS_DOCTOR_DEVICE_NO_UDEV_RULE).arg(device.strPath, device.strWhat));
        else
            report.Problem(LoadResString(IDS_DOCTOR_DEVICE_REPLUG)
                               .arg(device.strPath, device.strWhat, rules.join(QStringLiteral(", "))));
        return;
    }
    const QString strGroup = pGroup ? QString::fromLocal8Bit(pGroup->gr_name) : QString::number(st.st_gid);
    if (pGroup && UserListedIn(pGroup, strUser))
        report.Problem(
            LoadResString(IDS_DOCTOR_DEVICE_NEEDS_NEW_LOGIN).arg(device.strPath, device.strWhat, strGroup));
    else
        report.Problem(LoadResString(IDS_DOCTOR_DEVICE_NEEDS_GROUP)
                           .arg(device.strPath, device.strWhat, strGroup, strUser));
}

// The process name of a pid, empty when it is gone.
QString ProcessName(qint64 nPid)
{
    QFile comm(QStringLiteral("/proc/%1/comm").arg(nPid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QString();
}

// The flock and fcntl locks of other processes, by device and inode, as the
// kernel lists them ("1: FLOCK  ADVISORY  WRITE 1234 08:01:131 0 EOF").
struct HELDLOCK
{
    dev_t dev;
    ino_t ino;
    qint64 nPid;
};

QList<HELDLOCK> HeldLocks()
{
    QList<HELDLOCK> locks;
    QFile file(QStringLiteral("/proc/locks"));
    if (!file.open(QIODevice::ReadOnly))
        return locks;
    const qint64 nSelf = getpid();
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] == "->")
            continue; // a waiter, not a holder
        const QList<QByteArray> id = fields[5].split(':');
        bool bPid = false, bMajor = false, bMinor = false, bInode = false;
        const qint64 nPid = fields[4].toLongLong(&bPid);
        if (id.size() != 3 || !bPid || nPid <= 0 || nPid == nSelf)
            continue;
        const unsigned nMajor = id[0].toUInt(&bMajor, 16);
        const unsigned nMinor = id[1].toUInt(&bMinor, 16);
        const qulonglong nInode = id[2].toULongLong(&bInode);
        if (bMajor && bMinor && bInode)
            locks.append(HELDLOCK{makedev(nMajor, nMinor), static_cast<ino_t>(nInode), nPid});
    }
    return locks;
}

void CheckLocks(CReport& report, const DEVICE& device, const QList<HELDLOCK>& locks)
{
    struct stat st
    {
    };
    if (stat(QFile::encodeName(device.strPath).constData(), &st) != 0)
        return;
    for (const HELDLOCK& lock : locks) {
        if (lock.dev == st.st_dev && lock.ino == st.st_ino) {
            report.Problem(LoadResString(IDS_DOCTOR_DEVICE_LOCKED_BY)
                               .arg(device.strPath, ProcessName(lock.nPid))
                               .arg(lock.nPid));
            return;
        }
    }
    // Terminal programs mark a port with a lock file named after it.
    const QString strName = QFileInfo(device.strPath).fileName();
    for (const char* pszDir : {"/run/lock", "/var/lock"}) {
        QFile file(SystemRoot() + QLatin1String(pszDir) + QStringLiteral("/LCK..") + strName);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        bool bOk = false;
        const qint64 nPid = file.readAll().trimmed().toLongLong(&bOk);
        if (bOk && nPid > 0 && (kill(static_cast<pid_t>(nPid), 0) == 0 || errno == EPERM)) {
            report.Problem(
                LoadResString(IDS_DOCTOR_DEVICE_LOCKED_BY).arg(device.strPath, ProcessName(nPid)).arg(nPid));
            return;
        }
    }
}

void CheckDevices(CReport& report)
{
    const QString strRoot = SystemRoot();
    QList<DEVICE> devices;
    for (const QString& strName : CSerialSession::ListPorts(strRoot + QStringLiteral("/sys"))) {
        // "ASRL/dev/ttyUSB0::INSTR"
        const QString strNode = strName.mid(4).section(QStringLiteral("::"), 0, 0);
        devices.append(DEVICE{strRoot + strNode, strName, false});
    }
    for (const CUsbtmcSession::USBTMCDEVICE& usb :
         CUsbtmcSession::List(strRoot + QStringLiteral("/sys"), strRoot + QStringLiteral("/dev")))
        devices.append(DEVICE{usb.strDevicePath, usb.strResourceName, true});

    const QList<HELDLOCK> locks = HeldLocks();
    for (const DEVICE& device : qAsConst(devices)) {
        if (!QFileInfo::exists(device.strPath)) {
            report.Problem(LoadVisaString(IDS_VISA_NO_DEVICE).arg(device.strPath));
            continue;
        }
        CheckAccess(report, device);
        CheckLocks(report, device, locks);
    }
}

void CheckPortGrabbers(CReport& report)
{
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& strEntry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool bPid = false;
        const qint64 nPid = strEntry.toLongLong(&bPid);
        if (!bPid)
            continue;
        const QString strName = ProcessName(nPid);
        for (const char* pszGrabber : s_PortGrabbers) {
            if (strName == QLatin1String(pszGrabber))
                report.Problem(LoadResString(IDS_DOCTOR_PORT_GRABBER_RUNNING).arg(strName).arg(nPid));
        }
    }
}

} // namespace

int RunDoctor(const CLICOMMAND& command, const QStringList& args)
{
    if (!args.isEmpty())
        return CliUsageError(command, LoadResString(IDS_CLI_UNEXPECTED_ARGUMENT).arg(args.first()));
    CReport report;
    CheckProvider(report);
    CheckFiles(report);
    CheckDevices(report);
    CheckPortGrabbers(report);
    return report.Problems() == 0 ? CLI_EXIT_OK : CLI_EXIT_PROBLEMS;
}
