// libFuzzer target over the .xls reader. The first byte picks the layer:
// even, a whole file (container, then workbook stream); odd, a bare
// workbook stream, which reaches the record code more often. Every input
// must end in a workbook or a codec error, and a workbook read must write.

#include "platform/xls/biff.h"
#include "platform/xls/xlsfile.h"

#include <glib.h>

#include <cstddef>
#include <cstdint>

namespace {
void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}
} // namespace

// The container library loses a few bytes of its own on some damaged
// directories (inside its open call); that is its leak, not the reader's.
// The fuzzer's quick unwinding often sees only the GLib allocator under
// it, hence both names. The reader's own code allocates nothing through GLib.
extern "C" const char* __lsan_default_suppressions() { return "leak:libgsf-1.so\nleak:libglib-2.0.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The container library reports damage on stderr as well as to us.
    g_log_set_default_handler(quiet, nullptr);
    g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION), quiet,
                      nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    std::unique_ptr<xl::Workbook> book;
    try {
        if (data[0] & 1)
            book = xls::detail::decodeWorkbookStream(body, QStringLiteral("k"));
        else
            book = xls::detail::decodeFile(body, QStringLiteral("k"));
    } catch (const xls::FileError&) {
        return 0;
    }
    // Whatever was read can be written: the kept formulas of a damaged
    // file go out again, or as values.
    xls::detail::encodeWorkbookStream(*book, QString());
    return 0;
}
