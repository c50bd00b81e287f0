// Large pages behind the heap a worker thread reads a workbook into: the
// advice reaches that thread's own heap, and the main heap stays as it is.

#include "platform/engine/heappages.h"

#include <QFile>
#include <QtTest>

#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

// The kernel's flags of the mapping of this process that holds `p`;
// empty when no mapping holds it.
QList<QByteArray> flagsOf(const void* p) {
    QFile f(QStringLiteral("/proc/self/smaps"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    const auto at = reinterpret_cast<std::uintptr_t>(p);
    bool inside = false;
    // Line by line: a large buffer freed here would move the allocator's
    // own threshold for large blocks.
    for (QByteArray raw = f.readLine(); !raw.isEmpty(); raw = f.readLine()) {
        const QByteArray line = raw.trimmed();
        // A mapping begins with its range, "start-end", in hexadecimal.
        const QByteArray first = line.left(line.indexOf(' '));
        const int dash = first.indexOf('-');
        bool ok1 = false, ok2 = false;
        const auto from = first.left(dash).toULongLong(&ok1, 16);
        const auto to = first.mid(dash + 1).toULongLong(&ok2, 16);
        if (dash > 0 && ok1 && ok2) {
            inside = from <= at && at < to;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).simplified().split(' ');
        }
    }
    return {};
}

bool sanitized() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

} // namespace

class TestHeapPages : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
            QSKIP("this kernel gives no large pages on request");
        if (sanitized()) QSKIP("the sanitizer's allocator stands in for the one advised");
    }

    void theMainHeapIsLeftAlone() {
        void* p = std::malloc(256);
        xl::adviseLargePagesForThreadHeap();
        const QList<QByteArray> flags = flagsOf(p);
        std::free(p);
        QVERIFY(!flags.isEmpty());
        QVERIFY(!flags.contains("hg"));
    }

    // Before the advice a worker's heap has small pages only; after it, the
    // memory it already has and the memory it allocates next may be large.
    void aWorkerHeapIsAdvisedWhole() {
        QList<QByteArray> before, after, later;
        std::thread worker([&] {
            void* p = std::malloc(256);
            before = flagsOf(p);
            xl::adviseLargePagesForThreadHeap();
            after = flagsOf(p);
            // Far into the heap, past what it had when advised.
            std::vector<void*> blocks;
            for (int i = 0; i < 256; ++i) blocks.push_back(std::malloc(64 << 10));
            later = flagsOf(blocks.back());
            for (void* b : blocks) std::free(b);
            std::free(p);
        });
        worker.join();
        QVERIFY(!before.isEmpty());
        QVERIFY(!before.contains("hg"));
        QVERIFY(after.contains("hg"));
        QVERIFY(later.contains("hg"));
    }

    // Once the program has set the allocator up, a block of megabytes comes
    // from the advised heap of the thread too, not from a mapping of its own.
    // (No such block was freed before in this process: the allocator's own
    // threshold for large blocks, which grows as they are freed, is below it.)
    void largeBlocksComeFromTheHeap() {
        xl::tuneHeapForLargeReads();
        QList<QByteArray> flags;
        std::thread worker([&] {
            xl::adviseLargePagesForThreadHeap();
            void* block = std::malloc(20 << 20);
            flags = flagsOf(block);
            std::free(block);
        });
        worker.join();
        QVERIFY(flags.contains("hg"));
    }
};

QTEST_GUILESS_MAIN(TestHeapPages)
#include "tst_heappages.moc"
