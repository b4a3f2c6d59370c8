// The network side of Reachability: lives on its own thread, sends an HTTPS HEAD
// request to the host at a fixed interval and reports the resulting flags. Any
// HTTP answer (redirects and errors included) means the host was reached.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class ReachabilityProbe : public QObject {
    Q_OBJECT
public:
    ReachabilityProbe(const QString &host, int intervalMs);

    // Flags for a finished request: reachable when the server answered at all.
    static quint32 flagsForAnswer(bool gotHttpStatus);

    // For tests: while set, every probe asks this instead of the network, on the
    // probe's thread, with the host it would have asked; it returns the flags.
    using Answer = std::function<quint32(const QString &host)>;
    static void setAnswerForTesting(Answer answer);

public slots:
    void start();
    void shutdown();

signals:
    void probed(quint32 flags);

private:
    void probe();

    QString host_;
    int intervalMs_;
    QNetworkAccessManager *network_ = nullptr;
    QTimer *timer_ = nullptr;
    QPointer<QNetworkReply> inFlight_;
};
