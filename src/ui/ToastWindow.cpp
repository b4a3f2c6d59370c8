#include "ToastWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

ToastWindow::ToastWindow(const QString &text, QWidget *anchor)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus),
      text_(text)
{
    Q_UNUSED(anchor);
    setObjectName(QStringLiteral("ToastWindow"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    textLabel = new QLabel(this);
    // Toasts repeat file names and callers' words: never markup.
    textLabel->setTextFormat(Qt::PlainText);
    textLabel->setText(text);
    textLabel->setAlignment(Qt::AlignCenter);
    QFont f = textLabel->font();
    f.setPointSize(14);
    f.setBold(true);
    textLabel->setFont(f);
    textLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(28, 14, 28, 14);
    layout->addWidget(textLabel);
    setMinimumSize(120, 52);
    adjustSize();
}

void ToastWindow::showCentred(QWidget *anchor)
{
    QRect area;
    if (anchor && anchor->isVisible())
        area = QRect(anchor->mapToGlobal(QPoint(0, 0)), anchor->size());
    else if (QScreen *s = QGuiApplication::primaryScreen())
        area = s->availableGeometry();
    adjustSize();
    // Too long for one line over the window: wrapped to four fifths of it, at a path's
    // slashes too, so that nothing of the message is cut off.
    const int widest = std::max(240, area.width() * 4 / 5);
    if (width() > widest) {
        QString breakable = text_;
        breakable.replace(QLatin1Char('/'), QStringLiteral("/\u200B"));
        textLabel->setText(breakable);
        textLabel->setWordWrap(true);
        const QMargins m = layout()->contentsMargins();
        const int h = textLabel->heightForWidth(widest - m.left() - m.right()) + m.top() + m.bottom();
        setFixedSize(widest, std::max(minimumHeight(), h));
    }
    QPoint p = area.center() - QPoint(width() / 2, height() / 2);
    p.ry() += area.height() / 6;
    move(p);
    show();
    raise();
}

void ToastWindow::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    p.fillPath(path, QColor(20, 20, 22, 215));
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    p.drawPath(path);
}

void ToastWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}
