#include "platform/visa/HislipMessage.h"

#include <gtest/gtest.h>

namespace {

TEST(HislipMessageTest, HeaderIsLaidOutBigEndian)
{
    EXPECT_EQ(CHislipMessage::Encode(Hislip::DATA_END, 1, 0xFFFFFF00u, "*IDN?\n").toHex(),
              QByteArray("4853"
                         "07"
                         "01"
                         "ffffff00"
                         "0000000000000006"
                         "2a49444e3f0a"));
}

TEST(HislipMessageTest, MessagesAreTakenWholeAndLengthsJudgedFromTheHeader)
{
    const QByteArray data = CHislipMessage::Encode(Hislip::DATA, 0, 7, "abc");
    // Bytes on the stream, the bound, the outcome, the payload, the bytes left.
    const std::tuple<QByteArray, quint64, CHislipMessage::ETake, QByteArray, int> cases[] = {
        {data, 3, CHislipMessage::TAKE_DONE, "abc", 0},
        {data + data.left(5), 3, CHislipMessage::TAKE_DONE, "abc", 5},
        {data.left(18), 3, CHislipMessage::TAKE_INCOMPLETE, "", 18},
        {data.left(9), 3, CHislipMessage::TAKE_INCOMPLETE, "", 9},
        {data, 2, CHislipMessage::TAKE_TOO_LARGE, "", 19},
        {QByteArray::fromHex("48530600000000000000000100000000"), 1 << 20, CHislipMessage::TAKE_TOO_LARGE, "",
         16},
        {QByteArray::fromHex("4853060000000000ffffffffffffffff"), 1 << 20, CHislipMessage::TAKE_TOO_LARGE, "",
         16},
        {"HT" + data.mid(2), 3, CHislipMessage::TAKE_BAD_HEADER, "", 19},
        {"X", 3, CHislipMessage::TAKE_BAD_HEADER, "", 1},
        {"H", 3, CHislipMessage::TAKE_INCOMPLETE, "", 1},
    };
    for (const auto& [stream, nMax, eResult, payload, nLeft] : cases) {
        QByteArray buf = stream;
        CHislipMessage message;
        EXPECT_EQ(message.Take(buf, nMax), eResult) << stream.toHex().constData();
        EXPECT_EQ(buf.size(), nLeft) << stream.toHex().constData();
        if (eResult == CHislipMessage::TAKE_DONE) {
            EXPECT_EQ(message.m_payload, payload);
            EXPECT_EQ(message.m_nType, Hislip::DATA);
            EXPECT_EQ(message.m_dwParameter, 7u);
        }
    }
}

} // namespace
