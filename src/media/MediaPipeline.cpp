#include "MediaPipeline.h"

#include "FrameHub.h"
#include "ThreadPriority.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/pbutils/pbutils.h>
#include <gst/video/video.h>

#include <QFileInfo>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoFrameFormat>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <atomic>
#include <future>
#include <memory>

namespace {

constexpr int kLandingWaitMs = 4000;   // a seek that never lands is given up then
constexpr double kProbeSeconds = 8;
constexpr gint64 kMaxLatenessMs = 40;
// How long after a seek has landed the sinks tell their decoders of lateness again.
constexpr int kQosAfterSeekMs = 400;

// VELTRA_ENGINE_TRACE=1 writes what the pipeline is asked and tells to stderr.
bool tracing()
{
    static const bool on = qEnvironmentVariableIntValue("VELTRA_ENGINE_TRACE") > 0;
    return on;
}
#define ENGINE_TRACE(...)                                                                                              \
    do {                                                                                                               \
        if (tracing())                                                                                                 \
            qInfo(__VA_ARGS__);                                                                                        \
    } while (false)

GstClockTime ns(double seconds)
{
    return GstClockTime(std::llround(std::max(0.0, seconds) * 1e9));
}

GstSeekFlags gstFlags(const EngineRules::SeekFlags &f)
{
    int g = 0;
    if (f.flush)
        g |= GST_SEEK_FLAG_FLUSH;
    if (f.accurate)
        g |= GST_SEEK_FLAG_ACCURATE;
    if (f.keyUnit)
        g |= GST_SEEK_FLAG_KEY_UNIT;
    if (f.snapBefore)
        g |= GST_SEEK_FLAG_SNAP_BEFORE;
    if (f.snapAfter)
        g |= GST_SEEK_FLAG_SNAP_AFTER;
    if (f.trickMode)
        g |= GST_SEEK_FLAG_TRICKMODE | GST_SEEK_FLAG_TRICKMODE_KEY_UNITS;
    if (f.noAudio)
        g |= GST_SEEK_FLAG_TRICKMODE_NO_AUDIO;
    return GstSeekFlags(g);
}

// The audio device's sink, or one that only keeps time where there is no device.
GstElement *audioSink()
{
    static const bool device = [] {
        GstElement *probe = gst_element_factory_make("autoaudiosink", nullptr);
        if (!probe)
            return false;
        const bool ok = gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
        gst_element_set_state(probe, GST_STATE_NULL);
        gst_object_unref(probe);
        return ok;
    }();
    if (device)
        if (GstElement *sink = gst_element_factory_make("autoaudiosink", nullptr))
            return sink;
    GstElement *quiet = gst_element_factory_make("fakesink", nullptr);
    g_object_set(quiet, "sync", TRUE, nullptr);
    return quiet;
}

// A camera whose recording starts later than the time sought: its sink's running time
// moves on by the wait, so that its first picture is due on the one clock when the main
// camera reaches the camera's start.
void holdBack(GstElement *sink, double wait)
{
    if (GstPad *pad = gst_element_get_static_pad(sink, "sink")) {
        gst_pad_set_offset(pad, gint64(ns(wait)));
        gst_object_unref(pad);
    }
}

struct BranchHandle {
    MediaPipeline *self;
    FrameHub *hub;
    int camera;
    quint64 generation;
    std::function<void(int)> ended;
    std::shared_ptr<std::atomic<bool>> quietPreroll;
    std::shared_ptr<std::atomic<double>> shownAt;
    std::shared_ptr<MediaPipeline::HeldPicture> held;
};

GstFlowReturn onSample(GstAppSink *sink, gpointer data, bool preroll)
{
    auto *h = static_cast<BranchHandle *>(data);
    GstSample *sample = preroll ? gst_app_sink_pull_preroll(sink) : gst_app_sink_pull_sample(sink);
    if (!sample)
        return GST_FLOW_OK;
    const bool quiet = preroll && h->quietPreroll->exchange(false);
    double seconds = 0;
    const QVideoFrame frame = MediaPipeline::toFrame(sample, &seconds);
    gst_sample_unref(sample);
    if (quiet) {
        // Paused while playing: the picture last played stays; the one waiting is kept
        // aside, shown once it plays or by the step that follows.
        ENGINE_TRACE("engine: camera %d held %.4f", h->camera, seconds);
        if (frame.isValid())
            h->held->keep(frame, seconds);
        return GST_FLOW_OK;
    }
    ENGINE_TRACE("engine: camera %d %s %.4f", h->camera, preroll ? "preroll" : "sample", seconds);
    if (frame.isValid()) {
        h->shownAt->store(seconds);
        h->hub->push(h->camera, h->generation, seconds, frame);
    }
    return GST_FLOW_OK;
}

GstFlowReturn onNewSample(GstAppSink *sink, gpointer data)
{
    return onSample(sink, data, false);
}

GstFlowReturn onNewPreroll(GstAppSink *sink, gpointer data)
{
    return onSample(sink, data, true);
}

void onEos(GstAppSink *, gpointer data)
{
    auto *h = static_cast<BranchHandle *>(data);
    ENGINE_TRACE("engine: camera %d ended", h->camera);
    h->ended(h->camera);
}

void freeHandle(gpointer data)
{
    delete static_cast<BranchHandle *>(data);
}

// An instant rate change travels as a sticky event, and in GStreamer 1.22 pads that
// still hold it re-send it (with the change's old sequence number) after a flush. A sink
// that gets it then asks the pipeline for the change again, as the flush made both
// forget it: the pipeline tells every sink to switch at once, also sinks the flush left
// without a segment (GStreamer-CRITICAL in gst_segment_position_from_running_time_full,
// then gst_segment_do_seek), the old multiplier lands on top of the new rate, and a
// decoder takes the old change's flags over a trick mode's and decodes every frame
// again. So decoders and sinks take only the change asked for last, and none after a
// flushing seek.
GstPadProbeReturn gateInstantRate(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
    if (event && GST_EVENT_TYPE(event) == GST_EVENT_INSTANT_RATE_CHANGE
        && !EngineRules::takesInstantChange(gst_event_get_seqnum(event),
                                            static_cast<std::atomic<quint32> *>(data)->load())) {
        ENGINE_TRACE("engine: a stale instant rate change (%u) dropped", gst_event_get_seqnum(event));
        return GST_PAD_PROBE_DROP;
    }
    return GST_PAD_PROBE_OK;
}

// Every decoder and sink of the pipeline, in any bin inside it, gets the gate.
void onDeepElementAdded(GstBin *, GstBin *, GstElement *element, gpointer data)
{
    GstElementFactory *factory = gst_element_get_factory(element);
    const gchar *klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!GST_OBJECT_FLAG_IS_SET(element, GST_ELEMENT_FLAG_SINK) && !(klass && std::strstr(klass, "Decoder")))
        return;
    GstIterator *pads = gst_element_iterate_sink_pads(element);
    GValue pad = G_VALUE_INIT;
    while (gst_iterator_next(pads, &pad) == GST_ITERATOR_OK) {
        gst_pad_add_probe(GST_PAD(g_value_get_object(&pad)), GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM, gateInstantRate,
                          data, nullptr);
        g_value_reset(&pad);
    }
    g_value_unset(&pad);
    gst_iterator_free(pads);
}

