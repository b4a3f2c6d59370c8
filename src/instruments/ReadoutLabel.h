// A single-line text on a black tag whose right end is an arrow point 10 points
// deep; the trip panel's captions.
#pragma once

#include <QLabel>

class ReadoutLabel : public QLabel {
    Q_OBJECT
public:
    explicit ReadoutLabel(QWidget *parent = nullptr);
    explicit ReadoutLabel(const QString &text, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
