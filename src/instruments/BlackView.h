// A view with an opaque black background, behind the G-sensor graph.
#pragma once

#include <QWidget>

class BlackView : public QWidget {
    Q_OBJECT
public:
    explicit BlackView(QWidget *parent = nullptr);
};
