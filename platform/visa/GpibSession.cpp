#include "platform/visa/GpibSession.h"

#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include <QFile>

#include <dlfcn.h>
#include <iterator>
#include <vector>

namespace {

// ibsta bits
constexpr int STA_ERR = 0x8000;
constexpr int STA_TIMO = 0x4000;
constexpr int STA_END = 0x2000;
// iberr values
constexpr int ERR_EDVR = 0;
constexpr int ERR_ECIC = 1;
constexpr int ERR_ENOL = 2;
constexpr int ERR_EADR = 3;
constexpr int ERR_EARG = 4;
constexpr int ERR_EABO = 6;
constexpr int ERR_ENEB = 7;
constexpr int ERR_EBUS = 14;
// End-of-string mode of ibdev: the character, and "a read ends there".
constexpr int EOS_REOS = 0x400;
// linux-gpib numbers secondary addresses from 0x60.
constexpr int SAD_OFFSET = 0x60;
constexpr unsigned short NOADDR = 0xFFFF;
// What one ibrd asks for; what the caller does not take waits in the session.
constexpr long READ_CHUNK = 64 * 1024;

constexpr HRESULT VI_ERROR_NLISTENERS = static_cast<HRESULT>(0xBFFF005Fu);
constexpr HRESULT VI_ERROR_NCIC = static_cast<HRESULT>(0xBFFF0060u);

// The GPIB timeouts of codes 1 to 17, in microseconds.
constexpr long long s_TimeoutsUs[] = {10,       30,       100,       300,       1000,      3000,
                                      10000,    30000,    100000,    300000,    1000000,   3000000,
                                      10000000, 30000000, 100000000, 300000000, 1000000000};

} // namespace

// linux-gpib's library with the calls this session makes. The thread-safe
// status getters are used where the library has them, its globals where not.
class CGpibLibrary
{
public:
    static std::shared_ptr<CGpibLibrary> Load(QString& strWhy)
    {
        const QString strPath = qEnvironmentVariableIsSet("VAULTLINE_GPIB_LIBRARY")
                                    ? qEnvironmentVariable("VAULTLINE_GPIB_LIBRARY")
                                    : QStringLiteral("libgpib.so.0");
        void* pHandle = ::dlopen(QFile::encodeName(strPath).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!pHandle) {
            strWhy = QString::fromLocal8Bit(::dlerror());
            return nullptr;
        }
        std::shared_ptr<CGpibLibrary> p(new CGpibLibrary(pHandle));
        const bool bStatus = (p->m_pThreadIbsta || p->m_pIbsta) && (p->m_pThreadIberr || p->m_pIberr) &&
                             (p->m_pThreadIbcntl || p->m_pIbcntl);
        if (!p->ibdev || !p->ibwrt || !p->ibrd || !p->ibtmo || !p->ibonl || !p->ibloc || !bStatus) {
            strWhy = QStringLiteral("%1: not linux-gpib's library").arg(strPath);
            return nullptr;
        }
        return p;
    }
    ~CGpibLibrary() { ::dlclose(m_pHandle); }
    CGpibLibrary(const CGpibLibrary&) = delete;
    CGpibLibrary& operator=(const CGpibLibrary&) = delete;

    int Status() const { return m_pThreadIbsta ? m_pThreadIbsta() : *m_pIbsta; }
    int Error() const { return m_pThreadIberr ? m_pThreadIberr() : *m_pIberr; }
    long Count() const { return m_pThreadIbcntl ? m_pThreadIbcntl() : *m_pIbcntl; }

    int (*ibdev)(int, int, int, int, int, int) = nullptr;
    int (*ibwrt)(int, const void*, long) = nullptr;
    int (*ibrd)(int, void*, long) = nullptr;
    int (*ibtmo)(int, int) = nullptr;
    int (*ibonl)(int, int) = nullptr;
    int (*ibloc)(int) = nullptr;
    void (*FindLstn)(int, const unsigned short*, unsigned short*, int) = nullptr;

private:
    explicit CGpibLibrary(void* pHandle) : m_pHandle(pHandle)
    {
        Resolve(ibdev, "ibdev");
        Resolve(ibwrt, "ibwrt");
        Resolve(ibrd, "ibrd");
        Resolve(ibtmo, "ibtmo");
        Resolve(ibonl, "ibonl");
        Resolve(ibloc, "ibloc");
        Resolve(FindLstn, "FindLstn");
        Resolve(m_pThreadIbsta, "ThreadIbsta");
        Resolve(m_pThreadIberr, "ThreadIberr");
        Resolve(m_pThreadIbcntl, "ThreadIbcntl");
        Resolve(m_pIbsta, "ibsta");
        Resolve(m_pIberr, "iberr");
        Resolve(m_pIbcntl, "ibcntl");
    }
    template <class T> void Resolve(T& p, const char* pszName)
    {
        p = reinterpret_cast<T>(::dlsym(m_pHandle, pszName));
    }

