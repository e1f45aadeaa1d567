// Feeds arbitrary bytes to the memory-file reader. Whatever loads must also
// save, and what it saves must read back to the very same file: a value that
// drifted through a save and load would silently change a user's memories.
#include "model/XmlDocData.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize)
{
    CXmlDocData data;
    data.Reset();
    if (!data.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(pData), static_cast<qsizetype>(nSize))))
        return 0;
    const QByteArray saved = data.ToBytes();
    CXmlDocData again;
    again.Reset();
    if (!again.LoadFromBytes(saved)) {
        std::fprintf(stderr, "a saved file does not load: %s\n", qPrintable(again.GetLastError()));
        std::abort();
    }
    if (again.ToBytes() != saved) {
        std::fprintf(stderr, "a save and load changed the file\n");
        std::abort();
    }
    return 0;
}
