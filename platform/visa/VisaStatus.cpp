#include "platform/visa/VisaStatus.h"

#include "platform/visa/Visa.h"

#include <cstdint>

namespace {

struct VISASTATUSTEXT
{
    std::uint32_t dwStatus;
    const char* pszText;
};

// The descriptions VISA libraries give for their status values, word for word,
// so that a message reads the same whichever provider raised it.
const VISASTATUSTEXT s_StatusTexts[] = {
    {0x00000000u, "Operation completed successfully."},
    {0x3FFF0005u, "The specified termination character was read."},
    {0x3FFF0006u, "The number of bytes read is equal to the input count."},
    {0x3FFF0077u, "The specified configuration either does not exist or could not be loaded; using "
                  "VISA-specified defaults."},
    {0x3FFF007Du, "Session opened successfully, but the device at the specified address is not responding."},
    {0x3FFF0084u, "Although the specified state of the attribute is valid, it is not supported by this "
                  "resource implementation."},
    {0x3FFF0099u, "Operation completed successfully, and this session has nested shared locks."},
    {0x3FFF009Au, "Operation completed successfully, and this session has nested exclusive locks."},
    {0xBFFF0000u, "Unknown system error (miscellaneous error)."},
    {0xBFFF000Eu, "The given session or object reference is invalid."},
    {0xBFFF000Fu, "Specified type of lock cannot be obtained or specified operation cannot be performed, "
                  "because the resource is locked."},
    {0xBFFF0010u, "Invalid expression specified for search."},
    {0xBFFF0011u,
     "Insufficient location information or the device or resource is not present in the system."},
    {0xBFFF0012u, "Invalid resource reference specified. Parsing error."},
    {0xBFFF0013u, "Invalid access mode."},
    {0xBFFF0015u, "Timeout expired before operation completed."},
    {0xBFFF0016u,
     "The VISA driver failed to properly close the session or object reference. This might be due "
     "to an error freeing internal or OS resources, a failed network connection, or a lower-level "
     "driver or OS error."},
    {0xBFFF001Du,
     "The specified attribute is not defined or supported by the referenced session, event, or find "
     "list."},
    {0xBFFF001Eu, "The specified state of the attribute is not valid, or is not supported as defined by the "
                  "session, event, or find list."},
    {0xBFFF001Fu, "The specified attribute is Read Only."},
    {0xBFFF0020u, "The specified type of lock is not supported by this resource."},
    {0xBFFF0021u, "The access key to the resource associated with this session is invalid."},
    {0xBFFF0030u, "User abort occurred during transfer."},
    {0xBFFF0036u, "Device reported an output protocol error during transfer."},
    {0xBFFF0037u, "Device reported an input protocol error during transfer."},
    {0xBFFF0038u, "Bus error occurred during transfer."},
    {0xBFFF003Au, "Unable to start operation because setup is invalid (due to attributes being set to an "
                  "inconsistent state)."},
    {0xBFFF003Cu, "Insufficient system resources to perform necessary memory allocation."},
    {0xBFFF003Eu, "Could not perform operation because of I/O error."},
    {0xBFFF005Fu, "No listeners condition is detected (both NRFD and NDAC are deasserted)."},
    {0xBFFF0060u, "The interface associated with this session is not currently the controller in charge."},
    {0xBFFF0067u, "The given session or object reference does not support this operation."},
    {0xBFFF006Au, "A parity error occurred during transfer."},
    {0xBFFF006Bu, "A framing error occurred during transfer."},
    {0xBFFF006Cu,
     "An overrun error occurred during transfer. A character was not read from the hardware before "
     "the next character arrived."},
    {0xBFFF0071u, "A specified user buffer is not valid or cannot be accessed for the required size."},
    {0xBFFF0072u, "The resource is valid, but VISA cannot currently access it."},
    {0xBFFF0078u, "The value of some parameter (which parameter is not known) is invalid."},
    {0xBFFF0081u, "The given operation is not implemented."},
    {0xBFFF009Cu, "The current session did not have a lock on the resource."},
    {0xBFFF009Eu, "A code library required by VISA could not be located or loaded."},
    {0xBFFF00A1u,
     "An error occurred while trying to open the specified file. Possible reasons include an invalid "
     "path or lack of access rights."},
    {0xBFFF00A2u, "An error occurred while performing I/O on the specified file."},
    {0xBFFF00A5u, "The interface type is valid but the specified interface number is not configured."},
    {0xBFFF00A6u, "The connection for the given session has been lost."},
    {0xBFFF00A7u, "The remote machine does not exist or is not accepting any connections."},
    {0xBFFF00A8u, "Access to the remote machine is denied."},
};

} // namespace

QString CVisaStatus::Description(HRESULT nStatus)
{
    const auto dwStatus = static_cast<std::uint32_t>(nStatus);
    for (const VISASTATUSTEXT& e : s_StatusTexts) {
        if (e.dwStatus == dwStatus)
            return QString::fromLatin1(e.pszText);
    }
    return QStringLiteral("Unknown VISA status 0x%1.").arg(dwStatus, 8, 16, QLatin1Char('0'));
}

QString CVisaStatus::Text(HRESULT nStatus, const QString& strDetail)
{
    const QString strText = Description(nStatus);
    if (strDetail.isEmpty())
        return strText;
    return strText + QLatin1Char(' ') + strDetail;
}

void CVisaStatus::Throw(HRESULT nStatus, const QString& strDetail)
{
    throw _com_error(nStatus, Text(nStatus, strDetail));
}
