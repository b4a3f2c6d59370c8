#include "ui/AboutWindowView.h"

#include "common/Localization.h"
#include "common/NamedImage.h"

#include <QEvent>
#include <QLabel>
#include <QVBoxLayout>

AboutWindowView::AboutWindowView(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("AboutWindowView"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);

    auto *logo = new QLabel(this);
    logo->setAlignment(Qt::AlignCenter);
    logo->setPixmap(NamedImage::pixmap(QStringLiteral("about"), QSize(360, 240), devicePixelRatioF()));

    shouVersion = new QLabel(versionText(QStringLiteral(VELTRA_VERSION)), this);
    shouVersion->setAlignment(Qt::AlignCenter);
    QFont f = shouVersion->font();
    f.setPointSize(12);
    shouVersion->setFont(f);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(logo, 1);
    layout->addWidget(shouVersion);
    setFixedSize(400, 320);
    retranslate();
}

QString AboutWindowView::versionText(const QString &version)
{
    QString text = QStringLiteral("Veltra Player:MPH&KMH Version %@");
    return text.replace(QLatin1String("%@"), version);
}

void AboutWindowView::retranslate()
{
    setWindowTitle(Localization::text("About"));
}

void AboutWindowView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        retranslate();
    QWidget::changeEvent(event);
}
