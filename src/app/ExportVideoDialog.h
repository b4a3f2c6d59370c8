// File ▸ Export Video…: what to export (the marked segment, the clip or its whole trip),
// the overlay's layout and which of its elements to draw, how much of the place to give
// away, or the overlay alone for a video editor; with a preview of the first frame as it
// will be written.
#pragma once

#include "BlurChoice.h"
#include "OverlayExport.h"

#include <QDialog>
#include <QFuture>
#include <QMap>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QTimer;

class ExportVideoDialog : public QDialog {
    Q_OBJECT
public:
    enum class Scope { Segment, Clip, Trip };

    ExportVideoDialog(bool hasSegment, bool hasTrip, ExportLocation location, QWidget *parent = nullptr);

    // The preview of a choice, made without holding the window; asked a moment after
    // the choice changes. previewShown() follows when it is on screen.
    std::function<QFuture<QImage>(Scope, const OverlayOptions &)> previewer;

    Scope scope() const;
    // The layout and elements as a text to remember ("corners:speed,time,map"), and back;
    // an unknown word is passed over, an empty text keeps the defaults.
    QString choice() const;
    void setChoice(const QString &choice);
    // The choice (the speed unit and the clock are the caller's).
    OverlayOptions options() const;
    // "Blur marked areas", shown when the clips have marks (`marks` of them).
    void setMarks(int marks);
    BlurChoice blurChoice() const;
    void setBlurChoice(const BlurChoice &choice);
    QImage previewImage() const { return preview_; }
    // Asks for the preview of the choice now.
    void refreshPreview();

signals:
    // The preview asked for last is shown (a null image: it could not be made).
    void previewShown();

private:
    QComboBox *scope_ = nullptr;
    QComboBox *style_ = nullptr;
    QComboBox *location_ = nullptr;
    QCheckBox *alpha_ = nullptr;
    BlurChoiceBox *blur_ = nullptr;
    QMap<OverlayElement, QCheckBox *> elements_;
    QLabel *picture_ = nullptr;
    QTimer *later_ = nullptr;
    QImage preview_;
    int asked_ = 0;   // the preview asked for last; an older one that comes late is dropped
};
