#include "mp4boxes.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 CompactHeaderSize = 8;
constexpr qint64 LargeHeaderSize = 16;
// A 32-bit size of 1 announces a 64-bit size after the type; 0 means the box
// runs to the end of its parent.
constexpr quint32 LargeSizeMark = 1;
constexpr quint32 ToParentEndMark = 0;
constexpr char PathSeparator = '/';
constexpr qsizetype TypeLength = 4;

} // namespace

Mp4Boxes::Mp4Boxes(QIODevice &Device)
    : Device(Device)
{
    Readable = Device.isOpen() && Device.isReadable() && !Device.isSequential();
    Bytes = Readable ? std::max<qint64>(Device.size(), 0) : 0;
}

Mp4Box Mp4Boxes::Root() const
{
    Mp4Box root;
    root.Size = Bytes;
    return root;
}

QByteArray Mp4Boxes::TypeName(quint32 Type)
{
    QByteArray name(TypeLength, Qt::Uninitialized);
    qToBigEndian(Type, name.data());
    return name;
}

QByteArray Mp4Boxes::Read(qint64 Offset, qint64 Size) const
{
    if (!Readable || Offset < 0 || Offset >= Bytes || Size <= 0)
        return {};
    const qint64 count = std::min(Size, Bytes - Offset);
    if (!Device.seek(Offset))
        return {};
    return Device.read(count);
}

QByteArray Mp4Boxes::ReadPayload(const Mp4Box &Box, qint64 MaxBytes) const
{
    return Read(Box.PayloadOffset(), std::min(Box.PayloadSize(), MaxBytes));
}

std::optional<Mp4Box> Mp4Boxes::BoxAt(qint64 Offset, qint64 ParentEnd, int Depth) const
{
    const qint64 room = ParentEnd - Offset;
    if (room < CompactHeaderSize)
        return std::nullopt;
    const QByteArray header = Read(Offset, std::min(room, LargeHeaderSize));
    if (header.size() < CompactHeaderSize)
        return std::nullopt;
    Mp4Box box;
    box.Offset = Offset;
    box.Depth = Depth;
    box.Type = qFromBigEndian<quint32>(header.constData() + 4);
    const quint32 compactSize = qFromBigEndian<quint32>(header.constData());
    if (compactSize == LargeSizeMark) {
        if (header.size() < LargeHeaderSize)
            return std::nullopt;
        const quint64 largeSize = qFromBigEndian<quint64>(header.constData() + 8);
        if (largeSize < quint64(LargeHeaderSize) || largeSize > quint64(room))
            return std::nullopt;
        box.HeaderSize = LargeHeaderSize;
        box.Size = qint64(largeSize);
    } else if (compactSize == ToParentEndMark) {
        box.HeaderSize = CompactHeaderSize;
        box.Size = room;
    } else {
        if (compactSize < CompactHeaderSize || compactSize > quint64(room))
            return std::nullopt;
        box.HeaderSize = CompactHeaderSize;
        box.Size = compactSize;
    }
    return box;
}

QList<Mp4Box> Mp4Boxes::Children(const Mp4Box &Parent, qint64 Skip) const
{
    QList<Mp4Box> children;
    if (Parent.Depth >= MaxDepth || Skip < 0 || Skip > Parent.PayloadSize())
        return children;
    qint64 position = Parent.PayloadOffset() + Skip;
    while (children.size() < MaxBoxesPerLevel) {
        const std::optional<Mp4Box> box = BoxAt(position, Parent.End(), Parent.Depth + 1);
        if (!box)
            break;
        children.append(*box);
        // Every box is at least as long as its header: the walk always moves on.
        position = box->End();
    }
    return children;
}

bool Mp4Boxes::ParsePath(QByteArrayView Path, QList<quint32> &Types)
{
    Types.clear();
    qsizetype start = 0;
    while (start <= Path.size()) {
        qsizetype stop = Path.indexOf(PathSeparator, start);
        if (stop < 0)
            stop = Path.size();
        if (stop - start != TypeLength || Types.size() >= MaxDepth)
            return false;
        Types.append(qFromBigEndian<quint32>(Path.data() + start));
        start = stop + 1;
    }
    return !Types.isEmpty();
}

void Mp4Boxes::Collect(const Mp4Box &Parent, const QList<quint32> &Path, qsizetype Step, bool FirstOnly,
                       QList<Mp4Box> &Found) const
{
    const QList<Mp4Box> children = Children(Parent);
    for (const Mp4Box &child : children) {
        if (child.Type != Path[Step])
            continue;
        if (Step + 1 == Path.size())
            Found.append(child);
        else
            Collect(child, Path, Step + 1, FirstOnly, Found);
        if ((FirstOnly && !Found.isEmpty()) || Found.size() >= MaxBoxesPerLevel)
            return;
    }
}

std::optional<Mp4Box> Mp4Boxes::Find(QByteArrayView Path) const
{
    return Find(Root(), Path);
}

std::optional<Mp4Box> Mp4Boxes::Find(const Mp4Box &Parent, QByteArrayView Path) const
{
    QList<quint32> types;
    if (!Readable || !ParsePath(Path, types))
        return std::nullopt;
    QList<Mp4Box> found;
    Collect(Parent, types, 0, true, found);
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<Mp4Box> Mp4Boxes::FindAll(const Mp4Box &Parent, QByteArrayView Path) const
{
    QList<quint32> types;
    QList<Mp4Box> found;
    if (Readable && ParsePath(Path, types))
        Collect(Parent, types, 0, false, found);
    return found;
}
