#pragma once

#include "model/XmlDocData.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <deque>

// A simulated DXR9K: its 100 store memories, the selected memory, the error
// queue and the SCPI parser that works on them. Transport-free: it takes one
// program message (a line without its terminator) and gives the response
// message to send back, so that tests can drive it directly and the server
// can put it on a pseudo-terminal or a socket.
//
// Text travels as Latin-1, one byte per character, as the VISA layer sends it.
//
// Headers are matched as an instrument does: short or long form of each
// mnemonic, any case, ':'-separated levels, ';'-separated commands where a
// header without a leading ':' continues at the level of the one before it.
// What it receives is checked like an instrument checks it, and faults go to
// the error queue as the standard SCPI errors.
class CSimInstrument
{
public:
    static constexpr int QUEUE_LENGTH = 30;
    static constexpr int MEMO_CHARS = 15;

    // SCPI error numbers the simulator queues.
    enum EScpiError
    {
        ERR_NONE = 0,
        ERR_SYNTAX = -102,
        ERR_DATA_TYPE = -104,
        ERR_PARAM_NOT_ALLOWED = -108,
        ERR_MISSING_PARAM = -109,
        ERR_UNDEFINED_HEADER = -113,
        ERR_DATA_OUT_OF_RANGE = -222,
        ERR_QUEUE_OVERFLOW = -350,
    };

    explicit CSimInstrument(const QString& strIdn = DefaultIdentification());

    static QString DefaultIdentification();
    // The standard text of an error number ("Error" for one it does not know).
    static QString ErrorText(int nCode);

    // Executes one program message; returns the responses of its queries
    // joined by ';', empty when it held no query. No line feed either way.
    QByteArray Execute(const QByteArray& message);

    // Adds an entry as the instrument does: when the queue is full its last
    // entry becomes -350 "Queue overflow" and newer errors are lost.
    void QueueError(int nCode);
    int GetQueuedErrorCount() const { return static_cast<int>(m_errors.size()); }

    CXmlDocData& GetData() { return m_data; }
    const CXmlDocData& GetData() const { return m_data; }
    int GetSelectedMemory() const { return m_nSelected; }

    // The parser's own records, defined with it.
    struct HEADERDEF;
    struct PARAM;

private:
    // One command or query of a message; path is the header level that a
    // following command without a leading colon continues from.
    void ExecuteUnit(const QByteArray& unit, QList<QByteArray>& responses, QList<QByteArray>& path);
    static const HEADERDEF* FindCommand(const QList<QByteArray>& mnemonics);
    STOREMEM& Selected();
    QByteArray Respond(const HEADERDEF& command);
    // Checks every parameter first; a rejected command changes nothing.
    bool Apply(const HEADERDEF& command, const QList<PARAM>& params);

    CXmlDocData m_data;
    QString m_strIdn;
    int m_nSelected = 0;
    std::deque<int> m_errors;

public:
    // IEEE 488.2 status registers, as *ESR?, *STB? and their masks report them.
    enum EStatusBit
    {
        ESR_OPERATION_COMPLETE = 0x01,
        ESR_QUERY_ERROR = 0x04,
        ESR_DEVICE_ERROR = 0x08,
        ESR_EXECUTION_ERROR = 0x10,
        ESR_COMMAND_ERROR = 0x20,
        ESR_POWER_ON = 0x80,
        STB_ERROR_AVAILABLE = 0x04,
        STB_EVENT_SUMMARY = 0x20,
        STB_SERVICE_REQUEST = 0x40,
    };
    int StatusByte() const;

private:
    static int EsrBitFor(int nCode);
    QByteArray RespondStatus(int eOp);
    bool ApplyStatus(int eOp, const QList<PARAM>& params);

    int m_nEsr = ESR_POWER_ON; // the instrument has just been switched on
    int m_nEse = 0;
    int m_nSre = 0;
};
