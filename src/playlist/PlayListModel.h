// The play list as the table sees it: four columns ("No.", "Filename",
// "Time & Date", "Protected") over a working copy of the stored list. The cell
// texts and the lock mark are worked out once per reload, not on every paint.
// Rows are dragged under "BasicTableViewDragAndDropDataType"; a drop only reports
// where the rows should go (rowsDropped), the owner reorders the list.
#pragma once

#include "store/PlayListEntry.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>

class PlayListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColNumber = 0, ColFilename, ColTimeDate, ColProtected, ColumnCount };
    // The caption of the trip that starts at this row (a text on every column of the
    // row), none on the other rows.
    static constexpr int TripCaptionRole = Qt::UserRole + 1;
    // The tooltip of that caption: the trip's camera clock.
    static constexpr int TripCaptionToolTipRole = Qt::UserRole + 2;

    explicit PlayListModel(QObject *parent = nullptr);

    // Replaces the rows (the table reloads).
    void setPlayList(const PlayList &list);
    const PlayList &playList() const { return list_; }
    bool isProtectedRow(int row) const;
    // The file is gone from disk (a card taken out).
    bool isMissingRow(int row) const;

    // Which trip each row belongs to (-1: none) and the captions by the row they stand
    // above; rows of every other trip get a tinted background. The tips say the camera
    // clock of a caption's trip and of each row's clip.
    void setTrips(const QList<int> &tripOfRow, const QHash<int, QString> &captions,
                  const QHash<int, QString> &captionTips = {}, const QList<QString> &rowTips = {});

    // The "Time & Date" of each row on the chosen clock; an empty text keeps the name's.
    void setTimes(const QList<QString> &times);

    // The header titles follow the installed language.
    void retranslate();
    static QString columnTitle(int column);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    QStringList mimeTypes() const override;
    QMimeData *mimeData(const QModelIndexList &indexes) const override;
    bool canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                         const QModelIndex &parent) const override;
    bool dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                      const QModelIndex &parent) override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

signals:
    // `rows` were dropped to sit before row `destination` (rowCount = at the end).
    void rowsDropped(const QList<int> &rows, int destination);

private:
    struct Cells {
        QString number;
        QString filename;
        QString timeDate;
        QString nameTime;   // the time the name gives
        bool locked = false;
        bool missing = false;
        QString cameras;   // what the tooltip says of the other cameras of a six-camera minute
        QString problem;   // what is wrong with the file ("Not a video"), empty when nothing
    };
    PlayList list_;
    QList<int> tripOfRow_;
    QHash<int, QString> captions_, captionTips_;
    QList<QString> rowTips_;
    QList<Cells> cells_;
    QPixmap lock_;
};
