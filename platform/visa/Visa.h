#pragma once

#include "platform/com/ComError.h"

#include <QString>
#include <QStringList>
#include <memory>

// The VISA operations the system uses, as interfaces held by shared pointers.
// Asking a session for another interface is a dynamic_pointer_cast, whose
// failure (a null pointer) is no error. Every failing operation raises
// _com_error whose code is the VISA status and whose description is VISA's own
// status text.

namespace Visa {

// Access modes and lock types
constexpr int NO_LOCK = 0;
constexpr int EXCLUSIVE_LOCK = 1;
constexpr int SHARED_LOCK = 2;
constexpr int LOAD_CONFIG = 4;

// Timeout values with a meaning of their own
constexpr long TMO_IMMEDIATE = 0;
constexpr long TMO_INFINITE = 0xFFFFFFFFL;

// Serial settings (VISA attribute values)
constexpr int ASRL_STOP_ONE = 10;
constexpr int ASRL_STOP_ONE5 = 15;
constexpr int ASRL_STOP_TWO = 20;
constexpr int ASRL_PAR_NONE = 0;
constexpr int ASRL_PAR_ODD = 1;
constexpr int ASRL_PAR_EVEN = 2;
constexpr int ASRL_PAR_MARK = 3;
constexpr int ASRL_PAR_SPACE = 4;
constexpr int ASRL_FLOW_NONE = 0;
constexpr int ASRL_FLOW_XON_XOFF = 1;
constexpr int ASRL_FLOW_RTS_CTS = 2;
constexpr int ASRL_FLOW_DTR_DSR = 4;

// Status values
constexpr HRESULT VI_SUCCESS = 0;
constexpr HRESULT VI_SUCCESS_TERM_CHAR = 0x3FFF0005;
constexpr HRESULT VI_SUCCESS_MAX_CNT = 0x3FFF0006;
constexpr HRESULT VI_SUCCESS_NESTED_SHARED = 0x3FFF0099;
constexpr HRESULT VI_SUCCESS_NESTED_EXCLUSIVE = 0x3FFF009A;
constexpr HRESULT VI_ERROR_SYSTEM_ERROR = static_cast<HRESULT>(0xBFFF0000u);
constexpr HRESULT VI_ERROR_INV_OBJECT = static_cast<HRESULT>(0xBFFF000Eu);
constexpr HRESULT VI_ERROR_RSRC_LOCKED = static_cast<HRESULT>(0xBFFF000Fu);
constexpr HRESULT VI_ERROR_INV_EXPR = static_cast<HRESULT>(0xBFFF0010u);
constexpr HRESULT VI_ERROR_RSRC_NFOUND = static_cast<HRESULT>(0xBFFF0011u);
constexpr HRESULT VI_ERROR_INV_RSRC_NAME = static_cast<HRESULT>(0xBFFF0012u);
constexpr HRESULT VI_ERROR_INV_ACC_MODE = static_cast<HRESULT>(0xBFFF0013u);
constexpr HRESULT VI_ERROR_TMO = static_cast<HRESULT>(0xBFFF0015u);
constexpr HRESULT VI_ERROR_NSUP_ATTR = static_cast<HRESULT>(0xBFFF001Du);
constexpr HRESULT VI_ERROR_NSUP_ATTR_STATE = static_cast<HRESULT>(0xBFFF001Eu);
constexpr HRESULT VI_ERROR_ATTR_READONLY = static_cast<HRESULT>(0xBFFF001Fu);
constexpr HRESULT VI_ERROR_INV_LOCK_TYPE = static_cast<HRESULT>(0xBFFF0020u);
constexpr HRESULT VI_ERROR_INV_ACCESS_KEY = static_cast<HRESULT>(0xBFFF0021u);
constexpr HRESULT VI_ERROR_ABORT = static_cast<HRESULT>(0xBFFF0030u);
constexpr HRESULT VI_ERROR_INV_SETUP = static_cast<HRESULT>(0xBFFF003Au);
constexpr HRESULT VI_ERROR_ALLOC = static_cast<HRESULT>(0xBFFF003Cu);
constexpr HRESULT VI_ERROR_IO = static_cast<HRESULT>(0xBFFF003Eu);
constexpr HRESULT VI_ERROR_NSUP_OPER = static_cast<HRESULT>(0xBFFF0067u);
constexpr HRESULT VI_ERROR_ASRL_PARITY = static_cast<HRESULT>(0xBFFF006Au);
constexpr HRESULT VI_ERROR_ASRL_FRAMING = static_cast<HRESULT>(0xBFFF006Bu);
constexpr HRESULT VI_ERROR_ASRL_OVERRUN = static_cast<HRESULT>(0xBFFF006Cu);
constexpr HRESULT VI_ERROR_USER_BUF = static_cast<HRESULT>(0xBFFF0071u);
constexpr HRESULT VI_ERROR_RSRC_BUSY = static_cast<HRESULT>(0xBFFF0072u);
constexpr HRESULT VI_ERROR_INV_PARAMETER = static_cast<HRESULT>(0xBFFF0078u);
constexpr HRESULT VI_ERROR_NIMPL_OPER = static_cast<HRESULT>(0xBFFF0081u);
constexpr HRESULT VI_ERROR_SESN_NLOCKED = static_cast<HRESULT>(0xBFFF009Cu);
constexpr HRESULT VI_ERROR_LIBRARY_NFOUND = static_cast<HRESULT>(0xBFFF009Eu);
constexpr HRESULT VI_ERROR_FILE_ACCESS = static_cast<HRESULT>(0xBFFF00A1u);
constexpr HRESULT VI_ERROR_INTF_NUM_NCONFIG = static_cast<HRESULT>(0xBFFF00A5u);
constexpr HRESULT VI_ERROR_CONN_LOST = static_cast<HRESULT>(0xBFFF00A6u);
constexpr HRESULT VI_ERROR_MACHINE_NAVAIL = static_cast<HRESULT>(0xBFFF00A7u);
constexpr HRESULT VI_ERROR_NPERMISSION = static_cast<HRESULT>(0xBFFF00A8u);

} // namespace Visa

