#include "platform/visa/OncRpc.h"

namespace {

constexpr std::uint32_t MSG_CALL = 0;
constexpr std::uint32_t MSG_REPLY = 1;
constexpr std::uint32_t RPC_VERSION = 2;
constexpr std::uint32_t MSG_ACCEPTED = 0;
constexpr std::uint32_t MSG_DENIED = 1;
constexpr std::uint32_t AUTH_NONE = 0;
constexpr std::uint32_t LAST_FRAGMENT = 0x80000000u;
// Authentication bodies are at most 400 bytes by the protocol.
constexpr std::uint32_t MAX_AUTH_BYTES = 400;

void PutU32(QByteArray& bytes, std::uint32_t n)
{
    const char b[4] = {static_cast<char>(n >> 24), static_cast<char>(n >> 16), static_cast<char>(n >> 8),
                       static_cast<char>(n)};
    bytes.append(b, 4);
}

std::uint32_t GetU32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) | u[3];
}

// An accepted reply up to its status, with no verifier.
QByteArray AcceptedHeader(std::uint32_t dwXid, std::uint32_t dwStat)
{
    CXdrWriter w;
    w.U32(dwXid);
    w.U32(MSG_REPLY);
    w.U32(MSG_ACCEPTED);
    w.U32(AUTH_NONE);
    w.Opaque(QByteArray());
    w.U32(dwStat);
    return w.Bytes();
}

} // namespace

void CXdrWriter::U32(std::uint32_t n)
{
    PutU32(m_bytes, n);
}

void CXdrWriter::Opaque(const QByteArray& data)
{
    U32(static_cast<std::uint32_t>(data.size()));
    m_bytes.append(data);
    m_bytes.append((4 - data.size() % 4) % 4, '\0');
}

std::uint32_t CXdrReader::U32()
{
    if (!m_bOk || m_bytes.size() - m_nPos < 4) {
        m_bOk = false;
        return 0;
    }
    const std::uint32_t n = GetU32(m_bytes.constData() + m_nPos);
    m_nPos += 4;
    return n;
}

QByteArray CXdrReader::Opaque(std::uint32_t nMaxBytes)
{
    const std::uint32_t nLength = U32();
    const std::uint64_t nPadded = (std::uint64_t{nLength} + 3) & ~std::uint64_t{3};
    if (!m_bOk || nLength > nMaxBytes || nPadded > static_cast<std::uint64_t>(m_bytes.size() - m_nPos)) {
        m_bOk = false;
        return QByteArray();
    }
    const QByteArray data = m_bytes.mid(m_nPos, static_cast<int>(nLength));
    m_nPos += static_cast<int>(nPadded);
    return data;
}

QByteArray COncRpc::Frame(const QByteArray& message)
{
    QByteArray record;
    record.reserve(message.size() + 4);
    PutU32(record, LAST_FRAGMENT | static_cast<std::uint32_t>(message.size()));
    record.append(message);
    return record;
}

QByteArray COncRpc::Call(std::uint32_t dwXid, std::uint32_t dwProgram, std::uint32_t dwVersion,
                         std::uint32_t dwProcedure, const QByteArray& args)
{
    CXdrWriter w;
    w.U32(dwXid);
    w.U32(MSG_CALL);
    w.U32(RPC_VERSION);
    w.U32(dwProgram);
    w.U32(dwVersion);
    w.U32(dwProcedure);
    for (int i = 0; i < 2; ++i) { // credentials, then verifier
        w.U32(AUTH_NONE);
        w.Opaque(QByteArray());
    }
    return Frame(w.Bytes() + args);
}

QByteArray COncRpc::Reply(std::uint32_t dwXid, EAcceptStat eStat, const QByteArray& results)
{
    const QByteArray header = AcceptedHeader(dwXid, eStat);
    return Frame(eStat == SUCCESS ? header + results : header);
}

QByteArray COncRpc::MismatchReply(std::uint32_t dwXid, std::uint32_t dwLow, std::uint32_t dwHigh)
{
    CXdrWriter w;
    w.U32(dwLow);
    w.U32(dwHigh);
    return Frame(AcceptedHeader(dwXid, PROG_MISMATCH) + w.Bytes());
}

COncRpc::ERecord COncRpc::TakeRecord(QByteArray& buf, QByteArray& record, int nMaxBytes)
{
    // First walk the fragment headers: nothing is copied until the whole
    // record is there, and a length beyond the bound is refused at once.
    qint64 nTotal = 0;
    int nPos = 0;
    for (;;) {
        if (buf.size() - nPos < 4)
            return RECORD_INCOMPLETE;
        const std::uint32_t dwHeader = GetU32(buf.constData() + nPos);
        const qint64 nLength = dwHeader & ~LAST_FRAGMENT;
        nTotal += nLength;
        if (nTotal > nMaxBytes)
            return RECORD_TOO_LARGE;
        if (buf.size() - nPos - 4 < nLength)
            return RECORD_INCOMPLETE;
        nPos += 4 + static_cast<int>(nLength);
        if (dwHeader & LAST_FRAGMENT)
            break;
    }
    record.clear();
    record.reserve(static_cast<int>(nTotal));
    for (int nAt = 0; nAt < nPos;) {
        const std::uint32_t dwHeader = GetU32(buf.constData() + nAt);
        const int nLength = static_cast<int>(dwHeader & ~LAST_FRAGMENT);
        record.append(buf.constData() + nAt + 4, nLength);
        nAt += 4 + nLength;
    }
    buf.remove(0, nPos);
    return RECORD_DONE;
}

bool COncRpc::ParseCall(const QByteArray& record, RPCCALL& call)
{
    CXdrReader r(record);
    call.dwXid = r.U32();
    const bool bCall = r.U32() == MSG_CALL;
    const bool bVersion = r.U32() == RPC_VERSION;
    call.dwProgram = r.U32();
    call.dwVersion = r.U32();
    call.dwProcedure = r.U32();
    for (int i = 0; i < 2; ++i) {
        r.U32();
        r.Opaque(MAX_AUTH_BYTES);
    }
    call.nArgsAt = r.Position();
    return r.Ok() && bCall && bVersion;
}

bool COncRpc::ParseReply(const QByteArray& record, RPCREPLY& reply)
{
    CXdrReader r(record);
    reply.dwXid = r.U32();
    if (r.U32() != MSG_REPLY)
        return false;
    const std::uint32_t dwReplyStat = r.U32();
    if (dwReplyStat == MSG_DENIED) {
        reply.bAccepted = false;
        reply.dwStat = r.U32();
        return r.Ok();
    }
    if (dwReplyStat != MSG_ACCEPTED)
        return false;
    r.U32();
    r.Opaque(MAX_AUTH_BYTES);
    reply.bAccepted = true;
    reply.dwStat = r.U32();
    reply.nResultsAt = r.Position();
    return r.Ok();
}
