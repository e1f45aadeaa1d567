#include "platform/visa/HislipMessage.h"

QByteArray CHislipMessage::Encode(std::uint8_t nType, std::uint8_t nControl, std::uint32_t dwParameter,
                                  const QByteArray& payload)
{
    QByteArray bytes(Hislip::HEADER_BYTES, '\0');
    bytes[0] = 'H';
    bytes[1] = 'S';
    bytes[2] = static_cast<char>(nType);
    bytes[3] = static_cast<char>(nControl);
    for (int i = 0; i < 4; ++i)
        bytes[4 + i] = static_cast<char>(dwParameter >> (24 - 8 * i));
    bytes.replace(8, 8, Size64(static_cast<std::uint64_t>(payload.size())));
    return bytes + payload;
}

QByteArray CHislipMessage::Size64(std::uint64_t n)
{
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>(n >> (56 - 8 * i));
    return bytes;
}

std::uint64_t CHislipMessage::ReadSize64(const char* pBytes)
{
    std::uint64_t n = 0;
    for (int i = 0; i < 8; ++i)
        n = (n << 8) | static_cast<unsigned char>(pBytes[i]);
    return n;
}

CHislipMessage::ETake CHislipMessage::Take(QByteArray& buf, std::uint64_t nMaxPayload)
{
    if (buf.size() >= 2 && (buf[0] != 'H' || buf[1] != 'S'))
        return TAKE_BAD_HEADER;
    if (buf.size() == 1 && buf[0] != 'H')
        return TAKE_BAD_HEADER;
    if (buf.size() < Hislip::HEADER_BYTES)
        return TAKE_INCOMPLETE;
    const auto* p = reinterpret_cast<const unsigned char*>(buf.constData());
    const std::uint64_t nLength = ReadSize64(buf.constData() + 8);
    if (nLength > nMaxPayload)
        return TAKE_TOO_LARGE;
    if (static_cast<std::uint64_t>(buf.size() - Hislip::HEADER_BYTES) < nLength)
        return TAKE_INCOMPLETE;
    m_nType = p[2];
    m_nControl = p[3];
    m_dwParameter =
        (std::uint32_t{p[4]} << 24) | (std::uint32_t{p[5]} << 16) | (std::uint32_t{p[6]} << 8) | p[7];
    m_payload = buf.mid(Hislip::HEADER_BYTES, static_cast<int>(nLength));
    buf.remove(0, Hislip::HEADER_BYTES + static_cast<int>(nLength));
    return TAKE_DONE;
}
