#include "MovReader.h"

#include <QtEndian>

MovReader::MovReader(const QString& path)
    : file_(path)
{
    if (!file_.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot open %1").arg(path);
        return;
    }
    size_ = file_.size();
    top_ = children(0, size_);
    const MovAtom moov = find(top_, "moov");
    mdat_ = find(top_, "mdat");
    if (moov.type.isEmpty() || mdat_.type.isEmpty()) {
        error_ = QStringLiteral("no moov or mdat");
        return;
    }
    moovChildren_ = children(moov.pos + 8, moov.end());
    for (int i = 0; i < moovChildren_.size(); ++i) {
        const MovAtom& a = moovChildren_[i];
        if (a.type == "trak")
            readTrack(a);
        if (a.type == "udta") {
            const QList<MovAtom> kids = children(a.pos + 8, a.end());
            if (!kids.isEmpty())
                udtaChild_ = read(kids.first().pos + 4, kids.first().size - 4);
            if (i + 1 < moovChildren_.size()) {
                const MovAtom& next = moovChildren_[i + 1];
                const quint32 count = be32(next.pos + 12);
                if (next.size >= 16 && 16 + 8 * qint64(count) <= next.size) {
                    hasIndex_ = true;
                    for (quint32 k = 0; k < count; ++k)
                        index_ << be32(next.pos + 16 + 8 * k);
                }
            }
        }
    }
}

QByteArray MovReader::read(qint64 pos, qint64 n)
{
    if (pos < 0 || n < 0 || !file_.seek(pos))
        return {};
    return file_.read(n);
}

quint32 MovReader::be32(qint64 pos)
{
    const QByteArray b = read(pos, 4);
    return b.size() == 4 ? qFromBigEndian<quint32>(b.constData()) : 0;
}

QList<MovAtom> MovReader::children(qint64 start, qint64 end)
{
    QList<MovAtom> out;
    qint64 pos = start;
    while (pos + 8 <= end) {
        const QByteArray head = read(pos, 8);
        const qint64 size = qFromBigEndian<quint32>(head.constData());
        if (size < 8 || pos + size > end) {
            error_ = QStringLiteral("bad atom at %1").arg(pos);
            break;
        }
        out.append({pos, size, head.mid(4, 4)});
        pos += size;
    }
    return out;
}

MovAtom MovReader::find(const QList<MovAtom>& atoms, const char* type)
{
    for (const MovAtom& a : atoms)
        if (a.type == type)
            return a;
    return {};
}

void MovReader::readTrack(const MovAtom& trak)
{
    MovTrack t;
    t.trak = trak;
    const MovAtom mdia = find(children(trak.pos + 8, trak.end()), "mdia");
    const QList<MovAtom> mdiaKids = children(mdia.pos + 8, mdia.end());
    const MovAtom hdlr = find(mdiaKids, "hdlr");
    t.handler = read(hdlr.pos + 16, 4);
    const MovAtom minf = find(mdiaKids, "minf");
    const MovAtom stbl = find(children(minf.pos + 8, minf.end()), "stbl");
    const QList<MovAtom> tables = children(stbl.pos + 8, stbl.end());
    for (int i = 0; i < tables.size(); ++i) {
        const MovAtom& a = tables[i];
        if (a.type == "stsz") {
            const quint32 fixed = be32(a.pos + 12);
            const quint32 count = be32(a.pos + 16);
            for (quint32 s = 0; s < count; ++s)
                t.sampleSizes << (fixed ? fixed : be32(a.pos + 20 + 4 * s));
            t.stcoFollowsStsz = i + 1 < tables.size() && tables[i + 1].type == "stco";
        } else if (a.type == "stco") {
            const quint32 count = be32(a.pos + 12);
            for (quint32 c = 0; c < count; ++c)
                t.chunkOffsets << be32(a.pos + 16 + 4 * c);
        } else if (a.type == "stsc") {
            const quint32 count = be32(a.pos + 12);
            for (quint32 r = 0; r < 3 * count; ++r)
                t.samplesPerChunk << be32(a.pos + 16 + 4 * r);
        }
    }
    tracks_ << t;
}

GpsBlock MovReader::block(qint64 pos)
{
    GpsBlock b;
    b.pos = pos;
    const QByteArray bytes = read(pos, 188);
    if (bytes.size() != 188)
        return b;
    b.head = bytes.left(48);
    for (int i = 0; i < 3; ++i)
        b.readings[i] = qFromLittleEndian<qint32>(bytes.constData() + 48 + 4 * i);
    for (int i = 60; i < 188 && bytes[i] != 0; ++i)
        b.text += char(quint8(bytes[i]) - 0x0B);
    return b;
}
