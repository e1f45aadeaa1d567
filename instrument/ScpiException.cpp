#include "instrument/ScpiException.h"

namespace {

// Each report line is built in a buffer of this many characters; the message is
// cut so that the line, its line feed included, always fits.
constexpr int LINE_CHARS = 256;

} // namespace

int CScpiException::GetCount() const
{
    int n = 0;
    while (n < MAX_ERRORS && m_errors[n].nCode != 0)
        ++n;
    return n;
}

QString CScpiException::GetReport() const
{
    QString strReport = QStringLiteral("SCPI Error(s)\n\n");
    const int nCount = GetCount();
    for (int i = 0; i < nCount; ++i) {
        const SYSTERR& err = m_errors[i];
        QString strLine = QStringLiteral("(%1) ").arg(err.nCode);
        strLine += err.GetMessage();
        if (strLine.size() > LINE_CHARS - 2) {
            int nCut = LINE_CHARS - 2;
            if (strLine.at(nCut - 1).isHighSurrogate())
                --nCut;
            strLine.truncate(nCut);
        }
        strLine += QLatin1Char('\n');
        strReport += strLine;
    }
    return strReport;
}
