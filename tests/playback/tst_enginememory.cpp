// The allocator settings a long session relies on: the arenas stay bounded
// however many threads allocate at once, and memory freed by threads that
// have ended goes back to the system when asked.
//
// Only glibc's allocator has arenas; a sanitizer build replaces it.

#include "playback/enginememory.h"

#include <QFile>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
#define VIALUMO_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VIALUMO_OWN_ALLOCATOR 1
#endif
#endif

namespace {

constexpr int kThreads = 24;
// Small blocks, below the size the allocator maps on its own.
constexpr size_t kBlock = 1024;
constexpr size_t kBytesPerThread = 16 * 1024 * 1024;

qint64 ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QFile::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

#if defined(__GLIBC__) && !defined(VIALUMO_OWN_ALLOCATOR)
// The arenas glibc reports (one <heap> each) in malloc_info's XML.
int Arenas()
{
    char *text = nullptr;
    size_t size = 0;
    FILE *stream = open_memstream(&text, &size);
    if (!stream)
        return -1;
    malloc_info(0, stream);
    std::fclose(stream);
    const int count = QByteArray(text, qsizetype(size)).count("<heap nr=");
    std::free(text);
    return count;
}
#endif

// Threads that all hold their blocks at the same time (so none can borrow
// another's arena), touch them, and free them before they end; each keeps
// one block made last, as a recording's threads leave a few live blocks above
// what they freed, so that only giving back can return the pages below.
std::vector<void *> AllocateOnThreads(int threads)
{
    std::atomic<int> holding{0};
    std::vector<void *> kept(size_t(threads), nullptr);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&holding, &kept, t, threads] {
            std::vector<char *> blocks;
            blocks.reserve(kBytesPerThread / kBlock);
            for (size_t n = 0; n < kBytesPerThread / kBlock; ++n) {
                char *block = static_cast<char *>(std::malloc(kBlock));
                if (!block)
                    break;
                std::fill(block, block + kBlock, char(n));
                blocks.push_back(block);
            }
            kept[size_t(t)] = std::malloc(kBlock);
            ++holding;
            while (holding.load() < threads)
                std::this_thread::yield();
            for (char *block : blocks)
                std::free(block);
        });
    }
    for (std::thread &worker : workers)
        worker.join();
    return kept;
}

void FreeAll(const std::vector<void *> &blocks)
{
    for (void *block : blocks)
        std::free(block);
}

} // namespace

class TestEngineMemory : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if !defined(__GLIBC__) || defined(VIALUMO_OWN_ALLOCATOR)
        QSKIP("not glibc's allocator");
#endif
        // As the window's start does, before any thread of the test.
        EngineMemory::LimitArenas();
    }

    void arenasStayBoundedUnderManyThreads()
    {
#if defined(__GLIBC__) && !defined(VIALUMO_OWN_ALLOCATOR)
        FreeAll(AllocateOnThreads(kThreads));
        const int limit = std::max(2, QThread::idealThreadCount());
        const int arenas = Arenas();
        QVERIFY2(arenas >= 1 && arenas <= limit,
                 qPrintable(QStringLiteral("%1 arenas after %2 threads, limit %3").arg(arenas).arg(kThreads).arg(limit)));
#endif
    }

    void freedMemoryGoesBackToTheSystem()
    {
        // What the ended threads freed stays resident until it is given back.
        const std::vector<void *> kept = AllocateOnThreads(kThreads);
        const qint64 before = ResidentKb();
        EngineMemory::GiveBackFreed();
        const qint64 after = ResidentKb();
        FreeAll(kept);
        QVERIFY(before > 0 && after > 0);
        // Most of the 384 MB the threads touched and freed.
        const qint64 freedKb = qint64(kThreads) * qint64(kBytesPerThread) / 1024;
        QVERIFY2(before - after > freedKb / 2,
                 qPrintable(QStringLiteral("resident %1 kB before, %2 kB after giving back").arg(before).arg(after)));
    }
};

QTEST_GUILESS_MAIN(TestEngineMemory)
#include "tst_enginememory.moc"
