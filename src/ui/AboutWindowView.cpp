#include "ui/AboutWindowView.h"

#include "common/Localization.h"
#include "common/NamedImage.h"

#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
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

    licence = new QPlainTextEdit(licenceText(), this);
    licence->setObjectName(QStringLiteral("aboutLicence"));
    licence->setReadOnly(true);
    licence->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    licence->setFrameShape(QFrame::NoFrame);
    licence->setStyleSheet(QStringLiteral("QPlainTextEdit { background: #161616; color: #d8d8d8; }"));
    QFont small = licence->font();
    small.setPointSize(9);
    licence->setFont(small);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->addWidget(logo, 1);
    layout->addWidget(shouVersion);
    layout->addSpacing(10);
    layout->addWidget(licence, 1);
    setFixedSize(480, 560);
    retranslate();
}

QString AboutWindowView::versionText(const QString &version)
{
    QString text = QStringLiteral("Veltra Player:MPH&KMH Version %@");
    return text.replace(QLatin1String("%@"), version);
}

QString AboutWindowView::licenceText()
{
    QFile f(QStringLiteral(":/about/LICENSE"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    // The file breaks its lines for a terminal; the window wraps them itself, so each
    // paragraph becomes one line.
    QStringList paragraphs;
    for (const QString &p : QString::fromUtf8(f.readAll()).trimmed().split(QStringLiteral("\n\n")))
        paragraphs << p.simplified();
    return paragraphs.join(QStringLiteral("\n\n"));
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
