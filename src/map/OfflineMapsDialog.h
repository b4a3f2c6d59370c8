// Setting ▸ Offline Maps…: the offline map sources (MBTiles files and z/x/y tile
// folders) with their name, zoom range and area; adding refuses what cannot be shown
// and says why in one sentence. Sources are inspected in the background, the dialog
// busy meanwhile. Also the "Use online maps" switch and the size of the cache of
// tiles seen online.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class Settings;

class OfflineMapsDialog : public QDialog {
    Q_OBJECT
public:
    // Shows and changes the map settings of `settings`.
    explicit OfflineMapsDialog(Settings &settings, QWidget *parent = nullptr);

    // Shows the one dialog of the program, creating it on first use.
    static OfflineMapsDialog *showDialog(Settings &settings, QWidget *parent = nullptr);

    // Inspects `path` and adds it when it can be shown; otherwise leaves the list as it
    // is and shows the reason. Ignored while another source is being added.
    void addSource(const QString &path);
    void removeSelected();
    // A source is being added.
    bool isBusy() const { return !adding_.isEmpty(); }

    QListWidget *list() const { return list_; }
    QLabel *message() const { return message_; }
    QCheckBox *onlineBox() const { return online_; }
    QSpinBox *cacheLimitBox() const { return cacheLimit_; }

signals:
    // The inspection of a source being added has ended: `added` when it is (or already was) listed.
    void sourceChecked(const QString &path, bool added);

protected:
    void changeEvent(QEvent *event) override;

private:
    void refresh();
    void retranslate();
    void inspected(const QString &path);
    void setBusy(const QString &adding);

    Settings &settings_;
    QListWidget *list_ = nullptr;
    QLabel *intro_ = nullptr;
    QLabel *message_ = nullptr;
    QCheckBox *online_ = nullptr;
    QLabel *cacheLabel_ = nullptr;
    QSpinBox *cacheLimit_ = nullptr;
    QPushButton *addFile_ = nullptr;
    QPushButton *addFolder_ = nullptr;
    QPushButton *remove_ = nullptr;
    QPushButton *close_ = nullptr;
    QString adding_;
};
