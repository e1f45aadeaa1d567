// Resource names and search expressions come from users (configuration file,
// environment, command line): whatever they hold must end in a result or a
// _com_error, never a crash or a runaway match.
#include "platform/visa/ResourceExpression.h"
#include "platform/visa/ResourceName.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    // The first line is an expression, the rest a resource name.
    const QString strInput = QString::fromUtf8(reinterpret_cast<const char*>(pData), static_cast<int>(nSize));
    const int nBreak = strInput.indexOf(QLatin1Char('\n'));
    const QString strExpression = nBreak < 0 ? strInput : strInput.left(nBreak);
    const QString strName = nBreak < 0 ? strInput : strInput.mid(nBreak + 1);
    try {
        const CResourceName name = CResourceName::Parse(strName);
        // The canonical spelling must parse to itself.
        const QString strCanonical = name.Canonical();
        if (CResourceName::Parse(strCanonical).Canonical() != strCanonical)
            __builtin_trap();
    } catch (const _com_error&) {
    }
    try {
        const CResourceExpression expression(strExpression);
        expression.Matches(strName);
        expression.Matches(QStringLiteral("ASRL/dev/pts/4::INSTR"));
    } catch (const _com_error&) {
    }
    return 0;
}
