// A plain view with a thin rounded frame, inset 3 points from its edges; the
// panels use it to group their read-outs.
#pragma once

#include <QWidget>

class KTView : public QWidget {
    Q_OBJECT
public:
    explicit KTView(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
