#include "KTWebViewController.h"

#include "common/AppKeys.h"
#include "common/AppUserDefaults.h"
#include "modules/IndexRule.h"
#include "common/Localization.h"
#include "MapPageBridge.h"
#include "MapWebPage.h"
#include "store/MyCache.h"
#include "common/NamedImage.h"
#include "common/NotificationCenter.h"
#include "Reachability.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QToolButton>
#include <QWebChannel>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

constexpr char kNoKeyText[] =
    "Google Maps needs an access key. Put it under \"google_maps_api_key\" in the settings, or choose OpenStreetMap in the Map menu.";
constexpr char kLoadFailedText[] =
    "Google Maps could not be loaded. Check the internet connection and the access key, or choose OpenStreetMap in the Map menu.";
constexpr char kEnlargeText[] = "Enlarge map";
constexpr char kRestoreText[] = "Restore map";

// The colour of the pages' map background, so that the pane does not flash white.
const QColor kMapBackground(0xe9, 0xe6, 0xdf);

QString htmlEscaped(const QString &text)
{
    return text.toHtmlEscaped();
}

} // namespace

KTWebViewController::KTWebViewController(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("webVC"));
    setMinimumSize(120, 120);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);

    currentLocationChina_ = streetMapChosen();

    webview_ = new QWebEngineView(this);
    page_ = new MapWebPage(webview_);
    page_->setBackgroundColor(kMapBackground);
    page_->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    webview_->setPage(page_);
    webview_->setContextMenuPolicy(Qt::NoContextMenu);
    channel_ = new QWebChannel(this);
    bridge_ = new MapPageBridge([this](double metres, double route) { didReceiveDistance(metres, route); },
                                [this](const QString &page) { pageDidBecomeReady(page); }, this);
    channel_->registerObject(QStringLiteral("cocoa"), bridge_);
    page_->setWebChannel(channel_);
    // Also put in place as each document becomes ready: when one load replaces another
    // the web view may report a finished load late, for the document before, or not
    // at all, and the page must never be left without its call-back.
    QWebEngineScript install;
    install.setName(QStringLiteral("cocoa_getDistance"));
    install.setSourceCode(MapPageBridge::installScript());
    install.setInjectionPoint(QWebEngineScript::DocumentReady);
    install.setWorldId(QWebEngineScript::MainWorld);
    install.setRunsOnSubFrames(false);
    page_->scripts().insert(install);
    connect(webview_, &QWebEngineView::loadFinished, this, &KTWebViewController::webViewDidFinishLoad);

    textFieldNoLine_ = new QLabel(this);
    textFieldNoLine_->setObjectName(QStringLiteral("textFieldNoLine"));
    textFieldNoLine_->setAutoFillBackground(true);
    QPalette msg = textFieldNoLine_->palette();
    msg.setColor(QPalette::Window, Qt::black);
    msg.setColor(QPalette::WindowText, Qt::white);
    textFieldNoLine_->setPalette(msg);
    textFieldNoLine_->setWordWrap(true);
    textFieldNoLine_->setAlignment(Qt::AlignCenter);
    textFieldNoLine_->setTextInteractionFlags(Qt::NoTextInteraction);
    textFieldNoLine_->setMargin(24);
    QFont f = textFieldNoLine_->font();
    f.setPointSizeF(f.pointSizeF() * 1.15);
    textFieldNoLine_->setFont(f);
    textFieldNoLine_->hide();

    expandButton_ = new QToolButton(this);
    expandButton_->setObjectName(QStringLiteral("mapExpandButton"));
    expandButton_->setAutoRaise(true);
    expandButton_->setIconSize(QSize(20, 20));
    expandButton_->setFixedSize(30, 30);
    expandButton_->setCursor(Qt::PointingHandCursor);
    expandButton_->setStyleSheet(QStringLiteral(
        "QToolButton { background: rgba(255,255,255,225); border: 1px solid rgba(0,0,0,60); border-radius: 4px; }"
        "QToolButton:hover { background: white; }"));
    connect(expandButton_, &QToolButton::clicked, this, &KTWebViewController::zoomInOut);
    updateExpandButton();

    layoutChildren();
    startInternetNotification();
    NotificationCenter::defaultCenter()->addObserver(this, QLatin1String(AppKeys::CHANGE_MAP_NOTIFICATION),
                                                     [this] { changeMapUI(); });
}

