#include "BlurMarks.h"

#include "MarkGestures.h"
#include "MarkShapes.h"
#include "PictureMarks.h"
#include "PlayerEvents.h"
#include "TelemetryTimeline.h"
#include "common/Localization.h"
#include "media/MediaEngine.h"

BlurMarks::BlurMarks(MediaEngine &engine, MarkGestures *gestures, TelemetryTimeline *timeline,
                     const PlayerEvents *events, std::function<QString()> currentFile, QObject *parent)
    : QObject(parent), engine_(engine), gestures_(gestures), timeline_(timeline), events_(events),
      currentFile_(std::move(currentFile))
{
    connect(timeline_, &TelemetryTimeline::markBandClicked, this, [this](int id) {
        if (PictureMarks *marks = gestures_->marks())
            marks->choose(currentFile_(), id);
    });
}

void BlurMarks::setMarks(PictureMarks *marks)
{
    if (PictureMarks *before = gestures_->marks())
        before->disconnect(this);
    gestures_->setMarks(marks);
    if (marks)
        connect(marks, &PictureMarks::changed, this, &BlurMarks::showBands);
    showBands();
}

void BlurMarks::showBands()
{
    PictureMarks *marks = gestures_->marks();
    const QString file = currentFile_();
    timeline_->setMarkBands(MarkShapes::onAxis(marks && !file.isEmpty() ? marks->bandsOf(file) : QList<MarkBand>(),
                                   events_->tripOffset()));
}

void BlurMarks::markArea()
{
    if (!engine_.isReady())
        return;
    if (engine_.isPlaying())
        engine_.playOrPause();
    gestures_->arm();
    emit message(Localization::text("Drag a box around what to blur"), 2.0f);
}
