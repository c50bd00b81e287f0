#include "platform/xls/cfb.h"

#include <QStringList>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

namespace {

constexpr std::uint32_t kFreeSect = 0xFFFFFFFF; // also "no entry" in the directory
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr qsizetype kSector = 512;
constexpr qsizetype kMiniSector = 64;
constexpr qsizetype kMiniCutoff = 4096; // smaller streams live in the mini stream
constexpr std::uint32_t kPerSector = kSector / 4;
constexpr std::uint32_t kHeaderDifat = 109;

void put16(char* p, std::uint16_t v) {
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}
void put32(char* p, std::uint32_t v) {
    put16(p, std::uint16_t(v));
    put16(p + 2, std::uint16_t(v >> 16));
}

std::uint32_t sectorsFor(qsizetype bytes, qsizetype unit) { return std::uint32_t((bytes + unit - 1) / unit); }

struct DirEntry {
    QString name;
    std::uint8_t type = 0; // 1 storage, 2 stream, 5 root
    std::vector<std::uint32_t> children;
    std::uint32_t left = kFreeSect, right = kFreeSect, child = kFreeSect;
    std::uint32_t start = kEndOfChain;
    qsizetype size = 0;
    const StreamParts* stream = nullptr;
};

// The order of names within a storage: shorter first, then by their
// characters in upper case.
bool nameLess(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char16_t x = a[i].toUpper().unicode(), y = b[i].toUpper().unicode();
        if (x != y) return x < y;
    }
    return false;
}

// A storage's children as a balanced search tree, every node black: a
// tree whose paths differ in length by one at most, which readers accept.
std::uint32_t buildTree(std::vector<DirEntry>& e, const std::vector<std::uint32_t>& sorted, std::size_t lo,
                        std::size_t hi) {
    if (lo >= hi) return kFreeSect;
    const std::size_t mid = lo + (hi - lo) / 2;
    DirEntry& d = e[sorted[mid]];
    d.left = buildTree(e, sorted, lo, mid);
    d.right = buildTree(e, sorted, mid + 1, hi);
    return sorted[mid];
}

} // namespace

QByteArray CompoundImage::flatten() const {
    QByteArray out = largeBuffer(size);
    char* at = out.data();
    for (const Bytes& b : pieces) {
        if (b.size > 0) std::memcpy(at, b.data, std::size_t(b.size));
        at += b.size;
    }
    return out;
}