struct BusHandle {
    MediaPipeline *self;
    quint64 generation;
    std::function<void(GstMessage *)> deliver;
};

GstBusSyncReply onBus(GstBus *, GstMessage *message, gpointer data)
{
    auto *h = static_cast<BusHandle *>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_STREAM_STATUS: {
        // Posted by a streaming thread as it starts, from that thread: the demuxers',
        // decoders' and sinks' threads (and the decoders' own, started from them) run
        // behind the window's. The sound card's thread keeps its place.
        GstStreamStatusType type;
        GstElement *owner = nullptr;
        gst_message_parse_stream_status(message, &type, &owner);
        GstElementFactory *factory = owner ? gst_element_get_factory(owner) : nullptr;
        const gchar *klass = factory ? gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS) : nullptr;
        if (type == GST_STREAM_STATUS_TYPE_ENTER && EngineRules::runsBehindWindow(klass))
            ThreadPriority::lowerThisThread();
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_EOS:
    case GST_MESSAGE_STEP_DONE:
        h->deliver(gst_message_ref(message));
        break;
    default:
        break;
    }
    return GST_BUS_DROP;
}

void freeBusHandle(gpointer data)
{
    delete static_cast<BusHandle *>(data);
}

} // namespace

MediaPipeline::MediaPipeline(FrameHub *hub, Report report)
    : hub_(hub), report_(std::move(report)), landingWait_(this), paceTimer_(this), qosAgain_(this)
{
    qosAgain_.setSingleShot(true);
    qosAgain_.setInterval(kQosAfterSeekMs);
    connect(&qosAgain_, &QTimer::timeout, this, [this] { setQos(true); });
    landingWait_.setSingleShot(true);
    landingWait_.setInterval(kLandingWaitMs);
    connect(&landingWait_, &QTimer::timeout, this, [this] {
        if (opening_) {
            // A moment that never prerolls plays nothing: said once, as unplayable.
            opening_ = false;
            const quint64 g = generation_;
            teardown();
            report_([l = listener, g] { l.ready(g, false); });
            return;
        }
        landedNow();
    });
    paceTimer_.setTimerType(Qt::PreciseTimer);
    paceTimer_.setInterval(1000 / EngineRules::kPacedPicturesPerSecond);
    connect(&paceTimer_, &QTimer::timeout, this, &MediaPipeline::paceTick);
}

MediaPipeline::~MediaPipeline()
{
    teardown();
}

// ---------------------------------------------------------------------------------
// Probing and building

