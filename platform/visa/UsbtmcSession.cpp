#include "platform/visa/UsbtmcSession.h"

#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// From the kernel's usbtmc interface (Linux 4.19 and later); older kernels
// refuse it and keep their fixed five seconds.
constexpr unsigned long USBTMC_IOCTL_SET_TIMEOUT = 0x40045B0Au;
// The driver refuses anything shorter.
constexpr std::uint32_t USBTMC_MIN_TIMEOUT_MS = 100;
// One read asks the device for this much, so that a whole reply arrives in
// one transfer; what the caller does not take yet waits in the session.
constexpr qint64 USBTMC_READ_SIZE = 4096;

QString ReadSysFile(const QString& strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(file.readAll()).trimmed();
}

} // namespace

CUsbtmcSession::CUsbtmcSession(const CResourceName& name, const QString& strPath)
    : CSessionBase(name), m_strPath(strPath)
{
}

QList<CUsbtmcSession::USBTMCDEVICE> CUsbtmcSession::List(const QString& strSysRoot, const QString& strDevRoot)
{
    QList<USBTMCDEVICE> devices;
    const QDir dirClass(QDir(strSysRoot).filePath(QStringLiteral("class/usbmisc")));
    const QStringList entries = dirClass.entryList(
        {QStringLiteral("usbtmc*")}, QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& strEntry : entries) {
        // "device" is the USB interface; the USB device above it carries the
        // identifiers.
        const QString strInterface =
            QFileInfo(dirClass.filePath(strEntry + QStringLiteral("/device"))).canonicalFilePath();
        if (strInterface.isEmpty())
            continue;
        const QString strDevice = QFileInfo(strInterface).path();
        bool bVendor = false;
        bool bProduct = false;
        const unsigned nVendor = ReadSysFile(strDevice + QStringLiteral("/idVendor")).toUInt(&bVendor, 16);
        const unsigned nProduct = ReadSysFile(strDevice + QStringLiteral("/idProduct")).toUInt(&bProduct, 16);
        if (!bVendor || !bProduct)
            continue;
        QString strSerial = ReadSysFile(strDevice + QStringLiteral("/serial"));
        // A name field may hold neither "::" nor nothing at all.
        strSerial.replace(QLatin1String("::"), QLatin1String("__"));
        if (strSerial.isEmpty())
            strSerial = QStringLiteral("NONE");
        bool bInterface = false;
        const int nInterface =
            ReadSysFile(strInterface + QStringLiteral("/bInterfaceNumber")).toInt(&bInterface, 16);
        QString strName =
            QStringLiteral("USB0::0x%1::0x%2::%3")
                .arg(QStringLiteral("%1").arg(nVendor, 4, 16, QLatin1Char('0')).toUpper(),
                     QStringLiteral("%1").arg(nProduct, 4, 16, QLatin1Char('0')).toUpper(), strSerial);
        if (bInterface && nInterface != 0)
            strName += QStringLiteral("::%1").arg(nInterface);
        devices.append({strName + QStringLiteral("::INSTR"), QDir(strDevRoot).filePath(strEntry)});
    }
    return devices;
}

QString CUsbtmcSession::DevicePathOf(const CResourceName& name, const QString& strSysRoot,
                                     const QString& strDevRoot)
{
    const QString strWanted = name.Canonical();
    const QList<USBTMCDEVICE> devices = List(strSysRoot, strDevRoot);
    for (const USBTMCDEVICE& device : devices) {
        const CResourceName found = CResourceName::Parse(device.strResourceName);
        // The interface number may be left out for interface 0.
        if (found.VendorId() == name.VendorId() && found.ProductId() == name.ProductId() &&
            found.SerialNumber().compare(name.SerialNumber(), Qt::CaseInsensitive) == 0 &&
            qMax(0, found.UsbInterfaceNumber()) == qMax(0, name.UsbInterfaceNumber()))
            return device.strDevicePath;
    }
    QStringList attached;
    for (const USBTMCDEVICE& device : devices)
        attached << device.strResourceName;
    CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                       LoadVisaString(IDS_VISA_USB_NOT_ATTACHED)
                           .arg(strWanted, attached.isEmpty() ? LoadVisaString(IDS_VISA_NONE)
                                                              : attached.join(QLatin1String(", "))));
}

std::shared_ptr<CUsbtmcSession> CUsbtmcSession::Open(const CResourceName& name)
{
    if (!name.IsInstr())
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_NEEDS_SYSTEM_VISA).arg(name.Original()));
    const QString strPath = DevicePathOf(name);
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        const int nErrno = errno;
        if (nErrno == EACCES || nErrno == EPERM)
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_BUSY,
                               LoadVisaString(IDS_VISA_USB_PERMISSION).arg(strPath, DeviceGroup(strPath)));
        if (nErrno == ENOENT || nErrno == ENODEV || nErrno == ENXIO)
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND, LoadVisaString(IDS_VISA_NO_DEVICE).arg(strPath));
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                               .arg(strPath, QString::fromLocal8Bit(std::strerror(nErrno))));
    }
    std::shared_ptr<CUsbtmcSession> pSession(new CUsbtmcSession(name, strPath));
    pSession->m_fd = fd;
    pSession->m_lock.UseDevice(fd);
    return pSession;
}

void CUsbtmcSession::SetDriverTimeout(const QDeadlineTimer& deadline)
{
    std::uint32_t nMs = 0xFFFFFFFFu;
    if (!deadline.isForever())
        nMs = static_cast<std::uint32_t>(
            qBound<qint64>(USBTMC_MIN_TIMEOUT_MS, deadline.remainingTime(), 0x7FFFFFFF));
    ::ioctl(m_fd, USBTMC_IOCTL_SET_TIMEOUT, &nMs);
}

bool CUsbtmcSession::Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd)
{
    bEnd = false;
    const qint64 nAsk = qMax(nWanted, USBTMC_READ_SIZE);
    for (;;) {
        SetDriverTimeout(deadline);
        const int nOld = static_cast<int>(buf.size());
        buf.resize(nOld + static_cast<int>(nAsk));
        const ssize_t nRead = ::read(m_fd, buf.data() + nOld, static_cast<size_t>(nAsk));
        buf.resize(nOld + static_cast<int>(qMax<ssize_t>(nRead, 0)));
        if (nRead > 0) {
            // The driver stops early only at the device's end-of-message.
            bEnd = nRead < nAsk;
            return true;
        }
        if (nRead == 0) {
            if (deadline.hasExpired())
                return false;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == ETIMEDOUT)
            return false;
        ThrowIoError(errno);
    }
}

void CUsbtmcSession::Send(const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qint64 nSent = 0;
    while (nSent < bytes.size()) {
        SetDriverTimeout(deadline);
        const ssize_t nWritten =
            ::write(m_fd, bytes.constData() + nSent, static_cast<size_t>(bytes.size() - nSent));
        if (nWritten > 0) {
            nSent += nWritten;
            continue;
        }
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten < 0 && errno == ETIMEDOUT)
            CVisaStatus::Throw(Visa::VI_ERROR_TMO);
        ThrowIoError(nWritten < 0 ? errno : EIO);
    }
}
