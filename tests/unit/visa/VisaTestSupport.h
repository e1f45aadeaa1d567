#pragma once

#include "platform/visa/Visa.h"

#include <QString>

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
