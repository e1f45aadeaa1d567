#include "platform/visa/HislipSession.h"

#include "platform/visa/TcpConnection.h"
#include "platform/visa/VisaStatus.h"
#include "platform/visa/VisaStrings.h"

#include <QRegularExpression>
#include <algorithm>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// What this session accepts in one message; it tells the instrument so.
constexpr std::uint64_t MAX_RECEIVE = Hislip::DEFAULT_MAX_MESSAGE;
constexpr std::uint16_t VENDOR_ID = ('V' << 8) | 'L';
// Every shared holder shares with every other, as in the built-in lock of
// the other transports.
const QByteArray SHARED_LOCK_NAME("vaultline");
// The peer's own text of an error is shown, within reason.
constexpr int MAX_ERROR_TEXT = 200;

} // namespace

CHislipSession::CHislipSession(const CResourceName& name) : CSessionBase(name) {}

CHislipSession::~CHislipSession()
{
    // Closing the channels ends the session and its locks at the instrument.
    if (m_fdAsync >= 0)
        ::close(m_fdAsync);
}

bool CHislipSession::IsHislipName(const QString& strLanDevice)
{
    static const QRegularExpression s_name(QStringLiteral("^hislip\\d+(,\\d{1,5})?$"),
                                           QRegularExpression::CaseInsensitiveOption);
    return s_name.match(strLanDevice).hasMatch();
}

QString CHislipSession::Where() const
{
    return QStringLiteral("%1:%2 (HiSLIP %3)").arg(m_name.Host()).arg(m_nPort).arg(m_strSubAddress);
}

void CHislipSession::CloseChannels()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_fdAsync >= 0)
        ::close(m_fdAsync);
    m_fd = m_fdAsync = -1;
    m_bExclusive = m_bShared = false;
}

void CHislipSession::ThrowBroken(const QString& strText)
{
    CloseChannels();
    CVisaStatus::Throw(Visa::VI_ERROR_IO, strText);
}

void CHislipSession::ThrowPeerError(const CHislipMessage& message)
{
    QString strText = QString::fromLatin1(message.m_payload.left(MAX_ERROR_TEXT)).trimmed();
    for (QChar& c : strText) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    if (message.m_nType == Hislip::FATAL_ERROR)
        ThrowBroken(LoadVisaString(IDS_VISA_HISLIP_FATAL).arg(Where()).arg(message.m_nControl).arg(strText));
    CVisaStatus::Throw(
        Visa::VI_ERROR_IO,
        LoadVisaString(IDS_VISA_HISLIP_ERROR).arg(Where()).arg(message.m_nControl).arg(strText));
}

bool CHislipSession::ReceiveOn(int fd, QByteArray& buf, CHislipMessage& message,
                               const QDeadlineTimer& deadline)
{
    if (fd < 0)
        ThrowConnectionLost();
    for (;;) {
        switch (message.Take(buf, MAX_RECEIVE)) {
        case CHislipMessage::TAKE_DONE:
            return true;
        case CHislipMessage::TAKE_BAD_HEADER:
            ThrowBroken(LoadVisaString(IDS_VISA_HISLIP_NOT_A_MESSAGE).arg(Where()));
        case CHislipMessage::TAKE_TOO_LARGE: {
            const std::uint64_t nLength = CHislipMessage::ReadSize64(buf.constData() + 8);
            ThrowBroken(
                LoadVisaString(IDS_VISA_HISLIP_MESSAGE_TOO_LONG).arg(Where()).arg(nLength).arg(MAX_RECEIVE));
        }
        case CHislipMessage::TAKE_INCOMPLETE:
            break;
        }
        const qint64 n = ReceiveSome(fd, buf, deadline);
        if (n < 0)
            return false;
        if (n == 0) {
            CloseChannels();
            ThrowConnectionLost();
        }
    }
}

CHislipMessage CHislipSession::AsyncExchange(const QByteArray& request, std::uint8_t nResponseType,
                                             const QDeadlineTimer& deadline)
{
    SendOn(m_fdAsync, request, deadline);
    CHislipMessage message;
    for (;;) {
        if (!ReceiveOn(m_fdAsync, m_bufAsync, message, deadline))
            CVisaStatus::Throw(Visa::VI_ERROR_TMO, LoadVisaString(IDS_VISA_NO_ANSWER).arg(Where()));
        if (message.m_nType == nResponseType)
            return message;
        if (message.m_nType == Hislip::FATAL_ERROR || message.m_nType == Hislip::ERROR)
            ThrowPeerError(message);
        // Anything else (a service request, say) is not what was asked.
    }
}

