#include "platform/visa/ResourceName.h"
#include "unit/visa/VisaTestSupport.h"

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
    const CResourceName name = CResourceName::Parse(QString::fromUtf8(GetParam().pszName));
    EXPECT_EQ(name.Interface(), GetParam().eInterface);
    EXPECT_EQ(name.Canonical(), QString::fromUtf8(GetParam().pszCanonical));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ValidNameTest,
    ::testing::Values(VALIDNAME{"gpib::22", CResourceName::INTF_GPIB, "GPIB0::22::INSTR"},
                      VALIDNAME{"GPIB1::3::30::INSTR", CResourceName::INTF_GPIB, "GPIB1::3::30::INSTR"},
                      VALIDNAME{"asrl/dev/ttyUSB0::instr", CResourceName::INTF_ASRL,
                                "ASRL/dev/ttyUSB0::INSTR"},
                      VALIDNAME{"  ASRL/dev/pts/4  ", CResourceName::INTF_ASRL, "ASRL/dev/pts/4::INSTR"},
                      VALIDNAME{"USB0::0x1ab1::0x0588::DS1ZA1234::INSTR", CResourceName::INTF_USB,
                                "USB0::0x1AB1::0x0588::DS1ZA1234::INSTR"},
                      VALIDNAME{"USB::2391::5889::MY123::1", CResourceName::INTF_USB,
                                "USB0::0x0957::0x1701::MY123::1::INSTR"},
                      VALIDNAME{"tcpip::localhost::5025::socket", CResourceName::INTF_TCPIP,
                                "TCPIP0::localhost::5025::SOCKET"},
                      VALIDNAME{"TCPIP::dxr.lab", CResourceName::INTF_TCPIP, "TCPIP0::dxr.lab::inst0::INSTR"},
                      VALIDNAME{"GPIB-VXI0::8::INSTR", CResourceName::INTF_GPIB_VXI, "GPIB-VXI0::8::INSTR"}));

TEST(ResourceNameTest, MalformedNamesAreRefusedWithVisaParsingErrorAndTheName)
{
    for (const char* pszName : {"",
                                "   ",
                                "::INSTR",
                                "FOO0::INSTR",
                                "COM1",
                                "ASRLx::INSTR",
                                "ASRLdev/ttyS0::INSTR",
                                "ASRL1::SOCKET",
                                "ASRL1::2::INSTR",
                                "ASRL/dev/pts/4::INSTR::x",
                                "GPIB0::::INSTR",
                                "GPIB0::31::INSTR",
                                "GPIB0::-1::INSTR",
                                "GPIB0::1::2::3::INSTR",
                                "USB0::0x1234::INSTR",
                                "USB0::0xZZZZ::0x1::S::INSTR",
                                "USB0::0x12345::0x1::S::INSTR",
                                "TCPIP0::host::SOCKET",
                                "TCPIP0::host::70000::SOCKET",
                                "TCPIP0::host::http::SOCKET",
                                "TCPIP0::::5025::SOCKET",
                                "GPIB99999999999::1"}) {
        const QString strName = QString::fromUtf8(pszName);
        QString strText;
        EXPECT_EQ(StatusOf([&] { CResourceName::Parse(strName); }, &strText), Visa::VI_ERROR_INV_RSRC_NAME)
            << pszName;
        EXPECT_TRUE(
            strText.startsWith(QLatin1String("Invalid resource reference specified. Parsing error.")) &&
            strText.contains(QLatin1Char('"') + strName + QLatin1Char('"')))
            << qPrintable(strText);
    }
}

} // namespace
