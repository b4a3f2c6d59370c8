// The About window: black, with the program's name and version.
#pragma once

#include <QWidget>

class QLabel;

class AboutWindowView : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindowView(QWidget *parent = nullptr);

    // "Veltra Player:MPH&KMH Version <version>".
    static QString versionText(const QString &version);

    QLabel *shouVersion = nullptr;

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
};
