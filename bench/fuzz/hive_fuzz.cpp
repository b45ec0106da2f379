// Feeds arbitrary bytes to the hive parser. Whatever it reads must write back to text that
// reads whole and writes back to the very same text.
#include "platform/RegHiveFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString root = QStringLiteral("HKEY_CURRENT_USER");
    RegKey first;
    regParseHive(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), root, first);
    const QByteArray written = regWriteHive(first, root);

    RegKey second;
    if (!regParseHive(written, root, second))
        __builtin_trap(); // what we write must always read whole
    if (regWriteHive(second, root) != written)
        __builtin_trap(); // and read back to the same content
    return 0;
}
