// The G-sensor graph: the three axes of the active file over a scale of -3 g to
// +3 g, traced from the file's first entry up to the current one, so the graph
// grows to the right while the file plays. Entry k always lands at the same x.
#pragma once

#include <QList>
#include <QWidget>

#include <array>

class CustomGsensorView : public QWidget {
    Q_OBJECT
public:
    using Entry = std::array<float, 3>;   // x, y, z in g

    explicit CustomGsensorView(QWidget *parent = nullptr);

    // Replaces the list (shared with the trip panel); drawn at the next index update.
    void setGsensorArray(const QList<Entry> &list);
    const QList<Entry> &gsensorArray() const { return gsensorArray_; }
    // Stores the current entry and redraws.
    void updateGsensorRange(int index);
    int index() const { return index_; }

    QSize sizeHint() const override { return QSize(600, 130); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Entry> gsensorArray_;
    int index_ = 0;
    bool listChanged_ = false;
};
