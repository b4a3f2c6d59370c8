#include "PlayListRules.h"

#include "common/Localization.h"
#include "ClipTime.h"

#include <QDataStream>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRegularExpression>
#include <QTime>
#include <QUrl>

#include <algorithm>
#include <cmath>

QString PlayListRules::rowNumberText(int row)
{
    return QString::number(row + 1);
}

QString PlayListRules::abbreviationFile(const QString &path)
{
    // Read as a path, so that "?", "#" and ":" stay part of the name and a "%"
    // without two hex digits after it stays a "%".
    QUrl name;
    name.setPath(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1), QUrl::TolerantMode);
    return name.path(QUrl::FullyDecoded);
}

QString PlayListRules::timeAndDateText(const QString &path)
{
    QString name = abbreviationFile(path);
    static const QRegularExpression dashed(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})_(\\d{2})-(\\d{2})-(\\d{2})"));
    if (const QRegularExpressionMatch m = dashed.match(name); m.hasMatch())
        name = m.captured(1) + m.captured(2) + m.captured(3) + m.captured(4) + m.captured(5) + m.captured(6);
    name.remove(QStringLiteral(".MOV"), Qt::CaseSensitive);
    name.remove(QLatin1Char('_'));
    if (name.size() < 14)
        return QString();
    for (qsizetype k = 0; k < 14; ++k)
        if (name.at(k) < QLatin1Char('0') || name.at(k) > QLatin1Char('9'))
            return QString();
    const QString year = name.mid(0, 4);
    const QString month = name.mid(4, 2);
    const QString day = name.mid(6, 2);
    const QString hour = name.mid(8, 2);
    const QString minute = name.mid(10, 2);
    const QString second = name.mid(12, 2);
    if (!QDate(year.toInt(), month.toInt(), day.toInt()).isValid() ||
        !QTime::isValid(hour.toInt(), minute.toInt(), second.toInt()))
        return QString();
    return QStringLiteral("%1-%2-%3 %4:%5:%6").arg(year, month, day, hour, minute, second);
}

QStringList PlayListRules::minuteCameras(const QString &path)
{
    static const char *const kWords[] = {"front", "back", "left_repeater", "right_repeater", "left_pillar",
                                         "right_pillar"};
    static const QRegularExpression form(
        QStringLiteral("^(\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}-)(front|back|left_repeater|right_repeater|"
                       "left_pillar|right_pillar)(\\.[^.]*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QFileInfo file(localPath(path));
    const QRegularExpressionMatch m = form.match(file.fileName());
    if (!m.hasMatch())
        return {};
    QStringList cameras;
    for (const char *word : kWords) {
        const QString camera = QString::fromLatin1(word);
        if (camera.compare(m.captured(2), Qt::CaseInsensitive) == 0 ||
            QFileInfo::exists(file.dir().filePath(m.captured(1) + camera + m.captured(3))))
            cameras << camera;
    }
    return cameras;
}

QList<char> PlayListRules::momentChannels(const QString &path)
{
    const QString local = localPath(path);
    const char own = ClipTime::channel(local.toStdString());
    if (!own)
        return {};
    QList<char> channels;
    const QStringList words = minuteCameras(path);
    if (!words.isEmpty()) {
        for (const QString &w : words)
            channels << ClipTime::channel("-" + w.toStdString());
        return channels;
    }
    // The letter after the number, just before the extension, in the name's case.
    const QFileInfo file(local);
    const QString stem = file.completeBaseName();
    const QString suffix = file.suffix().isEmpty() ? QString() : QLatin1Char('.') + file.suffix();
    const bool lower = stem.back().isLower();
    for (const char c : {'F', 'R', 'I'}) {
        const QChar letter = lower ? QChar(QLatin1Char(c)).toLower() : QChar(QLatin1Char(c));
        if (c == own || QFileInfo::exists(file.dir().filePath(stem.chopped(1) + letter + suffix)))
            channels << c;
    }
    return channels.contains(own) ? channels : QList<char>{own};
}

QString PlayListRules::localPath(const QString &path)
{
    const QUrl url(path);
    return url.isLocalFile() ? url.toLocalFile() : path;
}

bool PlayListRules::isProtectedFile(const QString &path)
{
    const QString local = localPath(path);
    if (local.isEmpty())
        return true;
    const QFileInfo info(local);
    if (!info.exists() || !info.isReadable() || !info.isWritable())
        return true;
    const QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !(info.permissions() & anyWrite);
}

QList<int> PlayListRules::columnWidths(int available)
{
    QList<int> widths{25, 130, 110, 70};
    int extra = available;
    for (int w : widths)
        extra -= w;
    if (extra <= 0)
        return widths;
    const int share = extra / int(widths.size());
    widths[1] += 2 * share;
    widths[2] += share;
    widths[3] += extra - 3 * share;
    return widths;
}

QList<int> PlayListRules::movedOrder(int count, const QList<int> &rows, int destination)
{
    QList<int> order;
    if (count <= 0)
        return order;
    destination = std::clamp(destination, 0, count);
    QList<bool> moving(count, false);
    QList<int> moved;
    for (int r : rows) {
        if (r >= 0 && r < count && !moving[r]) {
            moving[r] = true;
            moved << r;
        }
    }
    std::sort(moved.begin(), moved.end());
    QList<int> rest;
    int insertAt = 0;
    for (int k = 0; k < count; ++k) {
        if (moving[k])
            continue;
        if (k < destination)
            ++insertAt;
        rest << k;
    }
    order = rest.mid(0, insertAt);
    order += moved;
    order += rest.mid(insertAt);
    return order;
}

QByteArray PlayListRules::encodeRows(const QList<int> &rows)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << qint32(rows.size());
    for (int r : rows)
        out << qint32(r);
    return data;
}

QList<int> PlayListRules::decodeRows(const QByteArray &data)
{
    QDataStream in(data);
    in.setVersion(QDataStream::Qt_6_0);
    qint32 n = 0;
    in >> n;
    // Each row takes four bytes: a count the payload cannot hold is malformed.
    if (in.status() != QDataStream::Ok || n < 0 || qint64(n) * 4 > data.size() - 4)
        return {};
    QList<int> rows;
    rows.reserve(n);
    for (qint32 k = 0; k < n; ++k) {
        qint32 r = 0;
        in >> r;
        if (in.status() != QDataStream::Ok)
            return {};
        rows << r;
    }
    return rows;
}

QString PlayListRules::refusalText(const QStringList &lines, int most)
{
    most = std::max(1, most);
    if (lines.size() <= most + 1)
        return lines.join(QLatin1Char('\n'));
    return lines.mid(0, most).join(QLatin1Char('\n')) + QLatin1Char('\n')
           + Localization::text("…and %1 more files that could not be added.").arg(lines.size() - most);
}

QString PlayListRules::problemText(const RecordingHealth &health)
{
    switch (health.kind) {
    case RecordingHealth::Kind::Whole:
    case RecordingHealth::Kind::Unreadable:
        return QString();
    case RecordingHealth::Kind::Empty:
        return Localization::text("Empty file");
    case RecordingHealth::Kind::NotAVideo:
        return Localization::text("Not a video");
    case RecordingHealth::Kind::NoMovieHeader:
        return Localization::text("Cut short: no movie header");
    case RecordingHealth::Kind::EndsEarly: {
        const int s = int(std::floor(std::max(0.0, health.playableSeconds)));
        return Localization::text("Ends early at %1").arg(QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0')));
    }
    }
    return QString();
}
