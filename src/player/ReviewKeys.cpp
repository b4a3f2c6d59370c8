#include "ReviewKeys.h"

#include "ChannelPictures.h"
#include "PlayerEvents.h"
#include "common/Localization.h"
#include "common/Settings.h"
#include "media/MediaEngine.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {
constexpr float kToastSeconds = 0.8f;   // as long as the player's other toasts
} // namespace

ReviewKeys::ReviewKeys(QWidget *keys, Settings &settings, MediaEngine &engine, ChannelPictures *channels,
                       PlayerEvents *events)
    : QObject(keys), settings_(settings), engine_(engine), channels_(channels), events_(events)
{
    // A seek of the keys has landed once the clock is there.
    connect(&engine_, &MediaEngine::timeChanged, this, [this](double seconds) {
        if (keySeek_ && std::abs(events_->tripOffset() + seconds - *keySeek_) < 0.05)
            keySeek_.reset();
    });
    install(keys);
}

void ReviewKeys::install(QWidget *keys)
{
    // Like Space, these work wherever the focus is in the window.
    MediaEngine *e = &engine_;
    const std::pair<QKeyCombination, std::function<void()>> commands[] = {
        {QKeyCombination(Qt::Key_Period), [e] { e->stepFrame(1); }},
        {QKeyCombination(Qt::Key_Comma), [e] { e->stepFrame(-1); }},
        {QKeyCombination(Qt::Key_BracketLeft), [e] { e->slowerRate(); }},
        {QKeyCombination(Qt::Key_BracketRight), [e] { e->fasterRate(); }},
        {QKeyCombination(Qt::Key_I), [this] { markIn(); }},
        {QKeyCombination(Qt::Key_O), [this] { markOut(); }},
        // Seeking: Left/Right a few seconds, with Shift a minute, Home/End the ends.
        {QKeyCombination(Qt::Key_Left), [this] { seekBy(-kSeekStep); }},
        {QKeyCombination(Qt::Key_Right), [this] { seekBy(kSeekStep); }},
        {Qt::SHIFT | Qt::Key_Left, [this] { seekBy(-kSeekLongStep); }},
        {Qt::SHIFT | Qt::Key_Right, [this] { seekBy(kSeekLongStep); }},
        {QKeyCombination(Qt::Key_Home), [this] { seekToStart(); }},
        {QKeyCombination(Qt::Key_End), [this] { seekToEnd(); }},
        // Beside the rate keys: a camera of the moment a little earlier or later, or back in step.
        {Qt::ALT | Qt::Key_BracketLeft, [this] { nudgeChannel(-kChannelStepMs); }},
        {Qt::ALT | Qt::Key_BracketRight, [this] { nudgeChannel(kChannelStepMs); }},
        {Qt::ALT | Qt::Key_Backslash, [this] { nudgeChannel(0); }},
    };
    for (const auto &[key, command] : commands) {
        auto *shortcut = new QShortcut(QKeySequence(key), keys);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, command);
    }
}

double ReviewKeys::seekTarget(double from, double step, double end, double frame)
{
    return std::clamp(from + step, 0.0, std::max(0.0, end - frame));
}

int ReviewKeys::nudged(int offsetMs, int stepMs, int limitMs)
{
    return stepMs ? std::clamp(offsetMs + stepMs, -limitMs, limitMs) : 0;
}

void ReviewKeys::seekBy(double seconds)
{
    if (!engine_.isReady())
        return;
    constexpr qint64 kKeySeekHoldMs = 1500;
    const bool pending = keySeek_ && keySeekAsked_.isValid() && keySeekAsked_.elapsed() < kKeySeekHoldMs;
    const double from = pending ? *keySeek_ : events_->tripOffset() + engine_.currentTime();
    const double target = seekTarget(from, seconds, events_->axisEnd(), engine_.frameDuration());
    keySeek_ = target;
    keySeekAsked_.start();
    events_->seekTimeline(target);
}

void ReviewKeys::seekToStart()
{
    keySeek_.reset();
    if (engine_.isReady())
        engine_.showAt(0.0);
}

void ReviewKeys::seekToEnd()
{
    keySeek_.reset();
    if (engine_.isReady())
        engine_.showAt(std::max(0.0, engine_.duration() - engine_.frameDuration()));
}

void ReviewKeys::nudgeChannel(int stepMs)
{
    const int i = channels_->chosen();
    if (i < 0)
        return;
    const int ms = nudged(channels_->offsetMs(i), stepMs, Settings::kChannelOffsetLimitMs);
    settings_.setChannelOffsetMs(channels_->pattern(i), ms);
    emit message(Localization::text("channel_offset")
                     .arg(ChannelPictures::title(channels_->channel(i)),
                          ms ? QString::asprintf("%+d", ms) : QStringLiteral("0")),
                 kToastSeconds * 2);
}

MarkedRange ReviewKeys::markedRange() const
{
    return IncidentMarks::range(markIn_, markOut_, engine_.duration());
}

void ReviewKeys::markIn()
{
    mark(markIn_, Localization::text("In"));
}

void ReviewKeys::markOut()
{
    mark(markOut_, Localization::text("Out"));
}

void ReviewKeys::mark(std::optional<double> &which, const QString &what)
{
    if (!engine_.isReady()) {
        emit message(IncidentMarks::range(std::nullopt, std::nullopt, 0).message, kToastSeconds * 3);
        return;
    }
    which = engine_.currentTime();
    confirmMarks(what, *which);
}

void ReviewKeys::clearMarks()
{
    if (!markIn_ && !markOut_)
        return;
    markIn_.reset();
    markOut_.reset();
    emit marksChanged();
}

void ReviewKeys::confirmMarks(const QString &what, double seconds)
{
    emit marksChanged();
    const MarkedRange r = markedRange();
    QString text = what + QLatin1Char(' ') + IncidentMarks::timeText(seconds);
    // Both marks set: a reversed pair is put right now, so that the user hears of it.
    if (markIn_ && markOut_) {
        if (r.ok && (r.in != *markIn_ || r.out != *markOut_)) {
            markIn_ = r.in;
            markOut_ = r.out;
            emit marksChanged();
        }
        if (!r.message.isEmpty())
            text = r.message;
    }
    emit message(text, r.message.isEmpty() ? kToastSeconds : kToastSeconds * 3);
}