KTWebViewController::~KTWebViewController()
{
    NotificationCenter::defaultCenter()->removeObserver(this, QLatin1String(AppKeys::CHANGE_MAP_NOTIFICATION));
    // The probe thread goes before the widgets its handlers touch.
    delete reachability_;
}

bool KTWebViewController::streetMapChosen()
{
    return AppUserDefaults::text(AppKeys::CHANGE_MAP).value_or(QString()) != QLatin1String(AppKeys::CHANGE_MAP_GOOGLE);
}

QString KTWebViewController::probedHost(bool street)
{
    return QLatin1String(street ? kStreetHost : kGoogleHost);
}

QUrl KTWebViewController::pageBaseUrl()
{
    return QUrl(QStringLiteral("qrc:/map/"));
}

QString KTWebViewController::pageText(bool street, const QString &googleApiKey)
{
    QFile file(QStringLiteral(":/map/") + QLatin1String(street ? kStreetPage : kGooglePage));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromUtf8(file.readAll());
    if (!street) {
        // Percent-encoded, the key cannot break out of the script's string or the URL.
        const QString key = QString::fromLatin1(QUrl::toPercentEncoding(googleApiKey.trimmed()));
        text.replace(QLatin1String("__GOOGLE_MAPS_API_KEY__"), key);
        text.replace(QLatin1String("__TEXT_NO_KEY__"), htmlEscaped(Localization::text(kNoKeyText)));
        text.replace(QLatin1String("__TEXT_LOAD_FAILED__"), htmlEscaped(Localization::text(kLoadFailedText)));
    }
    return text;
}

void KTWebViewController::reloadHtmlData()
{
    loadMapHTMLData(currentLocationChina_);
}

void KTWebViewController::loadMapHTMLData(bool street)
{
    ++pageLoadRequests_;
    const QString key = AppUserDefaults::text(AppKeys::GOOGLE_MAPS_API_KEY).value_or(QString());
    webview_->setHtml(pageText(street, key), pageBaseUrl());
}

void KTWebViewController::changeMapUI()
{
    currentLocationChina_ = streetMapChosen();
    // The other map fetches from another host: the check follows the choice.
    if (reachability_)
        reachability_->setHostname(probedHost(currentLocationChina_));
    loadMapHTMLData(currentLocationChina_);
}

void KTWebViewController::zoomInOut()
{
    reloadHtmlData();
    zoomState_ = zoomInOutDelegate.zoomInMapWindow(zoomState_);
    updateExpandButton();
}

void KTWebViewController::evaluate(const QString &script)
{
    // Results and script errors are of no interest; the call returns at once.
    page_->runJavaScript(script);
}

void KTWebViewController::dataLogicProcessOfViodePath(const QString &path)
{
    distanceDelegate.totalDistance(0);
    ++routeNumber_;
    currentPlayVideoPath_ = path;
    const QList<MapPoint> route = MapRoute::fromSamples(MyCache::findGpsDatas(path).value_or(QList<GpsSample>()));

    QStringList arrayForm;
    QStringList objectForm;
    arrayForm.reserve(route.size());
    objectForm.reserve(route.size());
    for (const MapPoint &p : route) {
        arrayForm << MapRoute::pointArrayJson(p);
        objectForm << MapRoute::pointObjectJson(p);
    }
    currentVideoGpsDataArr_ = arrayForm;
    currentVideoGpsDataArrGoogle_ = objectForm;

    // One reload for the whole route: each reload would replace the one before, so
    // a reload per point ends in the same single complete load.
    if (!route.isEmpty())
        reloadHtmlData();

    evaluate(routeNumberScript());
    evaluate(MapRoute::scriptCall("drawPolyLinePath", MapRoute::listJson(currentVideoGpsDataArr_)));
    evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
}

