#pragma once

#include "platform/visa/SystemVisa.h"
#include "platform/visa/Visa.h"

// A session of the system's VISA library. Reads and writes go to viRead and
// viWrite, which end reads as the library's attributes say; serial resources
// come as CSystemSerialSession, so that only they offer ISerial.
class CSystemSession : public IMessage
{
public:
    static std::shared_ptr<CSystemSession> Open(const std::shared_ptr<CSystemVisa>& pVisa,
                                                const QString& strName, int nAccessMode, long nOpenTimeoutMs);
    ~CSystemSession() override;
    CSystemSession(const CSystemSession&) = delete;
    CSystemSession& operator=(const CSystemSession&) = delete;

    QString ResourceName() const override { return m_strName; }
    void SetTimeout(long nMilliseconds) override;
    long GetTimeout() const override;
    QString LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey) override;
    void UnlockRsrc() override;
    int LockState() override;
    long WriteString(const QString& strText) override;
    QString ReadString(long nCount) override;

protected:
    CSystemSession(std::shared_ptr<CSystemVisa> pVisa, CSystemVisa::ViSession vi, const QString& strName);
    void SetAttribute(CSystemVisa::ViAttr attr, CSystemVisa::ViAttrState value);
    CSystemVisa::ViUInt32 GetAttribute32(CSystemVisa::ViAttr attr) const;

    std::shared_ptr<CSystemVisa> m_pVisa;
    CSystemVisa::ViSession m_vi;
    QString m_strName;
};

class CSystemSerialSession : public CSystemSession, public ISerial
{
public:
    CSystemSerialSession(std::shared_ptr<CSystemVisa> pVisa, CSystemVisa::ViSession vi,
                         const QString& strName);

    void SetBaudRate(long nBaud) override;
    void SetDataBits(short nBits) override;
    void SetStopBits(int nStopBits) override;
    void SetParity(int nParity) override;
    void SetFlowControl(int nFlow) override;
};
