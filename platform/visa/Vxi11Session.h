#pragma once

#include "platform/visa/SessionBase.h"

#include <cstdint>
#include <utility>
#include <vector>

// A LAN instrument or a LAN/GPIB gateway through VXI-11
// (TCPIP[board]::host[::device]::INSTR): the core channel over ONC RPC on
// TCP, its port asked of the host's portmapper. Writes end with END on the
// last chunk; reads end at the line feed (sent as the termination
// character), at the count or at END. The lock is the instrument's own
// (device_lock), so sessions on any machine exclude each other; there is no
// shared lock in VXI-11.
class CVxi11Session : public CSessionBase
{
public:
    static std::shared_ptr<CVxi11Session> Open(const CResourceName& name, long nOpenTimeoutMs);
    ~CVxi11Session() override;

    // The portmapper's port: 111, or VAULTLINE_VXI11_PORTMAPPER when set
    // (how a simulator on an unprivileged port is found).
    static int PortmapperPort();

protected:
    QString Where() const override;
    bool Receive(QByteArray& buf, qint64 nWanted, const QDeadlineTimer& deadline, bool& bEnd) override;
    void Send(const QByteArray& bytes, const QDeadlineTimer& deadline) override;
    bool ChangeLock(CResourceLock::EMode eMode, long nWaitMs) override;
    bool LockedElsewhere() override { return false; } // the instrument says so itself

private:
    explicit CVxi11Session(const CResourceName& name);

    // Sends one call; its xid.
    std::uint32_t SendCall(int fd, std::uint32_t dwProgram, std::uint32_t dwVersion,
                           std::uint32_t dwProcedure, const QByteArray& args, const QDeadlineTimer& deadline);
    // One call on the descriptor: sent, then its reply awaited until the
    // deadline, the acknowledgements of writes sent ahead checked on the way. Returns the reply record with
    // pnResultsAt at the results, or an empty record when the deadline passed first.
    QByteArray Call(int fd, QByteArray& bufIn, std::uint32_t dwProgram, std::uint32_t dwVersion,
                    std::uint32_t dwProcedure, const QByteArray& args, const QDeadlineTimer& deadline,
                    int& nResultsAt);
    // A call of the core channel; raises VI_ERROR_TMO when no reply came.
    QByteArray CoreCall(std::uint32_t dwProcedure, const QByteArray& args, const QDeadlineTimer& deadline,
                        int& nResultsAt);
    // Raises the failure for a device error of the core channel.
    [[noreturn]] void ThrowDeviceError(std::uint32_t dwError) const;
    [[noreturn]] void ThrowMalformed(const QString& strWhat);
    // Raises the failure a device_write result reports for a chunk of nChunk bytes.
    void CheckWritten(const QByteArray& record, int nResultsAt, int nChunk);

    std::uint32_t m_dwXid = 0;
    std::uint32_t m_dwLink = 0;
    std::uint32_t m_dwMaxReceive = 1024;
    bool m_bLinked = false;
    bool m_bLocked = false; // the instrument's lock is held by this link
    QByteArray m_bufRpc;
    // Writes sent under the lock whose acknowledgement is still to come: xid and size.
    std::vector<std::pair<std::uint32_t, int>> m_pendingWrites;
};
