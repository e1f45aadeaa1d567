#include "platform/com/ComError.h"

_com_error::_com_error(HRESULT hr, QString strDescription)
    : m_hr(hr), m_strDescription(std::move(strDescription))
{
}

QString _com_error::ErrorMessage() const
{
    if (!m_strDescription.isEmpty())
        return m_strDescription;
    switch (m_hr) {
    case E_POINTER:
        return QStringLiteral("Invalid pointer");
    case E_OUTOFMEMORY:
        return QStringLiteral("Not enough memory");
    case E_INVALIDARG:
        return QStringLiteral("The parameter is incorrect.");
    case E_NOINTERFACE:
        return QStringLiteral("No such interface supported");
    default:
        return QStringLiteral("Unknown error 0x%1")
            .arg(static_cast<std::uint32_t>(m_hr), 8, 16, QLatin1Char('0'));
    }
}
