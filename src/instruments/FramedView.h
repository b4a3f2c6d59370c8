// A plain view with a thin rounded frame, inset 3 points from its edges; the
// panels use it to group their read-outs.
#pragma once

#include <QWidget>

class FramedView : public QWidget {
    Q_OBJECT
public:
    explicit FramedView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
