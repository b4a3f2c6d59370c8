// Watches whether an internet host can be reached and reports it on the main
// thread: once when first known and again on every change. The probe is an HTTPS
// request on a thread of its own (name lookups and TCP connects alone are not
// trustworthy: sandboxes answer them falsely).
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QThread;
class ReachabilityProbe;

class Reachability : public QObject {
    Q_OBJECT
public:
    enum Flag : quint32 {
        TransientConnection = 1,
        Reachable = 2,
        ConnectionRequired = 4,
    };
    using Handler = std::function<void(Reachability *)>;

    // Nothing when the host name is not usable.
    static Reachability *reachabilityWithHostname(const QString &host, QObject *parent = nullptr);
    // The name as it is probed (trimmed), or nothing when it is not usable: empty, or
    // not a bare host (with an optional port).
    static std::optional<QString> usableHostname(const QString &host);

    // Reachable when the reachable flag is set and connection-required and
    // transient-connection are not both set.
    static bool isReachable(quint32 flags);

    ~Reachability() override;

    void setReachableBlock(Handler handler) { reachableBlock_ = std::move(handler); }
    void setUnreachableBlock(Handler handler) { unreachableBlock_ = std::move(handler); }

    // Starts probing at once and then every probeInterval(); false when already running.
    bool startNotifier();
    // Stops probing; results still on their way are dropped.
    void stopNotifier();
    bool isNotifierRunning() const { return running_; }

    // Handles `flags` as if the probe had reported them (tests, diagnostics).
    void injectFlags(quint32 flags);

    QString hostname() const { return host_; }
    // Probes `host` from now on. A running notifier starts over with it at once and
    // results still on their way for the host before are dropped; the last result
    // stands until one for the new host differs from it. False, and no change, when
    // the name is not usable.
    bool setHostname(const QString &host);
    std::optional<quint32> currentFlags() const { return flags_; }
    bool reachableOnWWAN() const { return reachableOnWWAN_; }
    void setReachableOnWWAN(bool on) { reachableOnWWAN_ = on; }

    int probeInterval() const { return intervalMs_; }
    void setProbeInterval(int ms) { intervalMs_ = ms; }

private:
    Reachability(const QString &host, QObject *parent);
    void handleFlags(quint32 flags);
    void startThread();
    void stopThread();

    QString host_;
    Handler reachableBlock_;
    Handler unreachableBlock_;
    std::optional<quint32> flags_;
    bool reachableOnWWAN_ = true;
    bool running_ = false;
    int intervalMs_ = 10000;
    QThread *thread_ = nullptr;
    // Counts the probe threads started; a result carries the count of its thread.
    quint64 generation_ = 0;
    QPointer<ReachabilityProbe> probe_;
};
