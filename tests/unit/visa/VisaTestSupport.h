#pragma once

#include "platform/visa/Visa.h"

#include <QString>

#include <dlfcn.h>
#include <functional>

// The status a call ends with (VI_SUCCESS when it returns), and its text.
inline HRESULT StatusOf(const std::function<void()>& fn, QString* pstrText = nullptr)
{
    try {
        fn();
    } catch (const _com_error& e) {
        if (pstrText)
            *pstrText = e.Description();
        return e.Error();
    }
    return Visa::VI_SUCCESS;
}

// The instrument's line: 19200 baud, 8 data bits, two stop bits, no parity, XON/XOFF.
inline void ApplyInstrumentLineSettings(ISerial& serial)
{
    serial.SetBaudRate(19200);
    serial.SetDataBits(8);
    serial.SetStopBits(Visa::ASRL_STOP_TWO);
    serial.SetParity(Visa::ASRL_PAR_NONE);
    serial.SetFlowControl(Visa::ASRL_FLOW_XON_XOFF);
}

// A stand-in library of the tests, named to the code under test by its
// variable and loaded here too: the code loads the same copy, so the test
// reads back what that copy recorded through its Fake... functions.
class CFakeLibrary
{
public:
    CFakeLibrary(const char* pszVariable, const char* pszPath)
        : m_pszVariable(pszVariable), m_pHandle(::dlopen(pszPath, RTLD_NOW | RTLD_LOCAL))
    {
        qputenv(pszVariable, pszPath);
    }
    ~CFakeLibrary()
    {
        qunsetenv(m_pszVariable);
        if (m_pHandle)
            ::dlclose(m_pHandle);
    }
    CFakeLibrary(const CFakeLibrary&) = delete;
    CFakeLibrary& operator=(const CFakeLibrary&) = delete;

    bool IsLoaded() const { return m_pHandle != nullptr; }
    template <class F> F* Fake(const char* pszName) const
    {
        return reinterpret_cast<F*>(::dlsym(m_pHandle, pszName));
    }

private:
    const char* m_pszVariable;
    void* m_pHandle;
};
