#include "StopSkipper.h"

#include "common/Localization.h"
#include "media/MediaEngine.h"

#include <cmath>

StopSkipper::StopSkipper(MediaEngine &engine, QObject *parent) : QObject(parent), engine_(engine)
{
    connect(&engine, &MediaEngine::timeChanged, this, &StopSkipper::onTime);
    connect(&engine, &MediaEngine::seeking, this, [this] {
        seeking_ = true;
        from_.reset();
    });
    connect(&engine, &MediaEngine::landed, this, [this](double seconds) {
        seeking_ = false;
        from_ = seconds;
    });
    connect(&engine, &MediaEngine::sourceChanged, this, [this] {
        seeking_ = false;
        from_.reset();
    });
}

void StopSkipper::setStops(std::vector<StopStretches::Stretch> stops)
{
    stops_ = std::move(stops);
}

void StopSkipper::setEnabled(bool on)
{
    enabled_ = on;
}

void StopSkipper::onTime(double seconds)
{
    if (seeking_)
        return;   // the ticks of a seek under way are not play
    const std::optional<double> from = from_;
    from_ = seconds;
    if (!enabled_ || !from || !engine_.isPlaying())
        return;
    const std::optional<double> target = StopStretches::skipTarget(stops_, *from, seconds, engine_.rate());
    if (!target)
        return;
    double length = 0;
    for (const StopStretches::Stretch &stop : stops_)
        if (*target == stop.end - StopStretches::kLeadIn)
            length = stop.seconds();
    from_.reset();
    engine_.seekExact(*target);
    emit skipped(length);
}

QString StopSkipper::skippedText(double seconds)
{
    const qint64 s = std::llround(std::max(0.0, seconds));
    QString span;
    if (s < 60)
        span = Localization::text("clock_span_s").arg(s);
    else if (s < 3600)
        span = Localization::text("stop_span_min").arg(std::llround(double(s) / 60.0));
    else {
        const qint64 m = std::llround(double(s) / 60.0);
        span = Localization::text("stop_span_h").arg(m / 60).arg(m % 60, 2, 10, QLatin1Char('0'));
    }
    return Localization::text("Skipped a %1 stop").arg(span);
}