CameraInfo MediaPipeline::probe(const QString &file)
{
    CameraInfo info;
    const QFileInfo f(file);
    if (!f.isFile() || !f.isReadable() || f.size() == 0)
        return info;
    GError *error = nullptr;
    GstDiscoverer *discoverer = gst_discoverer_new(ns(kProbeSeconds), &error);
    if (!discoverer) {
        g_clear_error(&error);
        return info;
    }
    const QByteArray uri = QUrl::fromLocalFile(f.absoluteFilePath()).toEncoded();
    GstDiscovererInfo *found = gst_discoverer_discover_uri(discoverer, uri.constData(), &error);
    g_clear_error(&error);
    // A stream nothing here decodes (a data track beside the video) is no reason to
    // show no pictures: the video counts.
    GstDiscovererResult result = found ? gst_discoverer_info_get_result(found) : GST_DISCOVERER_ERROR;
    if (result == GST_DISCOVERER_MISSING_PLUGINS)
        if (const gchar **missing = gst_discoverer_info_get_missing_elements_installer_details(found))
            for (; *missing; ++missing)
                if (std::strstr(*missing, "decoder-video/") || std::strstr(*missing, "demuxer-"))
                    result = GST_DISCOVERER_ERROR;   // the video itself cannot be decoded here
    if (result == GST_DISCOVERER_OK || result == GST_DISCOVERER_MISSING_PLUGINS) {
        GList *videos = gst_discoverer_info_get_video_streams(found);
        if (videos) {
            auto *video = GST_DISCOVERER_VIDEO_INFO(videos->data);
            info.size = QSize(int(gst_discoverer_video_info_get_width(video)),
                              int(gst_discoverer_video_info_get_height(video)));
            const guint num = gst_discoverer_video_info_get_framerate_num(video);
            const guint den = gst_discoverer_video_info_get_framerate_denom(video);
            info.fps = den > 0 && num > 0 ? double(num) / den : 0.0;
            if (GstCaps *caps = gst_discoverer_stream_info_get_caps(GST_DISCOVERER_STREAM_INFO(video))) {
                if (gchar *codec = gst_pb_utils_get_codec_description(caps)) {
                    info.codec = QString::fromUtf8(codec);
                    g_free(codec);
                }
                gst_caps_unref(caps);
            }
            info.duration = double(gst_discoverer_info_get_duration(found)) / 1e9;
            info.playable = !info.size.isEmpty() && info.duration > 0;
            gst_discoverer_stream_info_list_free(videos);
        }
        GList *audios = gst_discoverer_info_get_audio_streams(found);
        info.audio = audios != nullptr;
        gst_discoverer_stream_info_list_free(audios);
    }
    if (found)
        gst_discoverer_info_unref(found);
    g_object_unref(discoverer);
    return info;
}