    void* m_pHandle = nullptr;
    int (*m_pThreadIbsta)() = nullptr;
    int (*m_pThreadIberr)() = nullptr;
    long (*m_pThreadIbcntl)() = nullptr;
    volatile int* m_pIbsta = nullptr;
    volatile int* m_pIberr = nullptr;
    volatile long* m_pIbcntl = nullptr;
};

CGpibSession::CGpibSession(const CResourceName& name) : CSessionBase(name) {}

CGpibSession::~CGpibSession()
{
    if (m_nDevice < 0)
        return;
    // The instrument goes back to local control and the descriptor is freed.
    m_pLibrary->ibloc(m_nDevice);
    m_pLibrary->ibonl(m_nDevice, 0);
}

bool CGpibSession::LibraryAvailable(QString& strWhy)
{
    return CGpibLibrary::Load(strWhy) != nullptr;
}

int CGpibSession::TimeoutCode(long nMilliseconds)
{
    if (nMilliseconds >= Visa::TMO_INFINITE)
        return 0;
    const long long nUs = static_cast<long long>(qMax(0L, nMilliseconds)) * 1000;
    for (int i = 0; i < static_cast<int>(std::size(s_TimeoutsUs)); ++i) {
        if (s_TimeoutsUs[i] >= nUs)
            return i + 1;
    }
    return static_cast<int>(std::size(s_TimeoutsUs));
}

QString CGpibSession::Where() const
{
    return m_name.Canonical();
}

void CGpibSession::ThrowGpibError(int nStatus, int nError) const
{
    HRESULT nVisa = Visa::VI_ERROR_IO;
    unsigned nText = IDS_VISA_GPIB_ERROR_CODE;
    if ((nStatus & STA_TIMO) || nError == ERR_EABO) {
        nVisa = Visa::VI_ERROR_TMO;
        nText = IDS_VISA_GPIB_TIMEOUT;
    } else {
        switch (nError) {
        case ERR_EDVR:
            nVisa = Visa::VI_ERROR_SYSTEM_ERROR;
            nText = IDS_VISA_GPIB_DRIVER_ERROR;
            break;
        case ERR_ECIC:
            nVisa = VI_ERROR_NCIC;
            nText = IDS_VISA_GPIB_NOT_CONTROLLER;
            break;
        case ERR_ENOL:
            nVisa = VI_ERROR_NLISTENERS;
            nText = IDS_VISA_GPIB_NO_LISTENER;
            break;
        case ERR_EADR:
            nText = IDS_VISA_GPIB_ADDRESSING;
            break;
        case ERR_EARG:
            nText = IDS_VISA_GPIB_INVALID_ARGUMENT;
            break;
        case ERR_ENEB:
            nVisa = Visa::VI_ERROR_INTF_NUM_NCONFIG;
            nText = IDS_VISA_GPIB_NO_BOARD;
            break;
        case ERR_EBUS:
            nText = IDS_VISA_GPIB_BUS_ERROR;
            break;
        default:
            break;
        }
    }
    const QString strWhat =
        nText == IDS_VISA_GPIB_ERROR_CODE ? LoadVisaString(nText).arg(nError) : LoadVisaString(nText);
    CVisaStatus::Throw(nVisa, LoadVisaString(IDS_VISA_GPIB_FAILED)
                                  .arg(Where(), strWhat)
                                  .arg(nError)
                                  .arg(nStatus & 0xFFFF, 4, 16, QLatin1Char('0')));
}

