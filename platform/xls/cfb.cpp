#include "platform/xls/cfb.h"

#include <QStringList>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <sys/mman.h>

namespace xls::detail {

namespace {

void quiet(const gchar*, GLogLevelFlags, const gchar*, gpointer) {}

void initGsf() {
    static std::once_flag once;
    std::call_once(once, [] {
        gsf_init();
        // A damaged container is reported to our caller as an error; the
        // library's own complaints about it would only reach the terminal.
        g_log_set_handler("libgsf:msole", GLogLevelFlags(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING), quiet, nullptr);
    });
}

// Depth and count limits keep a hostile directory from costing us much.
constexpr int kMaxDepth = 16;
constexpr int kMaxStreams = 4096;

bool collect(GsfInfile* dir, const QString& prefix, int depth, qint64 budget, std::vector<Stream>& out, QString* why) {
    if (depth > kMaxDepth) {
        if (why) *why = QStringLiteral("directory too deep");
        return false;
    }
    int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        GsfInput* child = gsf_infile_child_by_index(dir, i);
        if (!child) {
            if (why) *why = QStringLiteral("unreadable directory entry");
            return false;
        }
        const char* nm = gsf_input_name(child);
        QString name = prefix + QString::fromUtf8(nm ? nm : "");
        bool ok = true;
        if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
            ok = collect(GSF_INFILE(child), name + QLatin1Char('/'), depth + 1, budget, out, why);
        } else {
            gsf_off_t size = gsf_input_size(child);
            if (size < 0 || size > budget || int(out.size()) >= kMaxStreams) {
                if (why) *why = QStringLiteral("stream size out of range");
                ok = false;
            } else {
                Stream s;
                s.path = name;
                s.data = largeBuffer(qsizetype(size));
                if (size > 0 && !gsf_input_read(child, size_t(size), reinterpret_cast<guint8*>(s.data.data()))) {
                    if (why) *why = QStringLiteral("stream %1 is truncated").arg(name);
                    ok = false;
                } else {
                    out.push_back(std::move(s));
                }
            }
        }
        g_object_unref(child);
        if (!ok) return false;
    }
    return true;
}

} // namespace

QByteArray largeBuffer(qsizetype size) {
    QByteArray b(size, Qt::Uninitialized);
    constexpr std::uintptr_t kLarge = std::uintptr_t(2) << 20;
    if (size >= qsizetype(2 * kLarge)) {
        // Only the whole large pages inside the buffer: advice is given
        // by the page and must not reach the allocator's neighbours.
        const auto at = reinterpret_cast<std::uintptr_t>(b.data());
        const std::uintptr_t first = (at + kLarge - 1) & ~(kLarge - 1);
        const std::uintptr_t last = (at + std::uintptr_t(size)) & ~(kLarge - 1);
        if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
    }
    return b;
}

CfbStatus readCompound(const QByteArray& file, std::vector<Stream>& out, QString* why) {
    initGsf();
    static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (file.size() < 512 || memcmp(file.constData(), kMagic, 8) != 0) return CfbStatus::NotCompound;
    GsfInput* in = gsf_input_memory_new(reinterpret_cast<const guint8*>(file.constData()), file.size(), FALSE);
    GError* err = nullptr;
    GsfInfile* ole = gsf_infile_msole_new(in, &err);
    g_object_unref(in);
    if (!ole) {
        if (why) *why = QString::fromUtf8(err ? err->message : "unreadable container");
        if (err) g_error_free(err);
        return CfbStatus::Damaged;
    }
    // A stream cannot be longer than the file that holds it.
    bool ok = collect(ole, QString(), 0, file.size(), out, why);
    g_object_unref(ole);
    return ok ? CfbStatus::Ok : CfbStatus::Damaged;
}

QByteArray writeCompound(const std::vector<Stream>& streams, QString* why) {
    initGsf();
    GsfOutput* mem = gsf_output_memory_new();
    GsfOutfile* root = gsf_outfile_msole_new(mem);
    // The class of a workbook, so that shells and programs recognise it.
    static const guint8 kClsid[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root), kClsid);
    bool ok = true;
    std::map<QString, GsfOutfile*> dirs; // storages by path, children before parents in destruction
    std::vector<GsfOutfile*> order;
    auto storage = [&](const QString& path) -> GsfOutfile* {
        GsfOutfile* parent = root;
        QString acc;
        const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            acc += part + QLatin1Char('/');
            auto it = dirs.find(acc);
            if (it == dirs.end()) {
                GsfOutput* d = gsf_outfile_new_child(parent, part.toUtf8().constData(), TRUE);
                if (!d) return nullptr;
                it = dirs.emplace(acc, GSF_OUTFILE(d)).first;
                order.push_back(GSF_OUTFILE(d));
            }
            parent = it->second;
        }
        return parent;
    };
    for (const Stream& s : streams) {
        int slash = int(s.path.lastIndexOf(QLatin1Char('/')));
        GsfOutfile* dir = slash < 0 ? root : storage(s.path.left(slash));
        QString leaf = slash < 0 ? s.path : s.path.mid(slash + 1);
        if (!dir || leaf.isEmpty()) {
            ok = false;
            if (why) *why = QStringLiteral("bad stream path %1").arg(s.path);
            break;
        }
        GsfOutput* o = gsf_outfile_new_child(dir, leaf.toUtf8().constData(), FALSE);
        if (!o) {
            ok = false;
            break;
        }
        if (!s.data.isEmpty() &&
            !gsf_output_write(o, size_t(s.data.size()), reinterpret_cast<const guint8*>(s.data.constData())))
            ok = false;
        if (!gsf_output_close(o)) ok = false;
        g_object_unref(o);
        if (!ok) {
            if (why) *why = QStringLiteral("cannot write stream %1").arg(s.path);
            break;
        }
    }
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        if (!gsf_output_close(GSF_OUTPUT(*it))) ok = false;
        g_object_unref(*it);
    }
    if (!gsf_output_close(GSF_OUTPUT(root))) ok = false;
    g_object_unref(root);
    QByteArray result;
    if (ok) {
        const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem));
        gsf_off_t size = gsf_output_size(mem);
        result = QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
    } else if (why && why->isEmpty()) {
        *why = QStringLiteral("cannot build the container");
    }
    if (!gsf_output_is_closed(mem)) gsf_output_close(mem);
    g_object_unref(mem);
    return result;
}

} // namespace xls::detail