void MediaPipeline::open(quint64 generation, const QStringList &files, const std::vector<double> &offsets, double rate,
                         bool play, double volume)
{
    teardown();
    generation_ = generation;
    // Every file is probed before it joins: one without a movie header, without video
    // or with a broken stream would hold the whole pipeline before its first picture.
    std::vector<std::future<CameraInfo>> probes;
    for (const QString &file : files)
        probes.push_back(std::async(std::launch::async, [file] { return probe(file); }));
    std::vector<CameraInfo> infos;
    for (auto &p : probes)
        infos.push_back(p.get());
    report_([l = listener, generation, infos] { l.probed(generation, infos); });
    if (infos.empty() || !infos[0].playable) {
        report_([l = listener, generation] { l.ready(generation, false); });
        return;
    }
    duration_ = infos[0].duration;

    pipeline_ = gst_pipeline_new("moment");
    instantSeqnum_.store(GST_SEQNUM_INVALID);
    g_signal_connect(pipeline_, "deep-element-added", G_CALLBACK(onDeepElementAdded), &instantSeqnum_);
    for (int i = 0; i < int(files.size()); ++i) {
        if (!infos[size_t(i)].playable)
            continue;
        auto *b = new Branch;
        b->camera = i;
        b->source = gst_element_factory_make("uridecodebin", QByteArray("camera") + QByteArray::number(i));
        b->convert = gst_element_factory_make("videoconvert", nullptr);
        b->sink = gst_element_factory_make("appsink", nullptr);
        if (!b->source || !b->convert || !b->sink) {
            delete b;
            continue;
        }
        const QByteArray uri = QUrl::fromLocalFile(QFileInfo(files[i]).absoluteFilePath()).toEncoded();
        g_object_set(b->source, "uri", uri.constData(), nullptr);
        GstCaps *caps = gst_caps_from_string("video/x-raw,format={I420,NV12}");
        // A picture that comes later than a frame after its moment (a decoder short of a
        // core) is dropped rather than shown late, so that a camera behind skips to the
        // others' moment instead of trailing them; its decoder hears of it (QoS).
        g_object_set(b->sink, "caps", caps, "sync", TRUE, "max-buffers", 2u, "drop", FALSE, "qos", TRUE,
                     "max-lateness", gint64(kMaxLatenessMs * GST_MSECOND), nullptr);
        gst_caps_unref(caps);
        auto *handle = new BranchHandle{this, hub_, i, generation, {}, b->quietPreroll, b->shownAt, b->held};
        handle->ended = [this, generation](int camera) {
            report_([l = listener, generation, camera] { l.cameraEnded(generation, camera); });
        };
        GstAppSinkCallbacks callbacks{};
        callbacks.eos = onEos;
        callbacks.new_preroll = onNewPreroll;
        callbacks.new_sample = onNewSample;
        gst_app_sink_set_callbacks(GST_APP_SINK(b->sink), &callbacks, handle, freeHandle);
        gst_bin_add_many(GST_BIN(pipeline_), b->source, b->convert, b->sink, nullptr);
        gst_element_link(b->convert, b->sink);
        b->offset = i < int(offsets.size()) ? offsets[size_t(i)] : 0.0;
        b->duration = infos[size_t(i)].duration;
        b->frameSeconds = infos[size_t(i)].fps > 0 ? 1.0 / infos[size_t(i)].fps : 0.0;
        g_object_set_data(G_OBJECT(b->source), "veltra-branch", b);
        g_signal_connect(b->source, "pad-added", G_CALLBACK(onPadAdded), this);
        branches_.push_back(b);
    }
    // The sound of the main camera only.
    if (infos[0].audio) {
        GstElement *convert = gst_element_factory_make("audioconvert", "audioin");
        GstElement *resample = gst_element_factory_make("audioresample", nullptr);
        volume_ = gst_element_factory_make("volume", nullptr);
        GstElement *sink = audioSink();
        if (convert && resample && volume_ && sink) {
            g_object_set(volume_, "volume", std::clamp(volume, 0.0, 1.0), nullptr);
            gst_bin_add_many(GST_BIN(pipeline_), convert, resample, volume_, sink, nullptr);
            gst_element_link_many(convert, resample, volume_, sink, nullptr);
        } else {
            volume_ = nullptr;
        }
    }

    GstBus *bus = gst_element_get_bus(pipeline_);
    auto *bh = new BusHandle{this, generation, {}};
    bh->deliver = [this, generation](GstMessage *m) {
        QMetaObject::invokeMethod(
            this,
            [this, generation, m] {
                if (generation == generation_ && pipeline_)
                    onMessage(m);
                gst_message_unref(m);
            },
            Qt::QueuedConnection);
    };
    gst_bus_set_sync_handler(bus, onBus, bh, freeBusHandle);
    gst_object_unref(bus);

    rate_ = 1;
    pendingRate_ = rate;
    pendingPlay_ = play;
    const bool straight = play && EngineRules::wayOf(rate) == EngineRules::RateWay::Normal && rate == 1;
    playing_ = straight;
    opening_ = true;
    landingWait_.start();
    // Paused first when it is to play at another rate than 1x.
    if (gst_element_set_state(pipeline_, straight ? GST_STATE_PLAYING : GST_STATE_PAUSED)
        == GST_STATE_CHANGE_FAILURE) {
        opening_ = false;
        landingWait_.stop();
        teardown();
        report_([l = listener, generation] { l.ready(generation, false); });
    }
}

void MediaPipeline::onPadAdded(GstElement *element, void *padPointer, void *selfPointer)
{
    auto *self = static_cast<MediaPipeline *>(selfPointer);
    auto *pad = static_cast<GstPad *>(padPointer);
    auto *b = static_cast<Branch *>(g_object_get_data(G_OBJECT(element), "veltra-branch"));
    if (!b || !self->pipeline_)
        return;
    GstCaps *caps = gst_pad_get_current_caps(pad);
    if (!caps)
        caps = gst_pad_query_caps(pad, nullptr);
    const gchar *name = caps && gst_caps_get_size(caps) > 0 ? gst_structure_get_name(gst_caps_get_structure(caps, 0)) : "";
    const bool video = g_str_has_prefix(name, "video/");
    const bool audio = g_str_has_prefix(name, "audio/");
    if (caps)
        gst_caps_unref(caps);
    GstPad *target = nullptr;
    if (video) {
        target = gst_element_get_static_pad(b->convert, "sink");
    } else if (audio && b->camera == 0) {
        if (GstElement *in = gst_bin_get_by_name(GST_BIN(self->pipeline_), "audioin")) {
            target = gst_element_get_static_pad(in, "sink");
            gst_object_unref(in);
        }
    }
    if (target && gst_pad_is_linked(target)) {
        gst_object_unref(target);
        target = nullptr;
    }
    if (!target) {
        // Another stream (the sound of another camera, a second video, data): it goes
        // nowhere, without holding anything up.
        GstElement *none = gst_element_factory_make("fakesink", nullptr);
        g_object_set(none, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(self->pipeline_), none);
        gst_element_sync_state_with_parent(none);
        target = gst_element_get_static_pad(none, "sink");
    }
    gst_pad_link(pad, target);
    gst_object_unref(target);
}

