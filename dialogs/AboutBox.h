#pragma once

#include "platform/framework/Dialog.h"

// The About box: the program's name, and its version as the version block of
// the program file states it at the moment the box opens.
class CAboutBox : public CDialog
{
    Q_OBJECT

public:
    explicit CAboutBox(QWidget* pParent = nullptr);

protected:
    bool OnInitDialog() override;
};
