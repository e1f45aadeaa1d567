#pragma once

#include <QString>
#include <cstdint>

// The failure codes that travel through the system. Values are those of COM; a
// VISA status (0xBFFFxxxx) is used unchanged as the code, since its top bit
// already marks it as a failure.
using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}
constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}

// A failed call: the code and, when the failing object supplied one, a
// description that the user is shown as it stands.
class _com_error
{
public:
    explicit _com_error(HRESULT hr, QString strDescription = QString());

    HRESULT Error() const { return m_hr; }
    // The description the failing object gave; empty when it gave none.
    QString Description() const { return m_strDescription; }
    // The description, or a generic text naming the code when there is none.
    QString ErrorMessage() const;

private:
    HRESULT m_hr;
    QString m_strDescription;
};
