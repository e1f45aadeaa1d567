#pragma once

#include "platform/visa/SessionBase.h"

// A raw TCP connection to an instrument's SCPI port (TCPIP...::SOCKET). A
// socket has no end-of-message mark, so reads end at the line feed, at the
// count or at the timeout, as on a serial line.
class CSocketSession : public CSessionBase
{
public:
    // Connects within the open timeout.
    static std::shared_ptr<CSocketSession> Open(const CResourceName& name, long nOpenTimeoutMs);

protected:
    QString Where() const override;
    ssize_t WriteSome(const char* pData, size_t nSize) override;

private:
    explicit CSocketSession(const CResourceName& name);
};
