#include "RotationStore.h"

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

constexpr int kPeriodMs = 1000;

} // namespace

// One standing writer thread. While values keep coming (a new angle every second as
// the video plays) it wakes by itself once a period and writes what has gathered, so
// that handing a value over from the clock tick is a map insert under a lock and
// never a thread start or a wake-up in the middle of the tick. Only the first value
// after a quiet period wakes it.
struct RotationStore::Writer {
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
    bool stopping = false;
    QThread *thread = nullptr;

    void run();
};

void RotationStore::Writer::run()
{
    QMutexLocker lock(&mutex);
    bool lingering = false;
    for (;;) {
        if (stopping && pending.isEmpty())
            return;
        if (pending.isEmpty() && !lingering) {
            idle = true;
            wake.wait(&mutex);
            idle = false;
        }
        if (!hurry && !stopping)
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

RotationStore::RotationStore(const QString &file) : w_(new Writer)
{
    w_->file = file;
    w_->thread = QThread::create([w = w_] { w->run(); });
    w_->thread->setObjectName(QStringLiteral("RotationStore"));
    w_->thread->start(QThread::LowPriority);
}

RotationStore::~RotationStore()
{
    {
        QMutexLocker lock(&w_->mutex);
        w_->stopping = true;
        w_->wake.wakeOne();
    }
    w_->thread->wait();
    delete w_->thread;
    delete w_;
}

void RotationStore::write(const char *key, double value)
{
    Writer &w = *w_;
    QMutexLocker lock(&w.mutex);
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
    Writer &w = *w_;
    QMutexLocker lock(&w.mutex);
    while (!w.pending.isEmpty() || w.writing) {
        w.hurry = true;
        w.wake.wakeOne();
        w.written.wait(&w.mutex);
    }
}
