#pragma once

#include "platform/visa/SessionBase.h"

#include <QStringList>

#include <termios.h>

// A serial line (ASRL...::INSTR) through termios: a real port, a USB adapter
// or a pseudo-terminal alike. Opening makes the line raw where it is not yet
// and otherwise leaves it as it is (speed and framing included): another
// program may be using it, and its bytes and settings are not this session's
// until the session holds the lock. Each of the five settings is applied to
// the line as soon as it is set, and only when the line differs.
class CSerialSession : public CSessionBase, public ISerial
{
public:
    // Opens the line a name gives: the device path after "ASRL", or for a
    // board number n the n-th built-in port /dev/ttyS(n-1).
    static std::shared_ptr<CSerialSession> Open(const CResourceName& name);

    // The device path an ASRL name stands for.
    static QString DevicePathOf(const CResourceName& name);

    // ASRL names of the serial ports the system has: those with a driver
    // behind them in sysfs, skipping the legacy ports that are only reserved.
    static QStringList ListPorts(const QString& strSysRoot = QStringLiteral("/sys"));

    void SetBaudRate(long nBaud) override;
    void SetDataBits(short nBits) override;
    void SetStopBits(int nStopBits) override;
    void SetParity(int nParity) override;
    void SetFlowControl(int nFlow) override;

protected:
    QString Where() const override { return m_strPath; }

private:
    CSerialSession(const CResourceName& name, const QString& strPath);
    void Apply(const termios& settings, const char* pszAttribute, long nValue);
    [[noreturn]] void Unsupported(const char* pszAttribute, long nValue) const;

    QString m_strPath;
};