void MediaPipeline::teardown()
{
    stopPacing();
    landingWait_.stop();
    qosAgain_.stop();
    inFlight_.reset();
    waiting_.reset();
    opening_ = false;
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        if (GstBus *bus = gst_element_get_bus(pipeline_)) {
            gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
            gst_object_unref(bus);
        }
        gst_object_unref(pipeline_);
        pipeline_ = nullptr;
    }
    volume_ = nullptr;
    for (Branch *b : branches_)
        delete b;
    branches_.clear();
}

void MediaPipeline::close()
{
    teardown();
}

// ---------------------------------------------------------------------------------
// Messages

int MediaPipeline::cameraOf(GstElement *element) const
{
    for (GstObject *o = GST_OBJECT(element); o; o = GST_OBJECT_PARENT(o))
        for (const Branch *b : branches_)
            if (o == GST_OBJECT(b->source) || o == GST_OBJECT(b->convert) || o == GST_OBJECT(b->sink))
                return b->camera;
    return -1;
}

void MediaPipeline::onMessage(GstMessage *message)
{
    ENGINE_TRACE("engine: %s from %s", GST_MESSAGE_TYPE_NAME(message), GST_OBJECT_NAME(GST_MESSAGE_SRC(message)));
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ASYNC_DONE:
        if (GST_MESSAGE_SRC(message) != GST_OBJECT(pipeline_))
            break;
        if (opening_) {
            opening_ = false;
            landingWait_.stop();
            const quint64 g = generation_;
            report_([l = listener, g] { l.ready(g, true); });
            const double rate = pendingRate_;
            if (!playing_)
                setRate(0, rate, 0.0, pendingPlay_);
            else if (std::any_of(branches_.begin(), branches_.end(), [](const Branch *b) { return b->offset != 0; }))
                ask({0, 0.0, 1.0, EngineRules::seekFor(EngineRules::Gesture::Click, 1.0)});   // each to its moment
            break;
        }
        landedNow();
        break;
    case GST_MESSAGE_STEP_DONE:
        if (inFlight_ && inFlight_->step)
            landedNow();
        break;
    case GST_MESSAGE_ERROR: {
        GError *error = nullptr;
        gchar *debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const int camera = cameraOf(GST_ELEMENT(GST_MESSAGE_SRC(message)));
        qWarning("veltra-player: camera %d: %s", camera, error ? error->message : "error");
        g_clear_error(&error);
        g_free(debug);
        if (camera > 0) {
            loseCamera(camera);
        } else if (opening_) {
            opening_ = false;
            const quint64 g = generation_;
            teardown();
            report_([l = listener, g] { l.ready(g, false); });
        } else {
            loseCamera(camera < 0 ? 0 : camera);
        }
        break;
    }
    case GST_MESSAGE_EOS:
        // Every camera has ended; each said so on its own already.
        break;
    default:
        break;
    }
}

void MediaPipeline::loseCamera(int camera)
{
    for (Branch *b : branches_) {
        if (b->camera != camera || b->lost)
            continue;
        b->lost = true;
        // Out of the pipeline, so that it holds up no preroll of the others.
        for (GstElement *e : {b->source, b->convert, b->sink}) {
            gst_element_set_locked_state(e, TRUE);
            gst_element_set_state(e, GST_STATE_NULL);
            gst_bin_remove(GST_BIN(pipeline_), e);
        }
        b->source = b->convert = b->sink = nullptr;
    }
    const quint64 g = generation_;
    report_([l = listener, g, camera] { l.cameraLost(g, camera); });
}

// ---------------------------------------------------------------------------------
// Transport

void MediaPipeline::play(double rate, double from)
{
    if (!pipeline_)
        return;
    playing_ = true;
    for (Branch *b : branches_)
        b->held->take();   // it plays now
    if (EngineRules::wayOf(rate) == EngineRules::RateWay::Paced) {
        rate_ = rate;
        startPacing(from);
        return;
    }
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
}

void MediaPipeline::pause(double at)
{
    if (!pipeline_)
        return;
    const bool paced = paceTimer_.isActive();
    if (playing_ && !paced && !inFlight_)
        for (Branch *b : branches_)
            b->quietPreroll->store(true);
    playing_ = false;
    stopPacing();
    gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    if (paced || !(rate_ > 0 && EngineRules::wayOf(rate_) == EngineRules::RateWay::Normal)) {
        // Key frames or reverse play: the exact frame under the clock, at 1x again.
        rate_ = 1;
        ask({0, at, 1.0, EngineRules::seekFor(EngineRules::Gesture::Click, 1.0)});
    } else if (branches_.size() > 1 && !inFlight_) {
        // Each camera stopped on the picture it played last, and at that instant one may
        // be a frame on: then all are shown the frame of the main picture's, which stays.
        // Where every one already shows it, nothing is decoded again.
        const double shown = branches_.front()->shownAt->load();
        const bool together = std::all_of(branches_.begin() + 1, branches_.end(), [shown](const Branch *b) {
            const double frame = b->frameSeconds > 0 && b->frameSeconds < 1 ? b->frameSeconds : 1.0 / 30;
            return !b->sink || EngineRules::beforeStart(shown, b->offset)
                   || EngineRules::showsMoment(b->shownAt->load(), frame, shown + 0.001 + b->offset);
        });
        if (shown >= 0 && !together)
            ask({0, shown + 0.001, rate_, EngineRules::seekFor(EngineRules::Gesture::Click, rate_)});
    }
}

