#pragma once

#include "platform/visa/SessionBase.h"

#include <QStringList>

class CGpibLibrary;

// A GPIB instrument (GPIB[board]::primary[::secondary][::INSTR]) through
// linux-gpib, whose libgpib.so.0 is loaded at run time: the program runs
// without it and says what is needed when a GPIB name is opened. Writes
// assert EOI with the last byte; reads end at EOI, at the line feed (as the
// end-of-string character) or at the count; the VISA timeout becomes the
// nearest GPIB timeout that is not shorter. Closing returns the instrument
// to local and takes the device offline. The lock is this machine's, as the
// bus is.
class CGpibSession : public CSessionBase
{
public:
    static std::shared_ptr<CGpibSession> Open(const CResourceName& name);
    ~CGpibSession() override;

    // The instruments that answer on each board with a device node
    // (strDevRoot/gpibN), as VISA names; empty without linux-gpib.
    static QStringList List(const QString& strDevRoot = QStringLiteral("/dev"));

    // Whether linux-gpib's library can be loaded here; strWhy says why not.
    static bool LibraryAvailable(QString& strWhy);

    // The GPIB timeout code for a VISA timeout in milliseconds (the
    // shortest that is not shorter; 0 waits without end).
    static int TimeoutCode(long nMilliseconds);

protected:
    QString Where() const override;
    bool Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd) override;
    void Send(const QByteArray& bytes, const QDeadlineTimer& deadline) override;

private:
    explicit CGpibSession(const CResourceName& name);
    // Gives the device the session's timeout when it has changed.
    void ApplyTimeout();
    // Raises the failure that ibsta and iberr describe.
    [[noreturn]] void ThrowGpibError(int nStatus, int nError) const;

    std::shared_ptr<CGpibLibrary> m_pLibrary;
    int m_nDevice = -1;
    long m_nAppliedTimeoutMs = -1;
};
