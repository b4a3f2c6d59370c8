// MovReader: a small reader of forged files for the tests, written apart from the
// forge: walks the atoms, reads the sample tables, the udta mark, the GPS index and the
// GPS blocks, so the tests can check the layout the readers rely on.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

struct MovAtom {
    qint64 pos = 0;
    qint64 size = 0;
    QByteArray type;
    qint64 end() const { return pos + size; }
};

struct MovTrack {
    MovAtom trak;
    QByteArray handler;             // "vide", "meta", ...
    QList<quint32> sampleSizes;     // stsz, the default size expanded
    QList<quint32> chunkOffsets;    // stco
    QList<quint32> samplesPerChunk; // stsc runs flattened to (first, count, description)
    bool stcoFollowsStsz = false;
};

struct GpsBlock {
    qint64 pos = 0;
    QByteArray head;  // 48 bytes
    qint32 readings[3] = {0, 0, 0};
    QByteArray text;  // restored sentence
};

class MovReader {
public:
    explicit MovReader(const QString& path);
    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    qint64 fileSize() const { return size_; }
    const QList<MovAtom>& topLevel() const { return top_; }
    const QList<MovAtom>& moovChildren() const { return moovChildren_; }
    const QList<MovTrack>& tracks() const { return tracks_; }
    // The content of udta's first child, type included (what the detection reads).
    QByteArray udtaFirstChild() const { return udtaChild_; }
    // Block positions listed by the atom that directly follows udta, if any.
    QList<quint32> indexEntries() const { return index_; }
    bool hasIndex() const { return hasIndex_; }
    MovAtom mdat() const { return mdat_; }

    QByteArray read(qint64 pos, qint64 n);
    GpsBlock block(qint64 pos);

private:
    QList<MovAtom> children(qint64 start, qint64 end);
    static MovAtom find(const QList<MovAtom>& atoms, const char* type);
    quint32 be32(qint64 pos);
    void readTrack(const MovAtom& trak);

    QFile file_;
    QString error_;
    qint64 size_ = 0;
    QList<MovAtom> top_, moovChildren_;
    QList<MovTrack> tracks_;
    QByteArray udtaChild_;
    QList<quint32> index_;
    bool hasIndex_ = false;
    MovAtom mdat_;
};