void MediaPipeline::seek(quint64 serial, double seconds, EngineRules::Gesture gesture)
{
    if (!pipeline_)
        return;
    if (paceTimer_.isActive()) {
        pacedFrom_ = seconds;
        pacedNow_ = seconds;
        pacedSince_.start();
        pacedSerial_ = serial;
        ask({serial, seconds, 1.0, EngineRules::seekFor(EngineRules::Gesture::Paced, rate_)});
        return;
    }
    ask({serial, seconds, rate_, EngineRules::seekFor(gesture, rate_)});
}

void MediaPipeline::step(quint64 serial, double frameSeconds)
{
    if (!pipeline_ || playing_)
        return;
    // After a pause while playing, the sink holds the picture that was waiting, which a
    // step event passes over. Under load the pictures shown may lag the sink's by more
    // than a frame (late ones are dropped), so what counts is the picture shown: the one
    // held is shown when it is the next (one camera), else every camera is sought to the
    // frame after the one shown.
    const Branch *main = branches_.empty() ? nullptr : branches_.front();
    // A camera before its start holds its first picture back, which a step event would
    // pass over: around such a camera's start, each step is a seek.
    if (main && !inFlight_ && !waiting_ && frameSeconds > 0 && anyBeforeStart(std::max(0.0, main->shownAt->load()))) {
        const double shown = std::max(0.0, main->shownAt->load());
        ask({serial, shown + frameSeconds + 0.001, rate_, EngineRules::seekFor(EngineRules::Gesture::Click, rate_)});
        return;
    }
    if (main && !inFlight_ && !waiting_ && frameSeconds > 0) {
        auto [frame, heldAt] = main->held->take();
        for (const Branch *b : branches_)
            b->held->take();
        const double shown = main->shownAt->load();
        if (heldAt >= 0 && shown >= 0) {
            const double next = shown + frameSeconds;
            if (branches_.size() == 1 && frame.isValid() && std::abs(heldAt - next) < frameSeconds / 2) {
                main->shownAt->store(heldAt);
                hub_->push(main->camera, generation_, heldAt, frame);
                if (serial)
                    report_([l = listener, serial] { l.landed(serial); });
                return;
            }
            if (std::abs(heldAt - shown) >= frameSeconds / 2) {
                ask({serial, next + 0.001, rate_, EngineRules::seekFor(EngineRules::Gesture::Click, rate_)});
                return;
            }
        }
    }
    Seek s;
    s.serial = serial;
    s.step = true;
    s.stepSeconds = frameSeconds;
    ask(s);
}

void MediaPipeline::setRate(quint64 serial, double rate, double from, bool playing)
{
    if (!pipeline_ || !std::isfinite(rate) || rate == 0)
        return;
    const double was = rate_;
    const bool wasPaced = paceTimer_.isActive();
    const bool wasPlaying = playing_;
    stopPacing();
    playing_ = playing;
    rate_ = rate;
    const EngineRules::RateWay way = EngineRules::wayOf(rate);
    if (way == EngineRules::RateWay::Paced) {
        gst_element_set_state(pipeline_, GST_STATE_PAUSED);
        if (playing)
            startPacing(from);
        else
            ask({serial, from, 1.0, EngineRules::seekFor(EngineRules::Gesture::Click, 1.0)});
        return;
    }
    // A camera waiting for its start was held back by the time at the old rate: a seek
    // places it again.
    if (!wasPaced && wasPlaying && playing && EngineRules::instantChange(was, rate) && !inFlight_ && !waiting_
        && !anyBeforeStart(from)) {
        // The segment stays, only its rate changes: no flush, no gap in the picture.
        GstEvent *change = gst_event_new_seek(rate, GST_FORMAT_TIME, GST_SEEK_FLAG_INSTANT_RATE_CHANGE,
                                              GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE, GST_SEEK_TYPE_NONE,
                                              GST_CLOCK_TIME_NONE);
        instantSeqnum_.store(gst_event_get_seqnum(change));
        if (gst_element_send_event(pipeline_, change)) {
            if (serial)
                report_([l = listener, serial] { l.landed(serial); });
            return;
        }
    }
    ask({serial, from, rate, EngineRules::seekFor(EngineRules::Gesture::Click, rate)});
    gst_element_set_state(pipeline_, playing ? GST_STATE_PLAYING : GST_STATE_PAUSED);
}

void MediaPipeline::setOffset(int camera, double seconds, double at, quint64 serial)
{
    for (Branch *b : branches_)
        if (b->camera == camera)
            b->offset = seconds;
    // Shown at once, also while paused.
    if (pipeline_ && !paceTimer_.isActive())
        ask({serial, at, rate_, EngineRules::seekFor(EngineRules::Gesture::Click, rate_)});
}

