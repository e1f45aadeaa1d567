#pragma once

#include <QByteArray>
#include <cstdint>

// XDR, the encoding of ONC RPC: big-endian 32-bit units, variable-length
// data preceded by its length and padded to a multiple of four bytes.
class CXdrWriter
{
public:
    void U32(std::uint32_t n);
    void Bool(bool b) { U32(b ? 1 : 0); }
    void Opaque(const QByteArray& data);
    const QByteArray& Bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Reads XDR from a buffer within its bounds: a read past the end, or of
// variable-length data longer than the caller allows, fails and every later
// read fails too, so a decoder checks Ok() once at the end.
class CXdrReader
{
public:
    explicit CXdrReader(const QByteArray& bytes, int nOffset = 0) : m_bytes(bytes), m_nPos(nOffset) {}

    std::uint32_t U32();
    bool Bool() { return U32() != 0; }
    QByteArray Opaque(std::uint32_t nMaxBytes);
    bool Ok() const { return m_bOk; }
    bool AtEnd() const { return m_nPos == m_bytes.size(); }
    int Position() const { return m_nPos; }

private:
    const QByteArray& m_bytes;
    int m_nPos = 0;
    bool m_bOk = true;
};

// ONC RPC version 2 over TCP: calls and replies with null authentication,
// each carried as one record of the record-marking standard (fragments with
// a four-byte header: the top bit marks the last fragment, the other 31 bits
// give its length).
class COncRpc
{
public:
    static constexpr std::uint32_t PORTMAPPER_PROGRAM = 100000;
    static constexpr std::uint32_t PORTMAPPER_VERSION = 2;
    static constexpr std::uint32_t PORTMAPPER_GETPORT = 3;
    static constexpr std::uint32_t PORTMAPPER_PORT = 111;
    static constexpr std::uint32_t IPPROTO_TCP_NUMBER = 6;

    enum EAcceptStat : std::uint32_t
    {
        SUCCESS = 0,
        PROG_UNAVAIL = 1,
        PROG_MISMATCH = 2,
        PROC_UNAVAIL = 3,
        GARBAGE_ARGS = 4,
        SYSTEM_ERR = 5,
    };

    struct RPCCALL
    {
        std::uint32_t dwXid = 0;
        std::uint32_t dwProgram = 0;
        std::uint32_t dwVersion = 0;
        std::uint32_t dwProcedure = 0;
        int nArgsAt = 0; // offset of the arguments in the record
    };
    struct RPCREPLY
    {
        std::uint32_t dwXid = 0;
        bool bAccepted = false;   // false: the call was denied (RPC version or authentication)
        std::uint32_t dwStat = 0; // EAcceptStat when accepted, the reject status otherwise
        int nResultsAt = 0;       // offset of the results in the record when accepted with SUCCESS
    };

    // A call or a reply (SUCCESS with results, or another status with none)
    // as one record, ready for the wire.
    static QByteArray Call(std::uint32_t dwXid, std::uint32_t dwProgram, std::uint32_t dwVersion,
                           std::uint32_t dwProcedure, const QByteArray& args);
    static QByteArray Reply(std::uint32_t dwXid, EAcceptStat eStat, const QByteArray& results = QByteArray());
    // The reply to a call of a program version not served, naming the versions that are.
    static QByteArray MismatchReply(std::uint32_t dwXid, std::uint32_t dwLow, std::uint32_t dwHigh);

    enum ERecord
    {
        RECORD_INCOMPLETE, // more bytes are needed
        RECORD_DONE,       // a record was taken off the front of the buffer
        RECORD_TOO_LARGE,  // the fragments announce more than nMaxBytes: the stream cannot be trusted
    };
    // Takes the first complete record off the front of buf, joining its
    // fragments; never holds more than nMaxBytes of record.
    static ERecord TakeRecord(QByteArray& buf, QByteArray& record, int nMaxBytes);

    // False when the record is not a well-formed message of that kind.
    static bool ParseCall(const QByteArray& record, RPCCALL& call);
    static bool ParseReply(const QByteArray& record, RPCREPLY& reply);

private:
    static QByteArray Frame(const QByteArray& message);
};
