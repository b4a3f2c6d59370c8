// A split view whose divider drags are answered by its delegate (minimum,
// maximum and position for each divider), as the window layout wants them.
#pragma once

#include <QSplitter>

#include <functional>

class PaneSplitter : public QSplitter {
    Q_OBJECT
public:
    // proposed value, divider index (0 = between subviews 0 and 1) → answer
    using Answer = std::function<double(double proposed, int divider)>;

    explicit PaneSplitter(Qt::Orientation orientation, QWidget *parent = nullptr);

    Answer minAnswer;
    Answer maxAnswer;
    Answer positionAnswer;

    // A drag of `divider` to `proposed` (pixels along the split axis): asks for the
    // minimum, the maximum and the position, in that order, and moves the divider.
    void dragDivider(int divider, int proposed);
    // Where a divider is now (the start of the subview after it).
    int dividerPosition(int divider) const;

protected:
    QSplitterHandle *createHandle() override;
    // A change of the window's size keeps the subviews' shares of it (a collapsed one
    // stays collapsed).
    void resizeEvent(QResizeEvent *event) override;
};
