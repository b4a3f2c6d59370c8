#include "SourceChecker.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPointer>

SourceChecker *SourceChecker::shared()
{
    static QPointer<SourceChecker> inspector;
    if (!inspector)
        inspector = new SourceChecker(QCoreApplication::instance());
    return inspector;
}

SourceChecker::SourceChecker(QObject *parent) : QObject(parent)
{
    // One source at a time: each is read through its own files, and never for long.
    pool_.setMaxThreadCount(1);
}

SourceChecker::~SourceChecker()
{
    pool_.clear();
    pool_.waitForDone();
}

std::optional<TileSourceInfo> SourceChecker::info(const QString &path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    Entry &entry = known_[path];
    if (!entry.running && (!entry.info || entry.modified != modified))
        start(path, entry);
    return entry.info;
}

void SourceChecker::inspect(const QString &path)
{
    Entry &entry = known_[path];
    if (!entry.running)
        start(path, entry);
}

bool SourceChecker::isInspecting(const QString &path) const
{
    const auto it = known_.constFind(path);
    return it != known_.cend() && it->running;
}

void SourceChecker::start(const QString &path, Entry &entry)
{
    entry.running = true;
    // The inspector outlives its tasks: its destructor waits for the one running.
    pool_.start([this, path] {
        // Taken before the source is read: a change while it is read is seen next time.
        const QDateTime modified = QFileInfo(path).lastModified();
        const TileSourceInfo info = TileSource::inspect(path);
        QMetaObject::invokeMethod(this, [this, path, modified, info] {
            known_[path] = {modified, info, false};
            emit inspected(path);
        }, Qt::QueuedConnection);
    });
}
