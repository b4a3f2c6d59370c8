// "Blur marked areas" in the export dialogs: a check box, pixelated or Gaussian, and a
// strength from 1 to 10; and the incident export's small dialog that shows the first
// frame of the export as it will be written, blurred, before the save panel.
#pragma once

#include "redact/Blur.h"

#include <QDialog>
#include <QFuture>
#include <QGroupBox>
#include <QImage>

#include <functional>

class QComboBox;
class QLabel;
class QSlider;
class QTimer;

class BlurChoiceBox : public QGroupBox {
    Q_OBJECT
public:
    explicit BlurChoiceBox(QWidget *parent = nullptr);
    BlurChoice choice() const;
    void setChoice(const BlurChoice &choice);
    // The blur to apply: none when the box is unchecked.
    std::optional<BlurOptions> blur() const;

signals:
    void changed();

private:
    QComboBox *style_ = nullptr;
    QSlider *strength_ = nullptr;
    QLabel *value_ = nullptr;
};

class IncidentBlurDialog : public QDialog {
    Q_OBJECT
public:
    explicit IncidentBlurDialog(const BlurChoice &choice, QWidget *parent = nullptr);
    // The preview of a blur (none: the frame as it is), made without holding the window.
    std::function<QFuture<QImage>(const std::optional<BlurOptions> &)> previewer;
    BlurChoice choice() const;
    std::optional<BlurOptions> blur() const;
    QImage previewImage() const { return preview_; }
    void refreshPreview();

signals:
    void previewShown();

private:
    BlurChoiceBox *box_ = nullptr;
    QLabel *picture_ = nullptr;
    QTimer *later_ = nullptr;
    QImage preview_;
    int asked_ = 0;
};
