// sciezka.ini as anyone may have written it: the parser must take any bytes.
#include "env/Konfiguracja.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<QString> root = ParseSciezkaIni(bytes);
    // A path comes from one line of the text, so it is never longer than the text.
    if (root && (root->isEmpty() || root->size() > bytes.size())) __builtin_trap();
    if (root) (void)LocalDataRoot(*root, QStringLiteral("/program"));
    return 0;
}
