// vaultline-cli doctor: what this machine can reach and what stands in the
// way, one line each, with what to do about it.

#include "cli/CliCommand.h"
#include "cli/CliCommands.h"

#include "platform/visa/BuiltinResourceManager.h"
#include "platform/visa/GpibSession.h"
#include "platform/visa/ResourceName.h"
#include "platform/visa/SerialSession.h"
#include "platform/visa/SystemVisa.h"
#include "platform/visa/UsbtmcSession.h"
#include "resources/StringTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

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
    void Ok(const QString& strText) { Line(2867, strText); }
    void Note(const QString& strText) { Line(2868, strText); }
    void Problem(const QString& strText)
    {
        Line(2869, strText);
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
        report.Problem(LoadResString(2876).arg(strNamed));

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
            strDetails = LoadResString(2878).arg(VersionText(nSpec), QString::fromLatin1(szManufacturer),
                                                 QString::number(nImpl, 16));
        }
        const QString strWhy =
            strNamed.isEmpty() ? LoadResString(2875).arg(pVisa->LibraryPath()) : LoadResString(2874);
        report.Ok(LoadResString(2870).arg(strPath, strDetails, strWhy));
        return;
    }
    if (strProvider == QLatin1String("system")) {
        report.Problem(LoadResString(2877));
        return;
    }
    report.Ok(LoadResString(2871).arg(
        strProvider == QLatin1String("builtin")
            ? LoadResString(2872)
            : LoadResString(2873).arg(CSystemVisa::LibraryNames().join(QStringLiteral(", ")))));

    // What the built-in VISA reaches on this machine.
    const QString strRoot = SystemRoot();
    report.Ok(LoadResString(2880).arg(CSerialSession::ListPorts(strRoot + QStringLiteral("/sys")).size()));
    if (QFileInfo::exists(strRoot + QStringLiteral("/sys/bus/usb/drivers/usbtmc")))
        report.Ok(LoadResString(2881));
    else
        report.Note(LoadResString(2882));
    report.Ok(LoadResString(2883));
    QString strWhyNoGpib;
    if (CGpibSession::LibraryAvailable(strWhyNoGpib))
        report.Ok(LoadResString(2930));
    else
        report.Note(LoadResString(2884).arg(strWhyNoGpib));
}

void CheckResourceNames(CReport& report, const QString& strWhere, const QStringList& names)
{
    for (const QString& strName : names) {
        try {
            CResourceName::Parse(strName);
        } catch (const _com_error& e) {
            report.Problem(LoadResString(2888).arg(strWhere, strName, e.ErrorMessage()));
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
        report.Ok(LoadResString(2885).arg(strResources).arg(names.size()));
        CheckResourceNames(report, strResources, names);
    } else if (file.exists()) {
        report.Problem(LoadResString(2886).arg(strResources, file.errorString()));
    } else {
        report.Ok(LoadResString(2887).arg(strResources));
    }

    const QStringList fromEnvironment =
        qEnvironmentVariable("VAULTLINE_VISA_RESOURCES").split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (!fromEnvironment.isEmpty()) {
        report.Ok(LoadResString(2889).arg(fromEnvironment.size()));
        QStringList names;
        for (const QString& strName : fromEnvironment)
            names << strName.trimmed();
        CheckResourceNames(report, QStringLiteral("VAULTLINE_VISA_RESOURCES"), names);
    }

    // The desktop program's settings (recent files, transfer options).
    const QString strConfig = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QFileInfo settings(strConfig + QStringLiteral("/vaultline/registry.ini"));
    if (!settings.exists())
        report.Ok(LoadResString(2890).arg(settings.filePath()));
    else if (!settings.isReadable() || !settings.isWritable())
        report.Problem(LoadResString(2891).arg(settings.filePath()));
    else
        report.Ok(LoadResString(2892).arg(settings.filePath()));
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
        report.Ok(LoadResString(2893).arg(device.strPath, device.strWhat));
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
        report.Problem(LoadResString(2879).arg(
            device.strPath, device.strWhat,
            QString::number(st.st_mode & 07777, 8).rightJustified(4, QLatin1Char('0'))));
        return;
    }
    if (device.bUsbtmc && (!pGroup || st.st_gid == 0)) {
        const QStringList rules = UsbtmcRules();
        if (rules.isEmpty())
            report.Problem(LoadResString(2896).arg(device.strPath, device.strWhat));
        else
            report.Problem(
                LoadResString(2897).arg(device.strPath, device.strWhat, rules.join(QStringLiteral(", "))));
        return;
    }
    const QString strGroup = pGroup ? QString::fromLocal8Bit(pGroup->gr_name) : QString::number(st.st_gid);
    if (pGroup && UserListedIn(pGroup, strUser))
        report.Problem(LoadResString(2895).arg(device.strPath, device.strWhat, strGroup));
    else
        report.Problem(LoadResString(2894).arg(device.strPath, device.strWhat, strGroup, strUser));
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
            report.Problem(LoadResString(2898).arg(device.strPath, ProcessName(lock.nPid)).arg(lock.nPid));
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
            report.Problem(LoadResString(2898).arg(device.strPath, ProcessName(nPid)).arg(nPid));
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
            report.Problem(LoadResString(2243).arg(device.strPath));
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
                report.Problem(LoadResString(2899).arg(strName).arg(nPid));
        }
    }
}

} // namespace

int RunDoctor(const CLICOMMAND& command, const QStringList& args)
{
    if (!args.isEmpty())
        return CliUsageError(command, LoadResString(2204).arg(args.first()));
    CReport report;
    CheckProvider(report);
    CheckFiles(report);
    CheckDevices(report);
    CheckPortGrabbers(report);
    return report.Problems() == 0 ? CLI_EXIT_OK : CLI_EXIT_PROBLEMS;
}
