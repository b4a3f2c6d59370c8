// The compact list of the driving events of the playing file: time, kind and strength
// per row, and the two mark buttons. A small tool window of the main window; it only
// shows what it is given and says which row was activated.
#pragma once

#include "TelemetryEvents.h"

#include <QElapsedTimer>
#include <QFrame>
#include <QStringList>

#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

class EventsListView : public QFrame {
    Q_OBJECT
public:
    explicit EventsListView(QWidget *parent = nullptr);

    // Events of a trip also name their clip: `clips[i]` is the clip of event i, which
    // starts `offsets[i]` seconds into the trip; the time shown is the clip's own.
    void setEvents(const std::vector<TelemetryEvent> &events, bool kmph, const QStringList &clips = {},
                   const QList<double> &offsets = {});
    int rowCount() const;

    // The texts of one row: time, kind, strength.
    static QString timeText(const TelemetryEvent &e, double offset = 0.0);
    static QString kindText(EventKind kind);
    static QString strengthText(const TelemetryEvent &e, bool kmph);

signals:
    // A row was clicked or activated (Enter): the event's time in seconds.
    void eventActivated(double seconds);
    void markInRequested();
    void markOutRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void retranslate();
    void fill();

    std::vector<TelemetryEvent> events_;
    QStringList clips_;
    QList<double> offsets_;
    bool kmph_ = true;
    int clickedRow_ = -1;      // the row clicked last, while a double click may follow
    QElapsedTimer clicked_;
    QLabel *emptyLabel_ = nullptr;
    QTreeWidget *table_ = nullptr;
    QPushButton *markInButton_ = nullptr;
    QPushButton *markOutButton_ = nullptr;
};
