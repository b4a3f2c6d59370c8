#include "RotationStore.h"

#include "common/AppUserDefaults.h"

#include <QCoreApplication>
#include <QMap>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QThreadPool>

namespace {

struct Writer {
    QThreadPool pool;
    QMutex mutex;
    QMap<QString, double> pending;   // the latest value of each key not yet written
    bool scheduled = false;
    QString file;

    Writer() { pool.setMaxThreadCount(1); }
};

Writer &writer()
{
    // Never destroyed: the last writes are waited for when the application quits.
    static Writer *w = [] {
        auto *created = new Writer;
        if (auto *app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [created] { created->pool.waitForDone(); });
        return created;
    }();
    return *w;
}

void writePending()
{
    Writer &w = writer();
    QMap<QString, double> values;
    QString file;
    {
        QMutexLocker lock(&w.mutex);
        values.swap(w.pending);
        w.scheduled = false;
        file = w.file;
    }
    // Another settings object on the same file, owned by this thread: Qt shares
    // the file's contents between the two, so the main thread's reads see the
    // values as soon as they are set here.
    QSettings settings(file, QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
    settings.sync();
}

} // namespace

void RotationStore::write(const char *key, double value)
{
    Writer &w = writer();
    QMutexLocker lock(&w.mutex);
    w.file = AppUserDefaults::settings().fileName();
    w.pending.insert(QString::fromLatin1(key), value);
    // Values that arrive while a write waits join it; only the latest of a key is written.
    if (!w.scheduled) {
        w.scheduled = true;
        w.pool.start(writePending);
    }
}

void RotationStore::waitForWrites()
{
    writer().pool.waitForDone();
}
