#include "platform/visa/VisaStrings.h"

namespace {

const TEXTENTRY s_Strings[] = {
    // 2210-2239: resource names and resource expressions
    {IDS_VISA_BAD_RESOURCE_NAME, u"\"%1\": %2."},
    {IDS_VISA_NAME_EMPTY, u"the name is empty"},
    {IDS_VISA_NAME_FIELD_EMPTY, u"a field between two \"::\" is empty"},
    {IDS_VISA_NAME_NO_INTERFACE,
     u"\"%1\" does not begin with a VISA interface type (ASRL, GPIB, USB, TCPIP, VXI, PXI)"},
    {IDS_VISA_NAME_BAD_BOARD,
     u"the board \"%1\" is neither a number nor, for ASRL, a device path such as /dev/ttyUSB0"},
    {IDS_VISA_NAME_NO_CLASS, u"there is no resource class %1 for %2"},
    {IDS_VISA_NAME_ADDRESS_MISSING, u"address fields are missing"},
    {IDS_VISA_NAME_UNEXPECTED_FIELD, u"unexpected field \"%1\""},
    {IDS_VISA_NAME_BAD_GPIB_ADDRESS, u"\"%1\" is not a GPIB address (0 to 30)"},
    {IDS_VISA_NAME_BAD_USB_ID, u"\"%1\" is not a USB identifier (such as 0x1AB1)"},
    {IDS_VISA_NAME_BAD_USB_INTERFACE, u"\"%1\" is not a USB interface number"},
    {IDS_VISA_NAME_BAD_TCP_PORT, u"\"%1\" is not a TCP port (1 to 65535)"},
    {IDS_VISA_EXPR_EMPTY, u"the expression is empty"},
    {IDS_VISA_EXPR_NOTHING_TO_REPEAT, u"'%1' at position %2 has no character or group before it to repeat"},
    {IDS_VISA_EXPR_UNMATCHED_CLOSE, u"unmatched closing bracket at position %1"},
    {IDS_VISA_EXPR_TRAILING_BACKSLASH, u"'\\' at the end has no character to take literally"},
    {IDS_VISA_EXPR_ATTRIBUTES_UNSUPPORTED, u"attribute conditions in braces are not supported"},
    {IDS_VISA_EXPR_PAREN_NOT_CLOSED, u"a '(' is not closed"},
    {IDS_VISA_BAD_EXPRESSION, u"\"%1\": %2."},
    {IDS_VISA_EXPR_BRACKET_NOT_CLOSED, u"a '[' is not closed"},
    {IDS_VISA_EXPR_RANGE_BACKWARDS, u"the range %1-%2 runs backwards"},
    {IDS_VISA_EXPR_EMPTY_LIST, u"the list [] is empty"},

    // 2240-2299: sessions: devices, locks, attributes, connections
    {IDS_VISA_SERIAL_PERMISSION,
     u"Permission denied on %1, which belongs to the group '%2'. Add your user to that group (for "
     u"serial ports usually 'dialout': sudo usermod -aG dialout $USER), then log out and in again."},
    {IDS_VISA_USB_PERMISSION,
     u"Permission denied on %1, which belongs to the group '%2'. Give your user access to USB instruments "
     u"with a udev rule, for example SUBSYSTEM==\"usbmisc\", KERNEL==\"usbtmc*\", GROUP=\"plugdev\", "
     u"MODE=\"0660\" in /etc/udev/rules.d/60-usbtmc.rules, and be a member of that group."},
    {IDS_VISA_NO_DEVICE, u"There is no device %1: it is unplugged, or the program that served it has ended."},
    {IDS_VISA_NOT_A_SERIAL_LINE, u"%1 is not a serial line."},
    {IDS_VISA_DEVICE_BUSY, u"%1 is in use by another program."},
    {IDS_VISA_DEVICE_GONE,
     u"The device %1 went away (unplugged, switched off, or the program that served it ended)."},
    {IDS_VISA_SYSTEM_ERROR, u"%1: %2."},
    {IDS_VISA_LOCK_TIMEOUT, u"Another session held the lock on %1 for longer than %2 ms."},
    {IDS_VISA_LOCKED_EXCLUSIVE, u"Another session holds an exclusive lock on %1."},
    {IDS_VISA_ATTRIBUTE_REFUSED, u"%1 does not accept %2 = %3."},
    {IDS_VISA_USB_NOT_ATTACHED, u"No USB instrument %1 is attached (attached: %2)."},
    {IDS_VISA_HOST_NOT_FOUND, u"The host %1 was not found (%2)."},
    {IDS_VISA_CONNECTION_REFUSED,
     u"%1 refused the connection; check the host and port, and that the instrument's socket server is on."},
    {IDS_VISA_CONNECT_TIMEOUT, u"No connection to %1 within %2 ms."},
    {IDS_VISA_READ_COUNT_INVALID, u"%1 characters cannot be read; the count must be at least 1."},
    {IDS_VISA_SERIAL_BOARD_NUMBER,
     u"%1: serial boards are numbered from 1 (ASRL1::INSTR is /dev/ttyS0); name a device as "
     u"ASRL/dev/ttyUSB0::INSTR."},
    {IDS_VISA_ACCESS_MODE_INVALID, u"The access mode %1 is not valid."},
    {IDS_VISA_LOCK_TYPE_UNSUPPORTED, u"The lock type %1 is not supported."},
    {IDS_VISA_NONE, u"none"},
    {IDS_VISA_NOTHING_MATCHES, u"Nothing matches \"%1\"."},

    // 2785-2786: configured resources (the resources file, VAULTLINE_VISA_RESOURCES)
    {IDS_VISA_WARN_RESOURCES_FILE_CUT,
     u"Warning: only the first %2 bytes of %1 are read; the rest is ignored."},
    {IDS_VISA_WARN_TOO_MANY_RESOURCES, u"Warning: %1 names more than %2 resources; the rest are ignored."},

    // 2900-2929: LAN (VXI-11, HiSLIP) and GPIB sessions
    {IDS_VISA_NEEDS_SYSTEM_VISA,
     u"The built-in VISA reaches serial lines (ASRL), USB instruments on the usbtmc driver, LAN "
     u"instruments through VXI-11 (TCPIP::host::INSTR) and HiSLIP (TCPIP::host::hislip0::INSTR), GPIB "
     u"through linux-gpib (GPIB::N::INSTR) and raw sockets (TCPIP::host::port::SOCKET); "
     u"%1 needs a VISA library installed on this system."},
    {IDS_VISA_NO_VXI11_SERVER,
     u"%1 has no VXI-11 server: its portmapper at %2 does not know the VXI-11 core program."},
    {IDS_VISA_INVALID_REPLY, u"%1 sent something that is not a valid reply (%2); the connection was closed."},
    {IDS_VISA_REPLY_TOO_LONG, u"a reply longer than any answer can be"},
    {IDS_VISA_MALFORMED_REPLY, u"a malformed reply"},
    {IDS_VISA_RPC_REFUSED, u"%1 refused the remote procedure call %3 of program %2 (status %4)."},
    {IDS_VISA_NO_ANSWER, u"%1 did not answer within the timeout."},
    {IDS_VISA_BAD_PORTMAPPER_PORT, u"VAULTLINE_VXI11_PORTMAPPER=%1 is not a TCP port (1 to 65535)."},
    {IDS_VISA_LINK_LOST, u"%1 no longer knows this session's link (the instrument restarted or closed it)."},
    {IDS_VISA_VXI11_ERROR, u"%1 reported VXI-11 error %2."},
    {IDS_VISA_DEVICE_NAME_TOO_LONG, u"The LAN device name \"%1\" is longer than 256 bytes."},
    {IDS_VISA_LINK_REFUSED,
     u"%1 refused a link to the device \"%2\" (VXI-11 error %3); check the device name (inst0, or "
     u"gpib0,N behind a LAN/GPIB gateway)."},
    {IDS_VISA_VXI11_NO_SHARED_LOCK,
     u"VXI-11 instruments know only the exclusive lock; %1 cannot be locked shared."},
    {IDS_VISA_HISLIP_FATAL, u"%1 ended the HiSLIP session with a fatal error (code %2): %3"},
    {IDS_VISA_HISLIP_ERROR, u"%1 reported a HiSLIP error (code %2): %3"},
    {IDS_VISA_HISLIP_MESSAGE_TOO_LONG,
     u"%1 announced a message of %2 bytes, more than the %3 bytes this session accepts; the connection "
     u"was closed."},
    {IDS_VISA_HISLIP_NOT_A_MESSAGE,
     u"%1 sent bytes that are not a HiSLIP message; the connection was closed."},
    {IDS_VISA_HISLIP_BAD_INIT_REPLY,
     u"%1 answered the HiSLIP initialization with message type %2; the connection was closed."},
    {IDS_VISA_HISLIP_LOCK_ERROR, u"%1 refused the lock request as an error."},
    {IDS_VISA_GPIB_LIBRARY_MISSING,
     u"%1 needs linux-gpib, whose library could not be loaded (%2). Install linux-gpib (it is not "
     u"packaged in Debian 12), load the kernel module of the GPIB board and describe the board in "
     u"/etc/gpib.conf."},
    {IDS_VISA_GPIB_FAILED, u"%1: %2 (iberr %3, ibsta 0x%4)."},
    {IDS_VISA_GPIB_DRIVER_ERROR,
     u"a driver or system error: is the board described in /etc/gpib.conf and its kernel module loaded?"},
    {IDS_VISA_GPIB_NOT_CONTROLLER, u"the board is not the controller in charge"},
    {IDS_VISA_GPIB_NO_LISTENER,
     u"no listener answered: is the instrument switched on and set to that address?"},
    {IDS_VISA_GPIB_ADDRESSING, u"an addressing error"},
    {IDS_VISA_GPIB_INVALID_ARGUMENT, u"an invalid argument"},
    {IDS_VISA_GPIB_TIMEOUT, u"the GPIB timeout passed"},
    {IDS_VISA_GPIB_NO_BOARD, u"there is no such GPIB board"},
    {IDS_VISA_GPIB_BUS_ERROR, u"a bus error"},
    {IDS_VISA_GPIB_ERROR_CODE, u"GPIB error %1"},
};

} // namespace

const CTextTable& VisaStrings()
{
    static const CTextTable table(s_Strings);
    return table;
}

QString LoadVisaString(unsigned nId)
{
    return VisaStrings().Text(nId);
}