std::shared_ptr<CHislipSession> CHislipSession::Open(const CResourceName& name, long nOpenTimeoutMs)
{
    std::shared_ptr<CHislipSession> pSession(new CHislipSession(name));
    const QString strDevice = name.LanDeviceName();
    pSession->m_strSubAddress = strDevice.section(QLatin1Char(','), 0, 0);
    if (strDevice.contains(QLatin1Char(','))) {
        const int nPort = strDevice.section(QLatin1Char(','), 1).toInt();
        if (nPort < 1 || nPort > 65535)
            CVisaStatus::Throw(
                Visa::VI_ERROR_INV_RSRC_NAME,
                LoadVisaString(IDS_VISA_BAD_RESOURCE_NAME)
                    .arg(name.Original(), LoadVisaString(IDS_VISA_NAME_BAD_TCP_PORT).arg(nPort)));
        pSession->m_nPort = nPort;
    }
    const QDeadlineTimer deadline = CTcpConnection::OpenDeadline(nOpenTimeoutMs);
    const auto expect = [&](int fd, QByteArray& buf, std::uint8_t nType) {
        CHislipMessage message;
        if (!pSession->ReceiveOn(fd, buf, message, deadline))
            CVisaStatus::Throw(
                Visa::VI_ERROR_TMO,
                LoadVisaString(IDS_VISA_CONNECT_TIMEOUT).arg(pSession->Where()).arg(nOpenTimeoutMs));
        if (message.m_nType == Hislip::FATAL_ERROR || message.m_nType == Hislip::ERROR)
            pSession->ThrowPeerError(message);
        if (message.m_nType != nType)
            pSession->ThrowBroken(
                LoadVisaString(IDS_VISA_HISLIP_BAD_INIT_REPLY).arg(pSession->Where()).arg(message.m_nType));
        return message;
    };

    pSession->m_fd =
        CTcpConnection::Connect(name.Host(), pSession->m_nPort, deadline, pSession->Where(), nOpenTimeoutMs);
    pSession->SendOn(pSession->m_fd,
                     CHislipMessage::Encode(Hislip::INITIALIZE, 0,
                                            (std::uint32_t{Hislip::PROTOCOL_VERSION} << 16) | VENDOR_ID,
                                            pSession->m_strSubAddress.toLatin1()),
                     deadline);
    const CHislipMessage init = expect(pSession->m_fd, pSession->m_bufSync, Hislip::INITIALIZE_RESPONSE);
    const std::uint32_t dwSessionId = init.m_dwParameter & 0xFFFF;

    pSession->m_fdAsync =
        CTcpConnection::Connect(name.Host(), pSession->m_nPort, deadline, pSession->Where(), nOpenTimeoutMs);
    pSession->SendOn(pSession->m_fdAsync, CHislipMessage::Encode(Hislip::ASYNC_INITIALIZE, 0, dwSessionId),
                     deadline);
    expect(pSession->m_fdAsync, pSession->m_bufAsync, Hislip::ASYNC_INITIALIZE_RESPONSE);

    // Each side says what it accepts in one message; writes are cut to fit.
    pSession->SendOn(
        pSession->m_fdAsync,
        CHislipMessage::Encode(Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE, 0, 0, CHislipMessage::Size64(MAX_RECEIVE)),
        deadline);
    const CHislipMessage size =
        expect(pSession->m_fdAsync, pSession->m_bufAsync, Hislip::ASYNC_MAXIMUM_MESSAGE_SIZE_RESPONSE);
    if (size.m_payload.size() == 8) {
        std::uint64_t nMax = 0;
        for (const char c : size.m_payload)
            nMax = (nMax << 8) | static_cast<unsigned char>(c);
        pSession->m_nMaxSend =
            std::clamp<std::uint64_t>(nMax, Hislip::HEADER_BYTES + 1, Hislip::DEFAULT_MAX_MESSAGE);
    }
    return pSession;
}

