#pragma once

#include "sim/SimInstrument.h"
#include "sim/SimService.h"

#include <QByteArray>
#include <QString>
#include <chrono>
#include <cstdio>
#include <vector>

// How the simulated instrument is reached and which faults it shows.
struct SIMOPTIONS
{
    bool bPty = false;
    QString strLink;        // a symbolic link to the pseudo-terminal's device, when set
    int nTcpPort = -1;      // raw SCPI on 127.0.0.1 when not negative; 0 picks a free port
    int nLatencyMs = 0;     // pause before each reply
    long nBaud = 0;         // line-rate limit in baud, 0 for none
    long nSilentAfter = -1; // command lines answered before the instrument falls silent; -1: always answers
    QString strLogPath;     // transcript of every command and reply
};

// Serves one CSimInstrument on a pseudo-terminal or a TCP socket, one line per
// program message, until RequestStop. Single-threaded: like a real instrument
// it handles one message at a time.
class CSimServer
{
public:
    // Bytes per second of a serial line at nBaud with 8 data bits, no parity
    // and 2 stop bits: each character takes a start bit, 8 data bits and 2
    // stop bits, 11 bit times.
    static double BytesPerSecond(long nBaud) { return nBaud / 11.0; }

    CSimServer(CSimInstrument& instrument, const SIMOPTIONS& options);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // Opens the transcript and the pseudo-terminal or the listening socket;
    // the VISA resource name that reaches it (empty when only added services
    // serve), or false with the reason.
    bool Start(QString& strResource, QString& strError);
    // Serves until RequestStop is called.
    void Run();
    // Safe in a signal handler and from any thread.
    static void RequestStop();

    // Serves the protocol in the same loop (Start is then optional).
    void AddService(ISimService& service) { m_services.push_back(&service); }
    // One program message of a served protocol, with the faults, latency and
    // transcript of the simulator's own line; the reply without its line
    // feed, empty when there is none.
    QByteArray Exchange(const QByteArray& message);

private:
    struct CONNECTION
    {
        int fd = -1;
        QByteArray input;
        bool bDiscarding = false; // an over-long line is skipped up to its line feed
    };
    using CLOCK = std::chrono::steady_clock;

    void OnInput(CONNECTION& conn, const char* pData, long nBytes);
    void OnLine(CONNECTION& conn, QByteArray line, CLOCK::time_point tArrived);
    // Writes all of the data, paced to the line rate (in small pieces, or with
    // bWhole in one piece when the line would have carried all of it); false
    // when stopped or the peer went away.
    bool WriteAll(int fd, const QByteArray& data, bool bWhole = false);
    void SleepUntil(CLOCK::time_point t) const;
    void Log(char cDirection, const QByteArray& text, const char* pszNote = nullptr);
    bool Stopping() const;

    CSimInstrument& m_instrument;
    SIMOPTIONS m_options;
    int m_fdMaster = -1;
    int m_fdSlave = -1; // held open so that the line stays up between clients
    int m_fdListen = -1;
    CONNECTION m_line; // the pseudo-terminal
    std::vector<CONNECTION> m_connections;
    QString m_strLinkCreated;
    std::FILE* m_pLog = nullptr;
    long m_nLines = 0;
    double m_dBytesPerSecond = 0;
    CLOCK::time_point m_tInFree;  // when the line towards the instrument is free again
    CLOCK::time_point m_tOutFree; // when the line towards the client is free again
    std::vector<ISimService*> m_services;
};
