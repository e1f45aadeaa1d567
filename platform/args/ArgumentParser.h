#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Splits a command line into declared options and positional arguments, the
// same way for every program: "--name VALUE" and "--name=VALUE" for an option
// that takes a value (the next argument is its value whatever it looks like),
// "--name" for a switch, "--" ends the options. Any other argument that
// starts with "--" is an unknown option; one that starts with a single '-' is
// an option only when declared ("-h"), else a positional argument ("-" is
// standard input to most commands). The parser prints nothing: each program
// words its own messages from Error() and ErrorArgument().
class CArgumentParser
{
public:
    enum EError
    {
        ERROR_NONE,
        ERROR_UNKNOWN_OPTION,   // an option nobody declared
        ERROR_MISSING_VALUE,    // the last argument is an option that takes a value
        ERROR_UNEXPECTED_VALUE, // "--switch=VALUE"
    };

    // names: every spelling of one option ("-h", "--help"). An empty value name
    // makes a switch; otherwise it is the placeholder the help text shows.
    void AddOption(const QStringList& names, const QString& strValueName = QString(),
                   const QString& strDescription = QString());

    // With bPassThrough, arguments that are not declared options, "--" among
    // them, stay in order among the positional arguments instead of being an
    // error: for options that may stand anywhere in front of a second parser.
    void SetPassThrough(bool bPassThrough) { m_bPassThrough = bPassThrough; }

    // Parses the arguments after the program's name, once; false on the first error.
    bool Parse(const QStringList& args);

    EError Error() const { return m_eError; }
    // The failing argument as written, and its option name alone (without "=VALUE").
    QString ErrorArgument() const { return m_strErrorArgument; }
    QString ErrorOption() const { return m_strErrorOption; }

    // By any of the option's names.
    bool IsSet(const QString& strName) const;
    // The last value given, or an empty string.
    QString Value(const QString& strName) const;
    // Every value given, in order.
    QStringList Values(const QString& strName) const;
    const QStringList& Positional() const { return m_Positional; }

    // One item per option, "  NAMES <VALUE>" and the description in a column,
    // wrapped to fit 79 columns.
    QString OptionsHelp() const;

private:
    struct OPTION
    {
        QStringList names;
        QString strValueName;
        QString strDescription;
        QStringList values;
        bool bSet = false;
    };

    OPTION* FindOption(const QString& strName);
    const OPTION* FindOption(const QString& strName) const;
    bool Fail(EError eError, const QString& strArgument, const QString& strOption);

    std::vector<OPTION> m_Options;
    QStringList m_Positional;
    bool m_bPassThrough = false;
    EError m_eError = ERROR_NONE;
    QString m_strErrorArgument;
    QString m_strErrorOption;
};
