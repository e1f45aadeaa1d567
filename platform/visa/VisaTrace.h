#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

// Debug output of the VISA layer: QT_LOGGING_RULES="vaultline.visa.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcVisa)

// The wire trace: a timestamped transcript of what passes between the program
// and its instruments, one line per event, in the simulator's --log format so
// that the two transcripts compare line by line:
//
//   12:04:31.207 > BACK:SMEM:NSEL 3        a command line sent
//   12:04:31.219 < 0.5000,1.0000,HIGH      the reply read back
//   12:04:31.190 - open ASRL/dev/pts/4::INSTR
//
// Control characters and '\' appear as \xHH. Events other than writes and
// reads (open, close, lock, timeout, failures) are marked '-'. Off unless a
// file was named or the logging category is on.
class CVisaTrace
{
public:
    // Appends the transcript to the file from now on; false, with the reason,
    // when it cannot be opened for writing.
    static bool Start(const QString& strPath, QString& strError);
    static void Stop();
    // True when sessions are to be traced: a file or the logging category.
    static bool IsOn();

    // One line of the transcript: cDirection is '>', '<' or '-'.
    static void Write(char cDirection, const QByteArray& text, const QString& strNote = QString());

    // The text as the transcript shows it: control bytes and '\' as \xHH.
    static QByteArray Printable(const QByteArray& text);
};
