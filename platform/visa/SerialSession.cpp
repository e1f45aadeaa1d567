#include "platform/visa/SerialSession.h"

#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The parts of the line settings that the five serial attributes change.
constexpr tcflag_t LINE_CFLAGS = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
constexpr tcflag_t LINE_IFLAGS = IXON | IXOFF | IXANY;

struct BAUDRATE
{
    long nBaud;
    speed_t nSpeed;
};

const BAUDRATE s_BaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

// Whether two settings agree in what the five serial attributes set.
bool SameLine(const termios& a, const termios& b)
{
    return (a.c_cflag & LINE_CFLAGS) == (b.c_cflag & LINE_CFLAGS) &&
           (a.c_iflag & LINE_IFLAGS) == (b.c_iflag & LINE_IFLAGS) && ::cfgetospeed(&a) == ::cfgetospeed(&b) &&
           ::cfgetispeed(&a) == ::cfgetispeed(&b);
}

} // namespace

CSerialSession::CSerialSession(const CResourceName& name, const QString& strPath)
    : CSessionBase(name), m_strPath(strPath)
{
}

QString CSerialSession::DevicePathOf(const CResourceName& name)
{
    if (!name.DevicePath().isEmpty())
        return name.DevicePath();
    // VISA numbers serial boards from 1 for the first built-in port.
    if (name.BoardNumber() < 1)
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_SERIAL_BOARD_NUMBER).arg(name.Original()));
    return QStringLiteral("/dev/ttyS%1").arg(name.BoardNumber() - 1);
}

std::shared_ptr<CSerialSession> CSerialSession::Open(const CResourceName& name)
{
    const QString strPath = DevicePathOf(name);
    // O_NONBLOCK keeps open from waiting for a modem's carrier, and stays on
    // so that every wait is a poll with the session's timeout. O_NOCTTY: a
    // pseudo-terminal must never become this program's controlling terminal.
    const int fd = ::open(QFile::encodeName(strPath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int nErrno = errno;
        switch (nErrno) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND, LoadVisaString(IDS_VISA_NO_DEVICE).arg(strPath));
        case EACCES:
        case EPERM:
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_BUSY,
                               LoadVisaString(IDS_VISA_SERIAL_PERMISSION).arg(strPath, DeviceGroup(strPath)));
        case EBUSY:
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_BUSY, LoadVisaString(IDS_VISA_DEVICE_BUSY).arg(strPath));
        default:
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                               LoadVisaString(IDS_VISA_SYSTEM_ERROR)
                                   .arg(strPath, QString::fromLocal8Bit(std::strerror(nErrno))));
        }
    }
    std::shared_ptr<CSerialSession> pSession(new CSerialSession(name, strPath));
    pSession->m_fd = fd;
    pSession->m_lock.UseDevice(fd);

    termios current{};
    if (!::isatty(fd) || ::tcgetattr(fd, &current) != 0)
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_NOT_A_SERIAL_LINE).arg(strPath));
    // Another program may be in the middle of an exchange on this line: its
    // input is not this session's to flush, and its line settings are not to
    // be touched before this session holds the lock. A line already set up by
    // a session (raw, as every session here leaves it) is left exactly as it
    // is; the five serial settings come later, under the lock, and are only
    // written where they differ. The stale input of a line is discarded by
    // the first locked exchange (DiscardInput).
    termios settings = current;
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag |= CLOCAL | CREAD;
    // VMIN 1 makes an empty non-blocking read fail with EAGAIN, so that a
    // read of 0 bytes can only mean the line hung up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    settings.c_cc[VSTART] = 0x11;
    settings.c_cc[VSTOP] = 0x13;
    const bool bRaw = settings.c_iflag == current.c_iflag && settings.c_oflag == current.c_oflag &&
                      settings.c_lflag == current.c_lflag && settings.c_cflag == current.c_cflag &&
                      std::memcmp(settings.c_cc, current.c_cc, sizeof settings.c_cc) == 0;
    if (!bRaw && ::tcsetattr(fd, TCSANOW, &settings) != 0)
        CVisaStatus::Throw(
            Visa::VI_ERROR_IO,
            LoadVisaString(IDS_VISA_SYSTEM_ERROR).arg(strPath, QString::fromLocal8Bit(std::strerror(errno))));
    return pSession;
}

void CSerialSession::Unsupported(const char* pszAttribute, long nValue) const
{
    CVisaStatus::Throw(
        Visa::VI_ERROR_NSUP_ATTR_STATE,
        LoadVisaString(IDS_VISA_ATTRIBUTE_REFUSED).arg(m_strPath, QLatin1String(pszAttribute)).arg(nValue));
}

