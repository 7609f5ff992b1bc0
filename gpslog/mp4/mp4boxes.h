#ifndef MP4BOXES_H
#define MP4BOXES_H

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <optional>

class QIODevice;

// Where one box of an MP4/QuickTime file lies; its payload is not read.
struct Mp4Box
{
    quint32 Type = 0;
    // First byte of the header, from the start of the file.
    qint64 Offset = 0;
    // 8, or 16 with a 64-bit size; 0 for the whole file.
    qint64 HeaderSize = 0;
    // Header and payload together.
    qint64 Size = 0;
    // 1 for a top-level box, 0 for the whole file.
    int Depth = 0;

    qint64 PayloadOffset() const { return Offset + HeaderSize; }
    qint64 PayloadSize() const { return Size - HeaderSize; }
    qint64 End() const { return Offset + Size; }
};

// Finds the boxes of an MP4/QuickTime file by seeking from header to header,
// so a recording of many gigabytes costs no more than a small one. Damaged
// files give fewer boxes, never a hang: every box must lie inside its parent
// (one that claims more bytes than its parent has left is dropped, and so is
// all that follows it at that level), must be at least as long as its
// header, and nothing deeper than MaxDepth levels is looked at.
class Mp4Boxes
{
public:
    static constexpr int MaxDepth = 16;
    // No level lists more boxes than this.
    static constexpr int MaxBoxesPerLevel = 1 << 16;

    // The device must be open for reading and random access; it is not
    // owned and must outlive this object.
    explicit Mp4Boxes(QIODevice &Device);

    // False for a closed or sequential device: nothing is found then.
    bool IsReadable() const { return Readable; }
    qint64 FileSize() const { return Bytes; }

    // The whole file, as the parent of the top-level boxes.
    Mp4Box Root() const;

    // The boxes directly inside Parent, in file order; for boxes whose
    // payload starts with fields of their own, Skip passes over them.
    QList<Mp4Box> Children(const Mp4Box &Parent, qint64 Skip = 0) const;

    // The first box along a path of four-character types separated by '/',
    // such as "moov/trak/mdia/hdlr", from the top level or from Parent.
    std::optional<Mp4Box> Find(QByteArrayView Path) const;
    std::optional<Mp4Box> Find(const Mp4Box &Parent, QByteArrayView Path) const;
    // Every box along that path ("moov/trak" gives each track).
    QList<Mp4Box> FindAll(const Mp4Box &Parent, QByteArrayView Path) const;

    // At most MaxBytes of the payload (less where the file ends sooner).
    QByteArray ReadPayload(const Mp4Box &Box, qint64 MaxBytes) const;
    // Size bytes at Offset, or fewer where the file ends; nothing for an
    // offset outside the file.
    QByteArray Read(qint64 Offset, qint64 Size) const;

    static constexpr quint32 FourCc(const char (&Text)[5])
    {
        return quint32(quint8(Text[0])) << 24 | quint32(quint8(Text[1])) << 16 | quint32(quint8(Text[2])) << 8
            | quint32(quint8(Text[3]));
    }
    static QByteArray TypeName(quint32 Type);

private:
    std::optional<Mp4Box> BoxAt(qint64 Offset, qint64 ParentEnd, int Depth) const;
    void Collect(const Mp4Box &Parent, const QList<quint32> &Path, qsizetype Step, bool FirstOnly,
                 QList<Mp4Box> &Found) const;
    static bool ParsePath(QByteArrayView Path, QList<quint32> &Types);

    QIODevice &Device;
    bool Readable = false;
    qint64 Bytes = 0;
};

#endif // MP4BOXES_H
