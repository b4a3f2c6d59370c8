// The network side of Reachability: lives on its own thread, sends an HTTPS HEAD
// request to the host at a fixed interval and reports the resulting flags. Any
// HTTP answer (redirects and errors included) means the host was reached.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

class ReachabilityProbe : public QObject {
    Q_OBJECT
public:
    ReachabilityProbe(const QString &host, int intervalMs);

    // Flags for a finished request: reachable when the server answered at all.
    static quint32 flagsForAnswer(bool gotHttpStatus);

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