bool layoutCompound(const std::vector<StreamParts>& streams, CompoundImage& out, QString* why) {
    out = CompoundImage();
    std::vector<DirEntry> e(1);
    e[0].name = QStringLiteral("Root Entry");
    e[0].type = 5;
    std::map<QString, std::uint32_t> storages; // by path, in upper case
    auto fail = [&](const QString& path) {
        if (why) *why = QStringLiteral("bad stream path %1").arg(path);
        return false;
    };
    auto addChild = [&](std::uint32_t parent, DirEntry d) -> std::uint32_t {
        for (std::uint32_t c : e[parent].children)
            if (!nameLess(e[c].name, d.name) && !nameLess(d.name, e[c].name)) return kFreeSect;
        const auto index = std::uint32_t(e.size());
        e.push_back(std::move(d));
        e[parent].children.push_back(index);
        return index;
    };
    for (const StreamParts& s : streams) {
        const QStringList parts = s.path.split(QLatin1Char('/'));
        std::uint32_t parent = 0;
        QString acc;
        for (qsizetype i = 0; i < parts.size(); ++i) {
            const QString& part = parts[i];
            if (part.isEmpty() || part.size() > 31) return fail(s.path);
            acc += part.toUpper() + QLatin1Char('/');
            if (i + 1 < parts.size()) {
                auto it = storages.find(acc);
                if (it == storages.end()) {
                    DirEntry d;
                    d.name = part;
                    d.type = 1;
                    const std::uint32_t at = addChild(parent, std::move(d));
                    if (at == kFreeSect) return fail(s.path);
                    it = storages.emplace(acc, at).first;
                }
                parent = it->second;
                continue;
            }
            DirEntry d;
            d.name = part;
            d.type = 2;
            d.stream = &s;
            for (const Bytes& b : s.parts) d.size += b.size;
            if (addChild(parent, std::move(d)) == kFreeSect) return fail(s.path);
        }
    }
    for (std::uint32_t i = 0; i < e.size(); ++i) {
        if (e[i].type == 2) continue;
        std::vector<std::uint32_t> sorted = e[i].children;
        std::sort(sorted.begin(), sorted.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return nameLess(e[a].name, e[b].name); });
        e[i].child = buildTree(e, sorted, 0, sorted.size());
    }

    // Sectors: the large streams, the mini stream, the directory, the mini
    // stream's table, then the allocation table and its index.
    std::vector<std::uint32_t> chainStarts, chainLengths; // chains of consecutive sectors
    std::uint32_t next = 0;
    auto chain = [&](std::uint32_t count) {
        const std::uint32_t first = next;
        chainStarts.push_back(first);
        chainLengths.push_back(count);
        next += count;
        return first;
    };
    std::uint32_t miniSectors = 0;
    std::vector<std::uint32_t> miniChainLengths;
    for (DirEntry& d : e) {
        if (d.type != 2 || d.size == 0) continue;
        if (d.size >= kMiniCutoff) {
            d.start = chain(sectorsFor(d.size, kSector));
        } else {
            d.start = miniSectors;
            miniChainLengths.push_back(sectorsFor(d.size, kMiniSector));
            miniSectors += miniChainLengths.back();
        }
    }
    const qsizetype miniBytes = qsizetype(miniSectors) * kMiniSector;
    if (miniSectors > 0) {
        e[0].start = chain(sectorsFor(miniBytes, kSector));
        e[0].size = miniBytes;
    }
    const std::uint32_t dirSectors = sectorsFor(qsizetype(e.size()) * 128, kSector);
    const std::uint32_t firstDir = chain(dirSectors);
    const std::uint32_t miniFatSectors = sectorsFor(qsizetype(miniSectors) * 4, kSector);
    const std::uint32_t firstMiniFat = miniFatSectors ? chain(miniFatSectors) : kEndOfChain;
    // The table covers itself and its index: grow both until they do.
    std::uint32_t fatSectors = 0, difatSectors = 0;
    while (true) {
        const std::uint32_t total = next + fatSectors + difatSectors;
        const std::uint32_t needFat = (total + kPerSector - 1) / kPerSector;
        const std::uint32_t needDifat =
            needFat > kHeaderDifat ? (needFat - kHeaderDifat + kPerSector - 2) / (kPerSector - 1) : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const std::uint32_t firstFat = next;
    const std::uint32_t firstDifat = firstFat + fatSectors;
    const std::uint32_t totalSectors = firstDifat + difatSectors;

    QByteArray fat(qsizetype(fatSectors) * kSector, Qt::Uninitialized);
    {
        char* p = fat.data();
        std::uint32_t i = 0;
        for (std::size_t c = 0; c < chainStarts.size(); ++c)
            for (std::uint32_t k = 0; k < chainLengths[c]; ++k, ++i)
                put32(p + 4 * i, k + 1 < chainLengths[c] ? chainStarts[c] + k + 1 : kEndOfChain);
        for (; i < firstDifat; ++i) put32(p + 4 * i, kFatSect);
        for (; i < totalSectors; ++i) put32(p + 4 * i, kDifSect);
        for (; i < fatSectors * kPerSector; ++i) put32(p + 4 * i, kFreeSect);
    }
    QByteArray difat(qsizetype(difatSectors) * kSector, Qt::Uninitialized);
    for (std::uint32_t k = 0; k < difatSectors; ++k) {
        char* p = difat.data() + qsizetype(k) * kSector;
        for (std::uint32_t j = 0; j < kPerSector - 1; ++j) {
            const std::uint32_t fatIndex = kHeaderDifat + k * (kPerSector - 1) + j;
            put32(p + 4 * j, fatIndex < fatSectors ? firstFat + fatIndex : kFreeSect);
        }
        put32(p + 4 * (kPerSector - 1), k + 1 < difatSectors ? firstDifat + k + 1 : kEndOfChain);
    }
    QByteArray miniFat(qsizetype(miniFatSectors) * kSector, Qt::Uninitialized);
    {
        char* p = miniFat.data();
        std::uint32_t i = 0;
        for (std::uint32_t len : miniChainLengths)
            for (std::uint32_t k = 0; k < len; ++k, ++i) put32(p + 4 * i, k + 1 < len ? i + 1 : kEndOfChain);
        for (; i < miniFatSectors * kPerSector; ++i) put32(p + 4 * i, kFreeSect);
    }
    QByteArray mini(qsizetype(sectorsFor(miniBytes, kSector)) * kSector, '\0');
    QByteArray dir(qsizetype(dirSectors) * kSector, '\0');
    for (std::size_t i = 0; i < dirSectors * 4; ++i) {
        char* p = dir.data() + qsizetype(i) * 128;
        if (i >= e.size()) {
            put32(p + 68, kFreeSect);
            put32(p + 72, kFreeSect);
            put32(p + 76, kFreeSect);
            continue;
        }
        const DirEntry& d = e[i];
        for (qsizetype k = 0; k < d.name.size(); ++k) put16(p + 2 * k, d.name[k].unicode());
        put16(p + 64, std::uint16_t((d.name.size() + 1) * 2));
        p[66] = char(d.type);
        p[67] = 1; // black
        put32(p + 68, d.left);
        put32(p + 72, d.right);
        put32(p + 76, d.child);
        if (d.type == 5) {
            // The class of a workbook, so that shells and programs recognise it.
            static const unsigned char kClsid[16] = {0x20, 0x08, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                     0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
            std::memcpy(p + 80, kClsid, 16);
        }
        put32(p + 116, d.type == 1 ? 0 : d.start);
        put32(p + 120, std::uint32_t(d.size));
        if (d.type == 2 && d.size > 0 && d.size < kMiniCutoff) {
            char* to = mini.data() + qsizetype(d.start) * kMiniSector;
            for (const Bytes& b : d.stream->parts) {
                if (b.size > 0) std::memcpy(to, b.data, std::size_t(b.size));
                to += b.size;
            }
        }
    }
    QByteArray header(kSector, '\0');
    {
        static const unsigned char kMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        char* p = header.data();
        std::memcpy(p, kMagic, 8);
        put16(p + 24, 0x003E);
        put16(p + 26, 0x0003);
        put16(p + 28, 0xFFFE);
        put16(p + 30, 9);
        put16(p + 32, 6);
        put32(p + 44, fatSectors);
        put32(p + 48, firstDir);
        put32(p + 56, std::uint32_t(kMiniCutoff));
        put32(p + 60, firstMiniFat);
        put32(p + 64, miniFatSectors);
        put32(p + 68, difatSectors ? firstDifat : kEndOfChain);
        put32(p + 72, difatSectors);
        for (std::uint32_t k = 0; k < kHeaderDifat; ++k)
            put32(p + 76 + 4 * k, k < fatSectors ? firstFat + k : kFreeSect);
    }

    static const char kZeros[kSector] = {};
    out.own.reserve(6);
    auto own = [&](QByteArray b) {
        out.own.push_back(std::move(b));
        out.pieces.push_back({out.own.back().constData(), out.own.back().size()});
    };
    own(std::move(header));
    for (const DirEntry& d : e) {
        if (d.type != 2 || d.size < kMiniCutoff) continue;
        for (const Bytes& b : d.stream->parts)
            if (b.size > 0) out.pieces.push_back(b);
        if (const qsizetype pad = (kSector - d.size % kSector) % kSector) out.pieces.push_back({kZeros, pad});
    }
    own(std::move(mini));
    own(std::move(dir));
    own(std::move(miniFat));
    own(std::move(fat));
    own(std::move(difat));
    out.size = kSector * (qsizetype(totalSectors) + 1);
    return true;
}

QByteArray writeCompound(const std::vector<Stream>& streams, QString* why) {
    std::vector<StreamParts> parts;
    parts.reserve(streams.size());
    for (const Stream& s : streams) parts.push_back({s.path, {{s.data.constData(), s.data.size()}}});
    CompoundImage image;
    if (!layoutCompound(parts, image, why)) return QByteArray();
    return image.flatten();
}

} // namespace xls::detail
