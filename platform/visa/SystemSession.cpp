#include "platform/visa/SystemSession.h"

#include "platform/visa/ResourceName.h"

#include <cstring>
#include <vector>

std::shared_ptr<CSystemSession> CSystemSession::Open(const std::shared_ptr<CSystemVisa>& pVisa,
                                                     const QString& strName, int nAccessMode,
                                                     long nOpenTimeoutMs)
{
    const CSystemVisa::VISAAPI& api = pVisa->Api();
    const QByteArray name = strName.toLatin1();
    CSystemVisa::ViSession vi = 0;
    pVisa->Check(pVisa->DefaultRM(), api.viOpen(pVisa->DefaultRM(), name.constData(),
                                                static_cast<CSystemVisa::ViUInt32>(nAccessMode),
                                                static_cast<CSystemVisa::ViUInt32>(nOpenTimeoutMs), &vi));

    // The library knows the interface type even of an alias; the name is the
    // fallback for libraries that do not answer.
    std::uint64_t nType = 0;
    bool bSerial = false;
    if (api.viGetAttribute(vi, CSystemVisa::VI_ATTR_INTF_TYPE, &nType) >= 0)
        bSerial = static_cast<std::uint16_t>(nType) == CSystemVisa::VI_INTF_ASRL;
    else
        bSerial = strName.trimmed().startsWith(QLatin1String("ASRL"), Qt::CaseInsensitive);

    std::shared_ptr<CSystemSession> pSession;
    if (bSerial)
        pSession = std::make_shared<CSystemSerialSession>(pVisa, vi, strName);
    else
        pSession.reset(new CSystemSession(pVisa, vi, strName));

    // A raw socket has no end-of-message mark; ending reads at the line feed
    // makes it answer like every other resource instead of timing out.
    try {
        if (CResourceName::Parse(strName).ResourceClass() == QLatin1String("SOCKET"))
            pSession->SetAttribute(CSystemVisa::VI_ATTR_TERMCHAR_EN, 1);
    } catch (const _com_error&) {
        // An alias: the library resolved it, and it keeps its own settings.
    }
    return pSession;
}

CSystemSession::CSystemSession(std::shared_ptr<CSystemVisa> pVisa, CSystemVisa::ViSession vi,
                               const QString& strName)
    : m_pVisa(std::move(pVisa)), m_vi(vi), m_strName(strName)
{
}

CSystemSession::~CSystemSession()
{
    m_pVisa->Api().viClose(m_vi);
}

void CSystemSession::SetAttribute(CSystemVisa::ViAttr attr, CSystemVisa::ViAttrState value)
{
    m_pVisa->Check(m_vi, m_pVisa->Api().viSetAttribute(m_vi, attr, value));
}

CSystemVisa::ViUInt32 CSystemSession::GetAttribute32(CSystemVisa::ViAttr attr) const
{
    // The library writes the attribute's own width; a 64-bit slot takes any.
    std::uint64_t nValue = 0;
    m_pVisa->Check(m_vi, m_pVisa->Api().viGetAttribute(m_vi, attr, &nValue));
    CSystemVisa::ViUInt32 n32 = 0;
    std::memcpy(&n32, &nValue, sizeof n32);
    return n32;
}

void CSystemSession::SetTimeout(long nMilliseconds)
{
    SetAttribute(CSystemVisa::VI_ATTR_TMO_VALUE, static_cast<CSystemVisa::ViUInt32>(nMilliseconds));
}

long CSystemSession::GetTimeout() const
{
    return static_cast<long>(GetAttribute32(CSystemVisa::VI_ATTR_TMO_VALUE));
}

QString CSystemSession::LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey)
{
    char szKey[CSystemVisa::VI_FIND_BUFLEN + 1] = {};
    const QByteArray key = strRequestedKey.toLatin1();
    m_pVisa->Check(m_vi, m_pVisa->Api().viLock(m_vi, static_cast<CSystemVisa::ViUInt32>(nLockType),
                                               static_cast<CSystemVisa::ViUInt32>(nTimeoutMs),
                                               key.isEmpty() ? nullptr : key.constData(), szKey));
    return QString::fromLatin1(szKey, static_cast<int>(qstrnlen(szKey, CSystemVisa::VI_FIND_BUFLEN)));
}

void CSystemSession::UnlockRsrc()
{
    m_pVisa->Check(m_vi, m_pVisa->Api().viUnlock(m_vi));
}

int CSystemSession::LockState()
{
    return static_cast<int>(GetAttribute32(CSystemVisa::VI_ATTR_RSRC_LOCK_STATE));
}

long CSystemSession::WriteString(const QString& strText)
{
    const QByteArray bytes = strText.toLatin1();
    CSystemVisa::ViUInt32 nWritten = 0;
    m_pVisa->Check(m_vi,
                   m_pVisa->Api().viWrite(m_vi, reinterpret_cast<const unsigned char*>(bytes.constData()),
                                          static_cast<CSystemVisa::ViUInt32>(bytes.size()), &nWritten));
    return static_cast<long>(nWritten);
}

QString CSystemSession::ReadString(long nCount)
{
    if (nCount <= 0)
        m_pVisa->Check(m_vi, Visa::VI_ERROR_INV_PARAMETER);
    std::vector<unsigned char> buf(static_cast<size_t>(qMin<long>(nCount, 64 * 1024 * 1024)));
    CSystemVisa::ViUInt32 nRead = 0;
    m_pVisa->Check(m_vi, m_pVisa->Api().viRead(m_vi, buf.data(),
                                               static_cast<CSystemVisa::ViUInt32>(buf.size()), &nRead));
    nRead = qMin<CSystemVisa::ViUInt32>(nRead, static_cast<CSystemVisa::ViUInt32>(buf.size()));
    return QString::fromLatin1(reinterpret_cast<const char*>(buf.data()), static_cast<int>(nRead));
}

CSystemSerialSession::CSystemSerialSession(std::shared_ptr<CSystemVisa> pVisa, CSystemVisa::ViSession vi,
                                           const QString& strName)
    : CSystemSession(std::move(pVisa), vi, strName)
{
}

void CSystemSerialSession::SetBaudRate(long nBaud)
{
    SetAttribute(CSystemVisa::VI_ATTR_ASRL_BAUD, static_cast<CSystemVisa::ViUInt32>(nBaud));
}

void CSystemSerialSession::SetDataBits(short nBits)
{
    SetAttribute(CSystemVisa::VI_ATTR_ASRL_DATA_BITS, static_cast<std::uint16_t>(nBits));
}

void CSystemSerialSession::SetStopBits(int nStopBits)
{
    SetAttribute(CSystemVisa::VI_ATTR_ASRL_STOP_BITS, static_cast<std::uint16_t>(nStopBits));
}

void CSystemSerialSession::SetParity(int nParity)
{
    SetAttribute(CSystemVisa::VI_ATTR_ASRL_PARITY, static_cast<std::uint16_t>(nParity));
}

void CSystemSerialSession::SetFlowControl(int nFlow)
{
    SetAttribute(CSystemVisa::VI_ATTR_ASRL_FLOW_CNTRL, static_cast<std::uint16_t>(nFlow));
}
