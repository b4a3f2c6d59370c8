#include "PlayListModel.h"

#include "drive/PlayListRules.h"
#include "drive/PlayListTrips.h"
#include "common/Localization.h"
#include "common/NamedImage.h"

#include "ClipTime.h"

#include <QColor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextDocument>

#include <algorithm>

namespace {

constexpr QSize kLockSize(15, 15);
const char *const kTitles[PlayListModel::ColumnCount] = {"No.", "Filename", "Time & Date", "Protected"};

// A moment of several cameras is one row: the tooltip says which camera the picture
// shows and which are shown beside it.
QString camerasTip(const QString &path)
{
    const QList<char> channels = PlayListRules::momentChannels(path);
    if (channels.size() < 2)
        return QString();
    const char own = ClipTime::channel(PlayListRules::localPath(path).toStdString());
    QStringList others;
    for (char c : channels)
        if (c != own)
            others << PlayListTrips::cameraName(c);
    return Localization::text("playlist_minute_cameras_tip").arg(PlayListTrips::cameraName(own), others.join(QStringLiteral(", ")));
}

} // namespace

PlayListModel::PlayListModel(QObject *parent) : QAbstractTableModel(parent)
{
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    lock_ = NamedImage::pixmap(QStringLiteral("lock"), kLockSize, dpr);
}

void PlayListModel::setPlayList(const PlayList &list)
{
    beginResetModel();
    list_ = list;
    cells_.clear();
    cells_.reserve(list_.size());
    tripOfRow_.clear();
    captions_.clear();
    captionTips_.clear();
    rowTips_.clear();
    for (int row = 0; row < list_.size(); ++row) {
        const QString &path = list_.at(row).path;
        const bool locked = PlayListRules::isProtectedFile(path);
        const QString time = PlayListRules::timeAndDateText(path);
        cells_.append({PlayListRules::rowNumberText(row), PlayListRules::abbreviationFile(path), time, time, locked,
                       locked && !QFileInfo::exists(PlayListRules::localPath(path)), camerasTip(path),
                       PlayListRules::problemText(list_.at(row).health)});
    }
    endResetModel();
}

bool PlayListModel::isMissingRow(int row) const
{
    return row >= 0 && row < cells_.size() && cells_.at(row).missing;
}

void PlayListModel::setTrips(const QList<int> &tripOfRow, const QHash<int, QString> &captions,
                             const QHash<int, QString> &captionTips, const QList<QString> &rowTips)
{
    tripOfRow_ = tripOfRow;
    captions_ = captions;
    captionTips_ = captionTips;
    rowTips_ = rowTips;
    if (!cells_.isEmpty())
        emit dataChanged(index(0, 0), index(int(cells_.size()) - 1, ColumnCount - 1));
}

void PlayListModel::setTimes(const QList<QString> &times)
{
    for (qsizetype row = 0; row < cells_.size(); ++row)
        cells_[row].timeDate = times.value(row).isEmpty() ? cells_[row].nameTime : times.value(row);
    if (!cells_.isEmpty())
        emit dataChanged(index(0, ColTimeDate), index(int(cells_.size()) - 1, ColTimeDate));
}

bool PlayListModel::isProtectedRow(int row) const
{
    return row >= 0 && row < cells_.size() && cells_.at(row).locked;
}

void PlayListModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

QString PlayListModel::columnTitle(int column)
{
    if (column < 0 || column >= ColumnCount)
        return QString();
    return Localization::text(kTitles[column]);
}

int PlayListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(cells_.size());
}

int PlayListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlayListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= cells_.size())
        return QVariant();
    const Cells &c = cells_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColNumber: return c.number;
        case ColFilename: return c.filename;
        case ColTimeDate:
            // A file that cannot play whole says so where its time stands.
            if (!c.problem.isEmpty())
                return c.problem;
            return c.timeDate.isEmpty() ? QVariant() : QVariant(c.timeDate);
        default: return QVariant();
        }
    case Qt::DecorationRole:
        if (index.column() == ColProtected && c.locked)
            return lock_;
        return QVariant();
    case TripCaptionRole:
        return captions_.value(index.row());
    case TripCaptionToolTipRole:
        return captionTips_.value(index.row());
    case Qt::BackgroundRole:
        if (tripOfRow_.value(index.row(), -1) % 2 == 1)
            return QColor(234, 240, 250);
        return QVariant();
    case Qt::ForegroundRole:
        if (c.missing)
            return QColor(150, 150, 150);
        if (!c.problem.isEmpty() && index.column() == ColTimeDate)
            return QColor(190, 30, 30);
        return QVariant();
    case Qt::ToolTipRole:
        // A tooltip that looks like markup is shown as markup: the name goes in escaped.
        if (index.column() == ColFilename) {
            QString tip = c.missing ? Localization::text("playlist_missing_tip").arg(c.filename) : c.filename;
            if (!c.cameras.isEmpty())
                tip += QLatin1Char('\n') + c.cameras;
            return Qt::convertFromPlainText(tip, Qt::WhiteSpaceNoWrap);
        }
        if (index.column() == ColTimeDate && !c.problem.isEmpty())
            return c.timeDate.isEmpty() ? c.problem : c.timeDate + QLatin1Char('\n') + c.problem;
        if (index.column() == ColTimeDate && !c.timeDate.isEmpty())
            return rowTips_.value(index.row()).isEmpty() ? c.timeDate
                                                         : c.timeDate + QLatin1Char('\n') + rowTips_.value(index.row());
        if (!rowTips_.value(index.row()).isEmpty())
            return rowTips_.value(index.row());
        return QVariant();
    case Qt::TextAlignmentRole:
        if (index.column() == ColNumber || index.column() == ColProtected)
            return int(Qt::AlignCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant PlayListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return QVariant();
    if (role == Qt::DisplayRole)
        return columnTitle(section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return QVariant();
}

Qt::ItemFlags PlayListModel::flags(const QModelIndex &index) const
{
    // Rows are not drop targets themselves, so a drop always lands between rows
    // (or below the last one).
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList PlayListModel::mimeTypes() const
{
    return {QString::fromLatin1(PlayListRules::kDragType)};
}

QMimeData *PlayListModel::mimeData(const QModelIndexList &indexes) const
{
    QList<int> rows;
    for (const QModelIndex &i : indexes)
        if (i.isValid() && !rows.contains(i.row()))
            rows << i.row();
    if (rows.isEmpty())
        return nullptr;
    std::sort(rows.begin(), rows.end());
    auto *data = new QMimeData;
    data->setData(QString::fromLatin1(PlayListRules::kDragType), PlayListRules::encodeRows(rows));
    return data;
}

bool PlayListModel::canDropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                    const QModelIndex &parent) const
{
    Q_UNUSED(row);
    Q_UNUSED(column);
    Q_UNUSED(parent);
    return data && (action == Qt::MoveAction || action == Qt::CopyAction) &&
           data->hasFormat(QString::fromLatin1(PlayListRules::kDragType));
}

bool PlayListModel::dropMimeData(const QMimeData *data, Qt::DropAction action, int row, int column,
                                 const QModelIndex &parent)
{
    if (!canDropMimeData(data, action, row, column, parent))
        return false;
    QList<int> rows;
    for (int r : PlayListRules::decodeRows(data->data(QString::fromLatin1(PlayListRules::kDragType))))
        if (r >= 0 && r < cells_.size())
            rows << r;
    if (rows.isEmpty())
        return false;
    int destination = row;
    if (destination < 0)
        destination = parent.isValid() ? parent.row() : int(cells_.size());
    emit rowsDropped(rows, destination);
    return true;
}

Qt::DropActions PlayListModel::supportedDragActions() const
{
    return Qt::MoveAction;
}

Qt::DropActions PlayListModel::supportedDropActions() const
{
    return Qt::MoveAction;
}
