#include "ReachabilityProbe.h"

#include "Reachability.h"

#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

namespace {
constexpr int kRequestTimeoutMs = 5000;

QMutex g_answerMutex;
ReachabilityProbe::Answer g_answer;

ReachabilityProbe::Answer answerForTesting()
{
    QMutexLocker lock(&g_answerMutex);
    return g_answer;
}
} // namespace

void ReachabilityProbe::setAnswerForTesting(Answer answer)
{
    QMutexLocker lock(&g_answerMutex);
    g_answer = std::move(answer);
}

ReachabilityProbe::ReachabilityProbe(const QString &host, int intervalMs) : host_(host), intervalMs_(intervalMs) {}

quint32 ReachabilityProbe::flagsForAnswer(bool gotHttpStatus)
{
    return gotHttpStatus ? quint32(Reachability::Reachable) : 0u;
}

void ReachabilityProbe::start()
{
    if (network_)
        return;
    network_ = new QNetworkAccessManager(this);
    timer_ = new QTimer(this);
    timer_->setInterval(intervalMs_);
    connect(timer_, &QTimer::timeout, this, &ReachabilityProbe::probe);
    timer_->start();
    probe();
}

void ReachabilityProbe::shutdown()
{
    if (timer_)
        timer_->stop();
    if (inFlight_)
        inFlight_->abort();
    delete network_;
    network_ = nullptr;
}

void ReachabilityProbe::probe()
{
    if (!network_ || inFlight_)
        return;
    if (const Answer answer = answerForTesting()) {
        emit probed(answer(host_));
        return;
    }
    QNetworkRequest request(QUrl(QStringLiteral("https://%1/").arg(host_)));
    request.setTransferTimeout(kRequestTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    QNetworkReply *reply = network_->head(request);
    inFlight_ = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
        reply->deleteLater();
        if (reply->error() == QNetworkReply::OperationCanceledError && !answered && !network_)
            return; // shut down while waiting
        emit probed(flagsForAnswer(answered));
    });
}