// An opened VISA session.
class IVisaSession
{
public:
    virtual ~IVisaSession() = default;

    virtual QString ResourceName() const = 0;
    // I/O timeout in milliseconds for every later read and write.
    virtual void SetTimeout(long nMilliseconds) = 0;
    virtual long GetTimeout() const = 0;
    // Takes a lock, waiting up to nTimeoutMs for another holder to release it;
    // returns the access key.
    virtual QString LockRsrc(int nLockType, long nTimeoutMs, const QString& strRequestedKey) = 0;
    virtual void UnlockRsrc() = 0;
    // The lock this session holds: NO_LOCK, EXCLUSIVE_LOCK or SHARED_LOCK.
    virtual int LockState() = 0;
};

// The message-based interface of a session: SCPI text out and back.
class IMessage : public virtual IVisaSession
{
public:
    // Sends the text as it stands (nothing is appended); returns the count sent.
    virtual long WriteString(const QString& strText) = 0;
    // Reads up to nCount characters, ending at the line feed (included); what
    // lies beyond nCount stays for the next read. A read that times out
    // raises VI_ERROR_TMO, and what it had received by then is dropped.
    virtual QString ReadString(long nCount) = 0;
    // Drops whatever has arrived and not been read (VISA's flush of the read
    // buffer): the rest of an answer to somebody else's question. Waits for
    // nothing. Sessions without a buffer of their own have nothing to drop.
    virtual void DiscardInput() {}
};

// The serial-line settings of an ASRL session.
class ISerial : public virtual IVisaSession
{
public:
    virtual void SetBaudRate(long nBaud) = 0;
    virtual void SetDataBits(short nBits) = 0;
    virtual void SetStopBits(int nStopBits) = 0; // ASRL_STOP_*
    virtual void SetParity(int nParity) = 0;     // ASRL_PAR_*
    virtual void SetFlowControl(int nFlow) = 0;  // ASRL_FLOW_*, may be or-ed
};

// Lists resources and opens sessions.
class IResourceManager
{
public:
    virtual ~IResourceManager() = default;

    // The resources matching a VISA expression such as "?*::INSTR"; raises
    // VI_ERROR_RSRC_NFOUND when nothing matches.
    virtual QStringList FindRsrc(const QString& strExpression) = 0;
    virtual std::shared_ptr<IVisaSession> Open(const QString& strResourceName, int nAccessMode,
                                               long nOpenTimeoutMs, const QString& strOptionString) = 0;
};

// A call through a null interface fails as COM does, with E_POINTER.
template <class I> I& Deref(const std::shared_ptr<I>& p)
{
    if (!p)
        throw _com_error(E_POINTER);
    return *p;
}