QString KTWebViewController::routeNumberScript() const
{
    return QStringLiteral("window.veltraRoute = %1;").arg(routeNumber_);
}

void KTWebViewController::videoAllTime(double seconds)
{
    totalTime_ = seconds;
}

void KTWebViewController::updateDataByCurrentTime(double seconds)
{
    const int i = IndexRule::indexFor(seconds, totalTime_, currentVideoGpsDataArr_.size());
    if (i >= 0)
        evaluate(MapRoute::scriptCall("updateMarkerPosition", currentVideoGpsDataArr_.at(i)));
    const int j = IndexRule::indexFor(seconds, totalTime_, currentVideoGpsDataArrGoogle_.size());
    if (j >= 0)
        evaluate(MapRoute::scriptCall("updateMarkerPosition1", currentVideoGpsDataArrGoogle_.at(j)));
}

void KTWebViewController::removeLineMap()
{
    evaluate(QStringLiteral("removeLine()"));
}

void KTWebViewController::webViewDidFinishLoad(bool ok)
{
    // A load replaced by a newer one reports failure; the newer one will finish.
    if (!ok)
        return;
    evaluate(MapPageBridge::installScript());
    redrawRoute();
}

void KTWebViewController::pageDidBecomeReady(const QString &page)
{
    redrawRoute();
    emit mapPageReady(page == QLatin1String("street"));
}

void KTWebViewController::redrawRoute()
{
    evaluate(routeNumberScript());
    if (!currentVideoGpsDataArr_.isEmpty())
        evaluate(MapRoute::scriptCall("drawPolyLinePath", MapRoute::listJson(currentVideoGpsDataArr_)));
    if (!currentVideoGpsDataArrGoogle_.isEmpty())
        evaluate(MapRoute::scriptCall("drawPolyLinePath1", MapRoute::listJson(currentVideoGpsDataArrGoogle_)));
}

void KTWebViewController::didReceiveDistance(double metres, double route)
{
    if (route != double(routeNumber_))
        return;
    distanceDelegate.totalDistance(float(metres));
}

void KTWebViewController::startInternetNotification()
{
    if (reachability_)
        return;
    Reachability *r = Reachability::reachabilityWithHostname(probedHost(currentLocationChina_), this);
    if (!r)
        return;
    reachability_ = r;
    r->setReachableBlock([this](Reachability *) {
        reloadHtmlData();
        showMap(true);
    });
    r->setUnreachableBlock([this](Reachability *) {
        reloadHtmlData();
        showMap(false);
    });
    r->startNotifier();
}

void KTWebViewController::showMap(bool available)
{
    if (available) {
        textFieldNoLine_->hide();
        webview_->show();
        webview_->raise();
    } else {
        textFieldNoLine_->setText(Localization::text(kNoLineMessageKey));
        textFieldNoLine_->show();
        textFieldNoLine_->raise();
        webview_->hide();
    }
    expandButton_->raise();
}

void KTWebViewController::updateExpandButton()
{
    const bool enlarged = zoomState_ != 0;
    const qreal dpr = devicePixelRatioF();
    expandButton_->setIcon(QIcon(NamedImage::pixmap(enlarged ? QStringLiteral("map_restore") : QStringLiteral("map_expand"),
                                                    QSize(20, 20), dpr)));
    expandButton_->setToolTip(Localization::text(enlarged ? kRestoreText : kEnlargeText));
}

void KTWebViewController::layoutChildren()
{
    webview_->setGeometry(rect());
    textFieldNoLine_->setGeometry(rect());
    expandButton_->move(width() - expandButton_->width() - 10, 10);
    expandButton_->raise();
}

void KTWebViewController::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutChildren();
}

void KTWebViewController::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LanguageChange) {
        updateExpandButton();
        if (textFieldNoLine_->isVisible())
            textFieldNoLine_->setText(Localization::text(kNoLineMessageKey));
    }
}
