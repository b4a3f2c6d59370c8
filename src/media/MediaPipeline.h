// The one GStreamer pipeline of a moment, on the engine's own thread: per camera a
// `uridecodebin → videoconvert → appsink` branch, the main camera's sound to the audio
// device (or, without one, to a sink that only keeps time), all on the pipeline's one
// clock. Every call is made on that thread (the engine queues them); what happens is
// told back through `report`, which runs a function on the engine's thread.
// One seek is in flight at a time: a seek asked for meanwhile replaces the one waiting,
// and the latest is made once the pipeline has landed (ASYNC_DONE).
#pragma once

#include "EngineRules.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVideoFrame>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;
typedef struct _GstSample GstSample;
class FrameHub;
class QVideoFrame;

// What the probe of a camera's file found.
struct CameraInfo {
    bool playable = false;
    double duration = 0;   // seconds
    double fps = 0;        // 0 when the stream does not say
    QSize size;
    QString codec;
    bool audio = false;
};

class MediaPipeline : public QObject {
    Q_OBJECT
public:
    using Report = std::function<void(std::function<void()>)>;
    MediaPipeline(FrameHub *hub, Report report);
    ~MediaPipeline() override;

    // Callbacks to the engine (run through `report` on its thread).
    struct Listener {
        std::function<void(quint64 generation, std::vector<CameraInfo>)> probed;
        std::function<void(quint64 generation, bool playable)> ready;
        std::function<void(quint64 serial)> landed;
        std::function<void(quint64 generation, int camera)> cameraLost;
        std::function<void(quint64 generation, int camera)> cameraEnded;
        std::function<void(quint64 generation, double seconds)> pacedTime;
        std::function<void(quint64 generation)> pacedEnd;   // a paced clock reached an end
    } listener;

    // Opens the files of a moment (the main camera first), each held `offsets[i]`
    // seconds after the main one; plays at once when `play`, at `rate`.
    void open(quint64 generation, const QStringList &files, const std::vector<double> &offsets, double rate,
              bool play, double volume);
    void close();
    void play(double rate, double from);
    void pause(double at);
    void seek(quint64 serial, double seconds, EngineRules::Gesture gesture);
    // One frame of `frameSeconds` forward, by a step event in time.
    void step(quint64 serial, double frameSeconds);
    void setRate(quint64 serial, double rate, double from, bool playing);
    void setOffset(int camera, double seconds, double at, quint64 serial);
    void setVolume(double volume);

    static CameraInfo probe(const QString &file);
    // Turns a decoded sample into a picture for the sinks (a copy of its planes).
    static QVideoFrame toFrame(GstSample *sample, double *seconds);

    // The picture a pause left waiting in a sink, not shown.
    struct HeldPicture {
        QMutex mutex;
        QVideoFrame frame;
        double seconds = -1;   // its stream time; -1 for none
        void keep(const QVideoFrame &f, double at)
        {
            QMutexLocker lock(&mutex);
            frame = f;
            seconds = at;
        }
        std::pair<QVideoFrame, double> take()
        {
            QMutexLocker lock(&mutex);
            std::pair<QVideoFrame, double> out{std::move(frame), seconds};
            frame = QVideoFrame();
            seconds = -1;
            return out;
        }
    };

private:
    struct Branch {
        int camera = 0;
        GstElement *source = nullptr;
        GstElement *convert = nullptr;
        GstElement *sink = nullptr;
        bool lost = false;
        double offset = 0;   // seconds its picture runs after the main one's
        double heldBack = 0;   // seconds its first picture is held back on the clock (holdBack)
        double duration = 0;    // its file's length, as probed
        double frameSeconds = 0;   // one of its frames; 0 when the stream does not say
        // The next preroll is not shown (the one that follows a pause while playing).
        std::shared_ptr<std::atomic<bool>> quietPreroll = std::make_shared<std::atomic<bool>>(false);
        // That preroll, kept aside for the step that follows the pause.
        std::shared_ptr<HeldPicture> held = std::make_shared<HeldPicture>();
        // The stream time of the picture it handed over last (-1 before any).
        std::shared_ptr<std::atomic<double>> shownAt = std::make_shared<std::atomic<double>>(-1.0);
    };
    struct Seek {
        quint64 serial = 0;
        double seconds = 0;
        double rate = 1;
        EngineRules::SeekFlags flags;
        bool step = false;
        double stepSeconds = 0;
    };
    void teardown();
    void ask(const Seek &s);
    void issue(const Seek &s);
    void landedNow();
    void onMessage(GstMessage *message);
    int cameraOf(GstElement *element) const;
    void loseCamera(int camera);
    // Whether a camera's recording starts after the main camera's time `at`.
    bool anyBeforeStart(double at) const;
    void startPacing(double from);
    void stopPacing();
    void paceTick();
    static void onPadAdded(GstElement *element, void *pad, void *self);

    FrameHub *hub_;
    Report report_;
    GstElement *pipeline_ = nullptr;
    GstElement *volume_ = nullptr;
    std::vector<Branch *> branches_;
    quint64 generation_ = 0;
    bool opening_ = false;
    bool playing_ = false;
    double rate_ = 1;
    double duration_ = 0;
    double pendingRate_ = 1;   // applied once the moment is set up
    bool pendingPlay_ = false;
    std::optional<Seek> inFlight_;
    std::optional<Seek> waiting_;
    QTimer landingWait_;   // children, so that they move to the engine's thread
    // The paced clock of a high rate: where it started, when, and the key frame asked.
    QTimer paceTimer_;
    // After a flushing seek the sinks tell their decoders nothing of lateness until the
    // pictures have run a while (see issue()).
    QTimer qosAgain_;
    void setQos(bool on);
    QElapsedTimer pacedSince_;
    double pacedFrom_ = 0;
    double pacedNow_ = 0;
    quint64 pacedSerial_ = 0;
    // The sequence number of the instant rate change asked for last; none (0) after a
    // flushing seek. Decoders and sinks drop any other (see gateInstantRate).
    std::atomic<quint32> instantSeqnum_{0};
};
