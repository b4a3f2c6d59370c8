// An image view that shows a named image fitted into its rectangle and turned
// about the rectangle's centre. The turn replaces the previous one; the
// direction (clockwise or counter-clockwise on screen) is fixed per view.
#pragma once

#include <QPixmap>
#include <QString>
#include <QWidget>

class RotatedImageView : public QWidget {
    Q_OBJECT
public:
    explicit RotatedImageView(const QString &imageName = QString(), bool clockwise = true,
                              QWidget *parent = nullptr);

    void setImageName(const QString &name);
    QString imageName() const { return imageName_; }
    // Radians; positive turns in this view's direction.
    void setRotation(double radians);
    double rotation() const { return rotation_; }
    bool clockwise() const { return clockwise_; }

    // The rectangle (widget coordinates) that the unturned image fills.
    QRectF imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QString imageName_;
    bool clockwise_;
    double rotation_ = 0;
    QPixmap cache_;
};
