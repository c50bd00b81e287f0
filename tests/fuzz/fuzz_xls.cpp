// libFuzzer target over the .xls reader. The first byte picks the layer:
// even, a whole file (container, then workbook stream); odd, a bare
// workbook stream, which reaches the record code more often. Every input
// must end in a workbook or a codec error.

#include "platform/xls/biff.h"
#include "platform/xls/xlsfile.h"

#include <glib.h>

#include <cstddef>
#include <cstdint>

namespace {
void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The container library reports damage on stderr as well as to us.
    g_log_set_default_handler(quiet, nullptr);
    g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION), quiet, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    try {
        if (data[0] & 1) xls::detail::decodeWorkbookStream(body, QStringLiteral("k"));
        else xls::detail::decodeFile(body, QStringLiteral("k"));
    } catch (const xls::FileError&) {
    }
    return 0;
}
