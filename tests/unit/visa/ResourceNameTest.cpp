#include "platform/visa/ResourceName.h"
#include "platform/visa/Visa.h"

#include <gtest/gtest.h>

namespace {

struct VALIDNAME
{
    const char* pszName;
    CResourceName::EInterface eInterface;
    const char* pszCanonical;
};

class ValidNameTest : public ::testing::TestWithParam<VALIDNAME>
{
};

TEST_P(ValidNameTest, ParsesToTheCanonicalSpelling)
{
    const VALIDNAME& c = GetParam();
    const CResourceName name = CResourceName::Parse(QString::fromUtf8(c.pszName));
    EXPECT_EQ(name.Interface(), c.eInterface);
    EXPECT_EQ(name.Canonical(), QString::fromUtf8(c.pszCanonical));
    EXPECT_EQ(name.Original(), QString::fromUtf8(c.pszName));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ValidNameTest,
    ::testing::Values(VALIDNAME{"GPIB0::1::INSTR", CResourceName::INTF_GPIB, "GPIB0::1::INSTR"},
                      VALIDNAME{"gpib::22", CResourceName::INTF_GPIB, "GPIB0::22::INSTR"},
                      VALIDNAME{"GPIB1::3::30::INSTR", CResourceName::INTF_GPIB, "GPIB1::3::30::INSTR"},
                      VALIDNAME{"GPIB0::INTFC", CResourceName::INTF_GPIB, "GPIB0::INTFC"},
                      VALIDNAME{"ASRL1::INSTR", CResourceName::INTF_ASRL, "ASRL1::INSTR"},
                      VALIDNAME{"asrl/dev/ttyUSB0::instr", CResourceName::INTF_ASRL,
                                "ASRL/dev/ttyUSB0::INSTR"},
                      VALIDNAME{"ASRL/dev/pts/4", CResourceName::INTF_ASRL, "ASRL/dev/pts/4::INSTR"},
                      VALIDNAME{"ASRL/dev/serial/by-id/usb-FTDI_FT232R-if00::INSTR", CResourceName::INTF_ASRL,
                                "ASRL/dev/serial/by-id/usb-FTDI_FT232R-if00::INSTR"},
                      VALIDNAME{"USB0::0x1ab1::0x0588::DS1ZA1234::INSTR", CResourceName::INTF_USB,
                                "USB0::0x1AB1::0x0588::DS1ZA1234::INSTR"},
                      VALIDNAME{"USB::2391::5889::MY123::1", CResourceName::INTF_USB,
                                "USB0::0x0957::0x1701::MY123::1::INSTR"},
                      VALIDNAME{"USB0::0x0957::0x1701::MY123::RAW", CResourceName::INTF_USB,
                                "USB0::0x0957::0x1701::MY123::RAW"},
                      VALIDNAME{"TCPIP0::192.168.1.20::5025::SOCKET", CResourceName::INTF_TCPIP,
                                "TCPIP0::192.168.1.20::5025::SOCKET"},
                      VALIDNAME{"tcpip::localhost::5025::socket", CResourceName::INTF_TCPIP,
                                "TCPIP0::localhost::5025::SOCKET"},
                      VALIDNAME{"TCPIP::dxr.lab", CResourceName::INTF_TCPIP, "TCPIP0::dxr.lab::inst0::INSTR"},
                      VALIDNAME{"TCPIP0::10.0.0.5::hislip0::INSTR", CResourceName::INTF_TCPIP,
                                "TCPIP0::10.0.0.5::hislip0::INSTR"},
                      VALIDNAME{"GPIB-VXI0::8::INSTR", CResourceName::INTF_GPIB_VXI, "GPIB-VXI0::8::INSTR"},
                      VALIDNAME{"  ASRL2::INSTR  ", CResourceName::INTF_ASRL, "ASRL2::INSTR"}));

TEST(ResourceNameTest, FieldsOfEachTypeAreTakenApart)
{
    const CResourceName gpib = CResourceName::Parse(QStringLiteral("GPIB2::7::12::INSTR"));
    EXPECT_EQ(gpib.BoardNumber(), 2);
    EXPECT_EQ(gpib.PrimaryAddress(), 7);
    EXPECT_EQ(gpib.SecondaryAddress(), 12);

    const CResourceName serial = CResourceName::Parse(QStringLiteral("ASRL/dev/ttyACM0::INSTR"));
    EXPECT_EQ(serial.BoardNumber(), -1);
    EXPECT_EQ(serial.DevicePath(), QStringLiteral("/dev/ttyACM0"));

    const CResourceName usb = CResourceName::Parse(QStringLiteral("USB0::0x1AB1::0x0588::DS1ZA::2::INSTR"));
    EXPECT_EQ(usb.VendorId(), 0x1AB1u);
    EXPECT_EQ(usb.ProductId(), 0x0588u);
    EXPECT_EQ(usb.SerialNumber(), QStringLiteral("DS1ZA"));
    EXPECT_EQ(usb.UsbInterfaceNumber(), 2);

    const CResourceName socket = CResourceName::Parse(QStringLiteral("TCPIP0::127.0.0.1::5025::SOCKET"));
    EXPECT_EQ(socket.Host(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(socket.Port(), 5025);
    EXPECT_EQ(socket.ResourceClass(), QStringLiteral("SOCKET"));
    EXPECT_FALSE(socket.IsInstr());
}

class MalformedNameTest : public ::testing::TestWithParam<const char*>
{
};

TEST_P(MalformedNameTest, IsRefusedWithVisaParsingErrorAndTheName)
{
    const QString strName = QString::fromUtf8(GetParam());
    try {
        CResourceName::Parse(strName);
        FAIL() << "accepted " << GetParam();
    } catch (const _com_error& e) {
        EXPECT_EQ(e.Error(), Visa::VI_ERROR_INV_RSRC_NAME);
        EXPECT_TRUE(
            e.Description().startsWith(QLatin1String("Invalid resource reference specified. Parsing error.")))
            << qPrintable(e.Description());
        EXPECT_TRUE(e.Description().contains(QLatin1Char('"') + strName + QLatin1Char('"')))
            << qPrintable(e.Description());
    }
}

INSTANTIATE_TEST_SUITE_P(Names, MalformedNameTest,
                         ::testing::Values("", "   ", "::INSTR", "INSTR", "FOO0::INSTR", "COM1",
                                           "ASRLx::INSTR", "ASRLdev/ttyS0::INSTR", "ASRL1::SOCKET",
                                           "ASRL1::2::INSTR", "ASRL/dev/pts/4::INSTR::x", "GPIB0::::INSTR",
                                           "GPIB0::31::INSTR", "GPIB0::-1::INSTR", "GPIB0::1::2::3::INSTR",
                                           "GPIB0::INSTR", "GPIB0::1::SOCKET", "USB0::0x1234::INSTR",
                                           "USB0::0xZZZZ::0x1::S::INSTR", "USB0::0x12345::0x1::S::INSTR",
                                           "USB0::0x1::0x1::S::x::INSTR", "TCPIP0::host::SOCKET",
                                           "TCPIP0::host::0::SOCKET", "TCPIP0::host::70000::SOCKET",
                                           "TCPIP0::host::http::SOCKET", "TCPIP0::::5025::SOCKET",
                                           "TCPIP0::a::b::c::INSTR", "GPIB99999999999::1"));

} // namespace
