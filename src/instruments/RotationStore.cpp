#include "RotationStore.h"

#include "common/AppUserDefaults.h"

#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QThread>
#include <QVarLengthArray>
#include <QWaitCondition>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// One standing writer thread. While values keep coming (a new angle every second as
// the video plays) it wakes by itself once a period and writes what has gathered, so
// that handing a value over from the clock tick is a map insert under a lock and
// never a thread start or a wake-up in the middle of the tick. Only the first value
// after a quiet period wakes it.
constexpr int kPeriodMs = 1000;

struct Writer {
    QMutex mutex;
    QWaitCondition wake;      // the writer waits here
    QWaitCondition written;   // waitForWrites() waits here
    // The latest value of each key not yet written. The keys are the program's own
    // names, which live as long as it does, so that handing a value over allocates
    // nothing.
    QVarLengthArray<std::pair<const char *, double>, 4> pending;
    QString file;
    bool idle = false;        // waiting without a time limit: a new value must wake it
    bool writing = false;
    bool hurry = false;       // someone waits for the writes
    QThread *thread = nullptr;

    void run();
};

void Writer::run()
{
    QMutexLocker lock(&mutex);
    bool lingering = false;
    for (;;) {
        if (pending.isEmpty() && !lingering) {
            idle = true;
            wake.wait(&mutex);
            idle = false;
        }
        if (!hurry)
            wake.wait(&mutex, kPeriodMs);
        hurry = false;
        if (pending.isEmpty()) {
            lingering = false;   // a quiet period: the next value wakes the writer
            continue;
        }
        const QVarLengthArray<std::pair<const char *, double>, 4> values = pending;
        pending.clear();
        const QString target = file;
        writing = true;
        lock.unlock();
        {
            // Another settings object on the same file, owned by this thread: Qt
            // shares the file's contents between the two, so the main thread's reads
            // see the values as soon as they are set here.
            QSettings settings(target, QSettings::IniFormat);
            for (const auto &[key, value] : values)
                settings.setValue(QLatin1String(key), value);
            settings.sync();
        }
        lock.relock();
        writing = false;
        lingering = true;
        written.wakeAll();
    }
}

Writer &writer()
{
    // Never destroyed: the last writes are waited for when the application quits.
    static Writer *w = [] {
        auto *created = new Writer;
        created->thread = QThread::create([created] { created->run(); });
        created->thread->setObjectName(QStringLiteral("RotationStore"));
        created->thread->start(QThread::LowPriority);
        if (auto *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] { RotationStore::waitForWrites(); });
        return created;
    }();
    return *w;
}

} // namespace

void RotationStore::write(const char *key, double value)
{
    Writer &w = writer();
    QMutexLocker lock(&w.mutex);
    // The store's file is the same for the whole run.
    if (w.file.isEmpty())
        w.file = AppUserDefaults::settings().fileName();
    // Values that arrive while a write waits join it; only the latest of a key is written.
    auto it = std::find_if(w.pending.begin(), w.pending.end(),
                           [key](const auto &p) { return std::strcmp(p.first, key) == 0; });
    if (it != w.pending.end())
        it->second = value;
    else
        w.pending.append({key, value});
    if (w.idle) {
        w.idle = false;
        w.wake.wakeOne();
    }
}

void RotationStore::waitForWrites()
{
    Writer &w = writer();
    QMutexLocker lock(&w.mutex);
    while (!w.pending.isEmpty() || w.writing) {
        w.hurry = true;
        w.wake.wakeOne();
        w.written.wait(&w.mutex);
    }
}