void CHislipSession::Send(const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    const int nChunk = static_cast<int>(m_nMaxSend - Hislip::HEADER_BYTES);
    QByteArray wire;
    int nAt = 0;
    do {
        const int nThis = qMin(nChunk, bytes.size() - nAt);
        const bool bLast = nAt + nThis == bytes.size();
        m_dwLastSent = m_dwNextMessageId;
        wire += CHislipMessage::Encode(bLast ? Hislip::DATA_END : Hislip::DATA, m_bRmtDelivered ? 1 : 0,
                                       m_dwNextMessageId, bytes.mid(nAt, nThis));
        m_bRmtDelivered = false;
        m_dwNextMessageId += 2;
        nAt += nThis;
    } while (nAt < bytes.size());
    SendOn(m_fd, wire, deadline);
}

bool CHislipSession::Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd)
{
    Q_UNUSED(nWanted);
    bEnd = false;
    CHislipMessage message;
    for (;;) {
        if (!ReceiveOn(m_fd, m_bufSync, message, deadline))
            return false;
        switch (message.m_nType) {
        case Hislip::DATA:
        case Hislip::DATA_END:
            // An answer to an earlier message, whose read timed out, is dropped.
            if (message.m_dwParameter != m_dwLastSent && message.m_dwParameter != Hislip::ANY_MESSAGE_ID)
                continue;
            buf.append(message.m_payload);
            bEnd = message.m_nType == Hislip::DATA_END;
            m_bRmtDelivered = bEnd;
            return true;
        case Hislip::FATAL_ERROR:
        case Hislip::ERROR:
            ThrowPeerError(message);
        default:
            continue;
        }
    }
}

bool CHislipSession::ChangeLock(CResourceLock::EMode eMode, long nWaitMs)
{
    const QDeadlineTimer lockDeadline =
        nWaitMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(nWaitMs);
    const auto request = [&](bool bShared) {
        const CHislipMessage response = AsyncExchange(
            CHislipMessage::Encode(Hislip::ASYNC_LOCK, Hislip::LOCK_REQUEST,
                                   nWaitMs < 0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(nWaitMs),
                                   bShared ? SHARED_LOCK_NAME : QByteArray()),
            Hislip::ASYNC_LOCK_RESPONSE, WithGrace(lockDeadline));
        if (response.m_nControl == Hislip::LOCK_FAILED)
            CVisaStatus::Throw(Visa::VI_ERROR_RSRC_LOCKED,
                               LoadVisaString(IDS_VISA_LOCK_TIMEOUT).arg(m_name.Original()).arg(nWaitMs));
        if (response.m_nControl != Hislip::LOCK_GRANTED)
            CVisaStatus::Throw(Visa::VI_ERROR_IO, LoadVisaString(IDS_VISA_HISLIP_LOCK_ERROR).arg(Where()));
        (bShared ? m_bShared : m_bExclusive) = true;
    };
    // One release gives up the exclusive lock first, the shared one next.
    const auto release = [&] {
        const CHislipMessage response =
            AsyncExchange(CHislipMessage::Encode(Hislip::ASYNC_LOCK, Hislip::LOCK_RELEASE, m_dwLastSent),
                          Hislip::ASYNC_LOCK_RESPONSE, WithGrace(IoDeadline()));
        if (response.m_nControl == Hislip::LOCK_RELEASED_EXCLUSIVE)
            m_bExclusive = false;
        else if (response.m_nControl == Hislip::LOCK_RELEASED_SHARED)
            m_bShared = false;
        else
            m_bExclusive = m_bShared = false; // the instrument holds nothing for this session
    };
    switch (eMode) {
    case CResourceLock::MODE_EXCLUSIVE:
        request(false);
        break;
    case CResourceLock::MODE_SHARED:
        if (!m_bShared)
            request(true);
        if (m_bExclusive)
            release();
        break;
    case CResourceLock::MODE_NONE:
        for (int i = 0; i < 2 && (m_bExclusive || m_bShared); ++i)
            release();
        break;
    }
    return true;
}

bool CHislipSession::LockedElsewhere()
{
    if (m_bExclusive || m_bShared)
        return false;
    const CHislipMessage info = AsyncExchange(CHislipMessage::Encode(Hislip::ASYNC_LOCK_INFO, 0, 0),
                                              Hislip::ASYNC_LOCK_INFO_RESPONSE, WithGrace(IoDeadline()));
    return info.m_nControl == 1;
}
