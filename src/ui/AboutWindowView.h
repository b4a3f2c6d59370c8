// The About window, the one place that tells what the program is: black, with the
// program's name and version, and the licence it comes under (the repository's LICENSE).
#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

class AboutWindowView : public QWidget {
    Q_OBJECT
public:
    explicit AboutWindowView(QWidget *parent = nullptr);

    // "Veltra Player:MPH&KMH Version <version>".
    static QString versionText(const QString &version);

    QLabel *shouVersion = nullptr;
    QPlainTextEdit *licence = nullptr;

    // The licence's text, empty when the resource is missing.
    static QString licenceText();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
};
