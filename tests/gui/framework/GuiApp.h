#pragma once

#include <QApplication>

// One QApplication for all tests of a program (offscreen, set by the test main).
inline QApplication* EnsureGuiApp()
{
    static int s_argc = 1;
    static char s_arg0[] = "vaultline-tests";
    static char* s_argv[] = {s_arg0, nullptr};
    static QApplication* s_pApp = new QApplication(s_argc, s_argv);
    return s_pApp;
}
