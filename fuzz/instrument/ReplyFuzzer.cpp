// Feeds arbitrary bytes to every parser of instrument replies, and to the
// simulated instrument's command parser, and checks that what they produce
// stays inside the driver's buffers.

#include "instrument/ScpiErrorContainer.h"
#include "instrument/ScpiReply.h"
#include "instrument/StoreMemCommands.h"
#include "sim/SimInstrument.h"

#include <cstddef>
#include <cstdint>

namespace {

void Require(bool bCondition)
{
    if (!bCondition)
        __builtin_trap();
}

void ParseAll(const QString& strReply)
{
    ScpiReply::ParseVersion(strReply);

    QString strToken[4];
    ScpiReply::SplitIdentity(strReply, strToken[0], strToken[1], strToken[2], strToken[3]);
    for (const QString& str : strToken)
        Require(str.size() < ScpiReply::REPLY_CHARS);

    QString strMessage;
    ScpiReply::ParseError(strReply, &strMessage);
    SYSTERR err;
    err.SetMessage(strMessage);
    Require(err.szMessage[SYSTERR::MESSAGE_CHARS - 1] == 0);

    for (int i = 0; i < StoreMemCommands::COMMAND_COUNT; ++i) {
        const SMEMCOMMAND& command = StoreMemCommands::Table()[i];
        STOREMEM mem;
        StoreMemCommands::ParseReply(command, strReply, mem);
        Require(mem.Crange.size() < ScpiReply::FIELD_CHARS && mem.Vrange.size() < ScpiReply::FIELD_CHARS);
        Require(mem.Memo.size() < ScpiReply::MEMO_CHARS);
        Require(mem.Mode.size() < ScpiReply::REPLY_CHARS);
        // Whatever was read goes back out as a command that fits its buffer.
        Require(StoreMemCommands::FormatCommand(command, mem).size() < ScpiReply::REPLY_CHARS);
    }
    Require(ScpiReply::UnquoteText(strReply).size() <= strReply.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    const auto* psz = reinterpret_cast<const char*>(pData);
    const auto n = static_cast<qsizetype>(nSize);
    ParseAll(QString::fromLatin1(psz, n));
    ParseAll(QString::fromUtf8(psz, n));

    CSimInstrument sim;
    sim.Execute(QByteArray(psz, n));
    Require(sim.GetQueuedErrorCount() <= CSimInstrument::QUEUE_LENGTH);
    return 0;
}
