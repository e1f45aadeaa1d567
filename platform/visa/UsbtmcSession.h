#pragma once

#include "platform/visa/SessionBase.h"

#include <QStringList>

// A USB instrument through the Linux usbtmc driver (/dev/usbtmcN). The driver
// frames messages itself: a read returns at the device's end-of-message mark
// or at the count, and the driver's own timeout is set to what is left of the
// session's before each transfer.
class CUsbtmcSession : public CSessionBase
{
public:
    static std::shared_ptr<CUsbtmcSession> Open(const CResourceName& name);

    struct USBTMCDEVICE
    {
        QString strResourceName; // USB0::0x1AB1::0x0588::SERIAL::INSTR
        QString strDevicePath;   // /dev/usbtmc0
    };
    // The usbtmc devices attached, named from sysfs (vendor, product, serial
    // number, and the interface number when it is not 0).
    static QList<USBTMCDEVICE> List(const QString& strSysRoot = QStringLiteral("/sys"),
                                    const QString& strDevRoot = QStringLiteral("/dev"));
    // The device node of a USB name; raises VI_ERROR_RSRC_NFOUND when no
    // attached device has that name.
    static QString DevicePathOf(const CResourceName& name, const QString& strSysRoot = QStringLiteral("/sys"),
                                const QString& strDevRoot = QStringLiteral("/dev"));

protected:
    QString Where() const override { return m_strPath; }
    bool Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd) override;
    void Send(const QByteArray& bytes, const QDeadlineTimer& deadline) override;

private:
    CUsbtmcSession(const CResourceName& name, const QString& strPath);
    void SetDriverTimeout(const QDeadlineTimer& deadline);

    QString m_strPath;
};