bool MediaPipeline::anyBeforeStart(double at) const
{
    return std::any_of(branches_.begin(), branches_.end(),
                       [at](const Branch *b) { return b->sink && EngineRules::beforeStart(at, b->offset); });
}

void MediaPipeline::setVolume(double volume)
{
    if (volume_)
        g_object_set(volume_, "volume", std::clamp(volume, 0.0, 1.0), nullptr);
}

// ---------------------------------------------------------------------------------
// Seeks, one in flight

void MediaPipeline::ask(const Seek &s)
{
    if (inFlight_ || opening_) {
        waiting_ = s;   // only the latest target counts
        return;
    }
    issue(s);
}

void MediaPipeline::issue(const Seek &s)
{
    for (Branch *b : branches_) {
        b->quietPreroll->store(false);
        b->held->take();
    }
    inFlight_ = s;
    landingWait_.start();
    bool ok = false;
    if (s.step) {
        ok = gst_element_send_event(pipeline_, gst_event_new_step(GST_FORMAT_TIME, ns(s.stepSeconds), 1.0, TRUE, FALSE));
    } else {
        const double t = std::clamp(s.seconds, 0.0, std::max(0.0, duration_ - 0.001));
        const GstSeekFlags flags = gstFlags(s.flags);
        if (s.flags.flush) {
            instantSeqnum_.store(GST_SEQNUM_INVALID);   // no earlier rate change survives it
            // The first pictures after a flushing seek may come a little late (a decoder
            // that decoded from a key frame far before the time); told of it, the decoder
            // would skip the next few frames and that camera would stand still for them
            // beside the others. Lateness counts again once they have played a while.
            qosAgain_.stop();
            setQos(false);
        }
        const auto seekTo = [&s, flags](double at) {
            return s.rate > 0 ? gst_event_new_seek(s.rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, ns(at),
                                                   GST_SEEK_TYPE_SET, GST_CLOCK_TIME_NONE)
                              : gst_event_new_seek(s.rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, 0,
                                                   GST_SEEK_TYPE_SET, ns(at));
        };
        // Where each camera goes: the time plus its offset, and no further than its own
        // last picture when it ends before the time (it shows that picture, not the one it
        // showed before the seek).
        const auto targetOf = [&s, t](const Branch *b) {
            double at = std::max(0.0, t + b->offset);
            if (s.rate > 0 && b->duration > 0 && at >= b->duration)
                at = std::max(0.0, b->duration - std::max(0.001, b->frameSeconds / 2));
            return at;
        };
        for (Branch *b : branches_) {
            const double wait = b->sink ? EngineRules::startWait(t, b->offset, s.rate) : 0.0;
            if (wait != b->heldBack) {
                holdBack(b->sink, wait);
                b->heldBack = wait;
            }
        }
        const bool apart = std::any_of(branches_.begin(), branches_.end(),
                                       [&](const Branch *b) { return b->sink && targetOf(b) != t; });
        if (!apart) {
            ok = gst_element_send_event(pipeline_, seekTo(t));
        } else {
            // A camera held apart is sought to its own moment: its segment starts at the
            // time plus its offset, so its pictures run that far from the main one's on
            // the one clock. One seek number for all, so the pipeline lands them as one.
            const guint32 seqnum = gst_util_seqnum_next();
            ok = true;
            for (const Branch *b : branches_) {
                if (!b->sink)
                    continue;
                GstEvent *event = seekTo(targetOf(b));
                gst_event_set_seqnum(event, seqnum);
                ok = gst_element_send_event(b->sink, event) && ok;
            }
        }
    }
    ENGINE_TRACE("engine: %s serial %llu at %.4f rate %.2f: %s", s.step ? "step" : "seek",
                 static_cast<unsigned long long>(s.serial), s.step ? s.stepSeconds : s.seconds, s.rate,
                 ok ? "sent" : "refused");
    if (!ok)
        landedNow();
}

void MediaPipeline::setQos(bool on)
{
    for (Branch *b : branches_)
        if (b->sink)
            g_object_set(b->sink, "qos", on ? TRUE : FALSE, nullptr);
}

void MediaPipeline::landedNow()
{
    landingWait_.stop();
    if (!waiting_)
        qosAgain_.start();
    const std::optional<Seek> done = std::exchange(inFlight_, std::nullopt);
    if (waiting_) {
        const Seek next = *waiting_;
        waiting_.reset();
        issue(next);
        return;
    }
    if (done && done->serial)
        report_([l = listener, serial = done->serial] { l.landed(serial); });
}

// ---------------------------------------------------------------------------------
// The paced clock

void MediaPipeline::startPacing(double from)
{
    pacedFrom_ = from;
    pacedNow_ = from;
    pacedSince_.start();
    paceTimer_.start();
    paceTick();
}

void MediaPipeline::stopPacing()
{
    paceTimer_.stop();
}