std::shared_ptr<CGpibSession> CGpibSession::Open(const CResourceName& name)
{
    if (!name.IsInstr())
        CVisaStatus::Throw(Visa::VI_ERROR_RSRC_NFOUND,
                           LoadVisaString(IDS_VISA_NEEDS_SYSTEM_VISA).arg(name.Original()));
    QString strWhy;
    std::shared_ptr<CGpibLibrary> pLibrary = CGpibLibrary::Load(strWhy);
    if (!pLibrary)
        CVisaStatus::Throw(Visa::VI_ERROR_LIBRARY_NFOUND,
                           LoadVisaString(IDS_VISA_GPIB_LIBRARY_MISSING).arg(name.Original(), strWhy));
    std::shared_ptr<CGpibSession> pSession(new CGpibSession(name));
    pSession->m_pLibrary = pLibrary;
    const int nSecondary = name.SecondaryAddress() < 0 ? 0 : SAD_OFFSET + name.SecondaryAddress();
    const int nDevice = pLibrary->ibdev(name.BoardNumber(), name.PrimaryAddress(), nSecondary,
                                        TimeoutCode(pSession->GetTimeout()), 1, '\n' | EOS_REOS);
    if (nDevice < 0)
        pSession->ThrowGpibError(pLibrary->Status(), pLibrary->Error());
    pSession->m_nDevice = nDevice;
    pSession->m_nAppliedTimeoutMs = pSession->GetTimeout();
    pSession->m_lock.UseLockFile(name.Canonical().toUpper());
    return pSession;
}

void CGpibSession::ApplyTimeout()
{
    if (GetTimeout() == m_nAppliedTimeoutMs)
        return;
    if (m_pLibrary->ibtmo(m_nDevice, TimeoutCode(GetTimeout())) & STA_ERR)
        ThrowGpibError(m_pLibrary->Status(), m_pLibrary->Error());
    m_nAppliedTimeoutMs = GetTimeout();
}

void CGpibSession::Send(const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    Q_UNUSED(deadline); // the device's own timeout bounds the call
    ApplyTimeout();
    const int nStatus = m_pLibrary->ibwrt(m_nDevice, bytes.constData(), bytes.size());
    if (nStatus & STA_ERR)
        ThrowGpibError(nStatus, m_pLibrary->Error());
}

bool CGpibSession::Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd)
{
    Q_UNUSED(deadline);
    bEnd = false;
    ApplyTimeout();
    const long nAsk = static_cast<long>(std::clamp<qint64>(nWanted, 1, READ_CHUNK));
    const int nOld = static_cast<int>(buf.size());
    buf.resize(nOld + static_cast<int>(nAsk));
    const int nStatus = m_pLibrary->ibrd(m_nDevice, buf.data() + nOld, nAsk);
    const long nRead = qBound(0L, m_pLibrary->Count(), nAsk);
    buf.resize(nOld + static_cast<int>(nRead));
    if (nStatus & STA_ERR) {
        const int nError = m_pLibrary->Error();
        if ((nStatus & STA_TIMO) || nError == ERR_EABO)
            return nRead > 0;
        ThrowGpibError(nStatus, nError);
    }
    // END is EOI or the end-of-string character.
    bEnd = (nStatus & STA_END) != 0;
    return true;
}

QStringList CGpibSession::List(const QString& strDevRoot)
{
    QStringList names;
    QString strWhy;
    const std::shared_ptr<CGpibLibrary> pLibrary = CGpibLibrary::Load(strWhy);
    if (!pLibrary || !pLibrary->FindLstn)
        return names;
    std::vector<unsigned short> addresses;
    for (unsigned short nPad = 1; nPad <= 30; ++nPad)
        addresses.push_back(nPad);
    addresses.push_back(NOADDR);
    for (int nBoard = 0; nBoard < 16; ++nBoard) {
        if (!QFileInfo::exists(QDir(strDevRoot).filePath(QStringLiteral("gpib%1").arg(nBoard))))
            continue;
        unsigned short found[31] = {};
        pLibrary->FindLstn(nBoard, addresses.data(), found, 31);
        if (pLibrary->Status() & STA_ERR)
            continue;
        const long nFound = qBound(0L, pLibrary->Count(), 31L);
        for (long i = 0; i < nFound; ++i) {
            const int nPad = found[i] & 0xFF;
            const int nSad = (found[i] >> 8) & 0xFF;
            names
                << (nSad >= SAD_OFFSET
                        ? QStringLiteral("GPIB%1::%2::%3::INSTR").arg(nBoard).arg(nPad).arg(nSad - SAD_OFFSET)
                        : QStringLiteral("GPIB%1::%2::INSTR").arg(nBoard).arg(nPad));
        }
    }
    return names;
}
