#include "Reachability.h"

#include "ReachabilityProbe.h"

#include <QThread>
#include <QUrl>

std::optional<QString> Reachability::usableHostname(const QString &host)
{
    const QString trimmed = host.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const QUrl url(QStringLiteral("https://%1/").arg(trimmed), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || url.path() != QLatin1String("/"))
        return std::nullopt;
    return trimmed;
}

Reachability *Reachability::reachabilityWithHostname(const QString &host, QObject *parent)
{
    const std::optional<QString> name = usableHostname(host);
    return name ? new Reachability(*name, parent) : nullptr;
}

bool Reachability::isReachable(quint32 flags)
{
    const bool reachable = flags & Reachable;
    const bool needsConnection = (flags & ConnectionRequired) && (flags & TransientConnection);
    return reachable && !needsConnection;
}

Reachability::Reachability(const QString &host, QObject *parent) : QObject(parent), host_(host) {}

Reachability::~Reachability()
{
    stopThread();
}

bool Reachability::startNotifier()
{
    if (running_)
        return false;
    running_ = true;
    startThread();
    return true;
}

bool Reachability::setHostname(const QString &host)
{
    const std::optional<QString> name = usableHostname(host);
    if (!name)
        return false;
    if (*name == host_)
        return true;
    host_ = *name;
    if (running_) {
        stopThread();
        startThread();
    }
    return true;
}

void Reachability::startThread()
{
    thread_ = new QThread;
    thread_->setObjectName(QStringLiteral("reachability"));
    auto *probe = new ReachabilityProbe(host_, intervalMs_);
    probe->moveToThread(thread_);
    probe_ = probe;
    connect(thread_, &QThread::started, probe, &ReachabilityProbe::start);
    connect(thread_, &QThread::finished, probe, &QObject::deleteLater);
    // Queued: results are handled on the thread this object lives on (the main thread);
    // those of a thread stopped meanwhile (another host) are dropped.
    const quint64 generation = ++generation_;
    connect(probe, &ReachabilityProbe::probed, this, [this, generation](quint32 flags) {
        if (running_ && generation == generation_)
            handleFlags(flags);
    }, Qt::QueuedConnection);
    thread_->start();
}

void Reachability::stopNotifier()
{
    running_ = false;
    stopThread();
}

void Reachability::stopThread()
{
    if (!thread_)
        return;
    if (probe_)
        QMetaObject::invokeMethod(probe_, &ReachabilityProbe::shutdown, Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
}

void Reachability::injectFlags(quint32 flags)
{
    handleFlags(flags);
}

void Reachability::handleFlags(quint32 flags)
{
    if (flags_ && *flags_ == flags)
        return;
    flags_ = flags;
    const Handler &handler = isReachable(flags) ? reachableBlock_ : unreachableBlock_;
    if (handler)
        handler(this);
}