void MediaPipeline::paceTick()
{
    if (!pipeline_)
        return;
    const double t = pacedFrom_ + rate_ * double(pacedSince_.elapsed()) / 1000.0;
    const quint64 g = generation_;
    if ((rate_ > 0 && t >= duration_) || (rate_ < 0 && t <= 0)) {
        stopPacing();
        playing_ = false;
        const double end = rate_ > 0 ? std::max(0.0, duration_ - 0.001) : 0.0;
        rate_ = 1;
        ask({0, end, 1.0, EngineRules::seekFor(EngineRules::Gesture::Click, 1.0)});
        report_([l = listener, g] { l.pacedEnd(g); });
        return;
    }
    pacedNow_ = t;
    report_([l = listener, g, t] { l.pacedTime(g, t); });
    // A new key frame once the last one is on screen.
    if (!inFlight_)
        ask({0, t, 1.0, EngineRules::seekFor(EngineRules::Gesture::Paced, rate_)});
}

// ---------------------------------------------------------------------------------
// Pictures

QVideoFrame MediaPipeline::toFrame(GstSample *sample, double *seconds)
{
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    GstCaps *caps = gst_sample_get_caps(sample);
    GstVideoInfo info;
    if (!buffer || !caps || !gst_video_info_from_caps(&info, caps))
        return {};
    const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
    if (format != GST_VIDEO_FORMAT_I420 && format != GST_VIDEO_FORMAT_NV12)
        return {};
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    QVideoFrameFormat qformat(QSize(width, height), format == GST_VIDEO_FORMAT_I420 ? QVideoFrameFormat::Format_YUV420P
                                                                                     : QVideoFrameFormat::Format_NV12);
    switch (info.colorimetry.matrix) {
    case GST_VIDEO_COLOR_MATRIX_BT601:
        qformat.setColorSpace(QVideoFrameFormat::ColorSpace_BT601);
        break;
    case GST_VIDEO_COLOR_MATRIX_BT2020:
        qformat.setColorSpace(QVideoFrameFormat::ColorSpace_BT2020);
        break;
    default:
        qformat.setColorSpace(QVideoFrameFormat::ColorSpace_BT709);
        break;
    }
    qformat.setColorRange(info.colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255 ? QVideoFrameFormat::ColorRange_Full
                                                                               : QVideoFrameFormat::ColorRange_Video);
    GstVideoFrame mapped;
    if (!gst_video_frame_map(&mapped, &info, buffer, GST_MAP_READ))
        return {};
    QVideoFrame frame(qformat);
    if (frame.map(QVideoFrame::WriteOnly)) {
        const int planes = std::min(int(GST_VIDEO_FRAME_N_PLANES(&mapped)), frame.planeCount());
        for (int p = 0; p < planes; ++p) {
            const auto *from = static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&mapped, p));
            const int fromStride = GST_VIDEO_FRAME_PLANE_STRIDE(&mapped, p);
            uchar *to = frame.bits(p);
            const int toStride = frame.bytesPerLine(p);
            const int rows = p == 0 ? height : (height + 1) / 2;
            const int bytes = std::min(fromStride, toStride);
            if (fromStride == toStride && rows * toStride <= frame.mappedBytes(p)) {
                std::memcpy(to, from, size_t(rows) * size_t(toStride));
            } else {
                for (int r = 0; r < rows && (r + 1) * toStride <= frame.mappedBytes(p) + toStride - bytes; ++r)
                    std::memcpy(to + r * toStride, from + r * fromStride, size_t(bytes));
            }
        }
        frame.unmap();
    }
    gst_video_frame_unmap(&mapped);

    // The stream time: the file's own time of the picture, whatever the offset.
    const GstSegment *segment = gst_sample_get_segment(sample);
    GstClockTime pts = GST_BUFFER_PTS(buffer);
    GstClockTime d = GST_BUFFER_DURATION(buffer);
    // The first picture after an exact seek comes cut to the time asked for; its own
    // start is a whole frame before its end.
    if (segment && GST_CLOCK_TIME_IS_VALID(pts) && GST_CLOCK_TIME_IS_VALID(d) && pts == segment->start
        && info.fps_n > 0 && info.fps_d > 0) {
        const GstClockTime frame = gst_util_uint64_scale(GST_SECOND, guint64(info.fps_d), guint64(info.fps_n));
        if (d + 1000 < frame && pts + d >= frame) {
            pts = pts + d - frame;
            d = frame;
        }
    }
    double t = 0;
    if (GST_CLOCK_TIME_IS_VALID(pts)) {
        const guint64 stream = segment ? gst_segment_to_stream_time(segment, GST_FORMAT_TIME, pts) : pts;
        t = double(GST_CLOCK_TIME_IS_VALID(stream) ? stream : pts) / 1e9;
    }
    *seconds = t;
    const qint64 us = qint64(std::llround(t * 1e6));
    frame.setStartTime(us);
    frame.setEndTime(GST_CLOCK_TIME_IS_VALID(d) ? us + qint64(d / 1000) : us);
    return frame;
}