void CSerialSession::Apply(const termios& settings, const char* pszAttribute, long nValue)
{
    // A setting the line already has is not written again: another program
    // may share the line, and rewriting it gains nothing.
    termios applied{};
    if (::tcgetattr(m_fd, &applied) == 0 && SameLine(applied, settings))
        return;
    // tcsetattr succeeds when any part of the change took; read back to know.
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0 || ::tcgetattr(m_fd, &applied) != 0) {
        if (errno == EIO || errno == ENXIO || errno == ENODEV)
            ThrowConnectionLost();
        Unsupported(pszAttribute, nValue);
    }
    if (!SameLine(applied, settings))
        Unsupported(pszAttribute, nValue);
}

void CSerialSession::SetBaudRate(long nBaud)
{
    for (const BAUDRATE& b : s_BaudRates) {
        if (b.nBaud == nBaud) {
            termios settings{};
            ::tcgetattr(m_fd, &settings);
            ::cfsetispeed(&settings, b.nSpeed);
            ::cfsetospeed(&settings, b.nSpeed);
            Apply(settings, "VI_ATTR_ASRL_BAUD", nBaud);
            return;
        }
    }
    Unsupported("VI_ATTR_ASRL_BAUD", nBaud);
}

void CSerialSession::SetDataBits(short nBits)
{
    static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if (nBits < 5 || nBits > 8)
        Unsupported("VI_ATTR_ASRL_DATA_BITS", nBits);
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    settings.c_cflag = (settings.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | sizes[nBits - 5];
    Apply(settings, "VI_ATTR_ASRL_DATA_BITS", nBits);
}

void CSerialSession::SetStopBits(int nStopBits)
{
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    switch (nStopBits) {
    case Visa::ASRL_STOP_ONE:
        settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
        break;
    case Visa::ASRL_STOP_TWO:
        settings.c_cflag |= CSTOPB;
        break;
    case Visa::ASRL_STOP_ONE5:
        // UARTs give one and a half stop bits only to 5-bit characters, where
        // the two-stop-bit setting means exactly that.
        if ((settings.c_cflag & CSIZE) != CS5)
            Unsupported("VI_ATTR_ASRL_STOP_BITS", nStopBits);
        settings.c_cflag |= CSTOPB;
        break;
    default:
        Unsupported("VI_ATTR_ASRL_STOP_BITS", nStopBits);
    }
    Apply(settings, "VI_ATTR_ASRL_STOP_BITS", nStopBits);
}

void CSerialSession::SetParity(int nParity)
{
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (nParity) {
    case Visa::ASRL_PAR_NONE:
        break;
    case Visa::ASRL_PAR_ODD:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case Visa::ASRL_PAR_EVEN:
        settings.c_cflag |= PARENB;
        break;
    case Visa::ASRL_PAR_MARK:
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case Visa::ASRL_PAR_SPACE:
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        Unsupported("VI_ATTR_ASRL_PARITY", nParity);
    }
    Apply(settings, "VI_ATTR_ASRL_PARITY", nParity);
}

void CSerialSession::SetFlowControl(int nFlow)
{
    // DTR/DSR handshaking has no termios setting on Linux.
    if ((nFlow & ~(Visa::ASRL_FLOW_XON_XOFF | Visa::ASRL_FLOW_RTS_CTS)) != 0)
        Unsupported("VI_ATTR_ASRL_FLOW_CNTRL", nFlow);
    termios settings{};
    ::tcgetattr(m_fd, &settings);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    if (nFlow & Visa::ASRL_FLOW_XON_XOFF)
        settings.c_iflag |= IXON | IXOFF;
    if (nFlow & Visa::ASRL_FLOW_RTS_CTS)
        settings.c_cflag |= CRTSCTS;
    Apply(settings, "VI_ATTR_ASRL_FLOW_CNTRL", nFlow);
}

QStringList CSerialSession::ListPorts(const QString& strSysRoot)
{
    QStringList names;
    const QDir dirTty(QDir(strSysRoot).filePath(QStringLiteral("class/tty")));
    const QStringList entries =
        dirTty.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString& strEntry : entries) {
        const QDir dirPort(dirTty.filePath(strEntry));
        // Virtual terminals and ptys have no device behind them.
        if (!QFileInfo::exists(dirPort.filePath(QStringLiteral("device/driver"))))
            continue;
        // The 8250 driver reserves ports that have no UART; their type is 0.
        QFile fileType(dirPort.filePath(QStringLiteral("type")));
        if (fileType.open(QIODevice::ReadOnly) && fileType.readAll().trimmed() == "0")
            continue;
        names << QStringLiteral("ASRL/dev/%1::INSTR").arg(strEntry);
    }
    return names;
}
