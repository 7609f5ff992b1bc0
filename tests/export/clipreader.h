#ifndef CLIPREADER_H
#define CLIPREADER_H

// A video read back as a test needs it, through libavformat and libavcodec:
// its packets with a hash of their bytes, the number a test video carries in
// its first shown picture, its text cues, its metadata.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>

namespace clipreader {

struct PacketInfo
{
    qint64 PtsUs = 0;
    qint64 DtsUs = 0;
    qint64 DurationUs = 0;
    bool Key = false;
    QByteArray Hash;
};

struct Cue
{
    qint64 StartMs = 0;
    qint64 EndMs = 0;
    QString Text;
};

struct Closer
{
    void operator()(AVFormatContext *Context) const { avformat_close_input(&Context); }
};
using Input = std::unique_ptr<AVFormatContext, Closer>;

inline Input Open(const QString &Path)
{
    AVFormatContext *context = nullptr;
    if (avformat_open_input(&context, QFile::encodeName(Path).constData(), nullptr, nullptr) < 0)
        return nullptr;
    Input input(context);
    if (avformat_find_stream_info(context, nullptr) < 0)
        return nullptr;
    return input;
}

inline int StreamOf(const AVFormatContext *Context, AVMediaType Type)
{
    for (unsigned i = 0; i < Context->nb_streams; ++i) {
        if (Context->streams[i]->codecpar->codec_type == Type)
            return int(i);
    }
    return -1;
}

inline qint64 Us(int64_t Value, AVRational Base)
{
    return Value == AV_NOPTS_VALUE ? qint64(AV_NOPTS_VALUE) : qint64(av_rescale_q(Value, Base, AVRational{1, 1000000}));
}

// Every packet of the file's first stream of Type, in file order.
inline QList<PacketInfo> Packets(const QString &Path, AVMediaType Type)
{
    QList<PacketInfo> packets;
    Input input = Open(Path);
    if (!input)
        return packets;
    const int stream = StreamOf(input.get(), Type);
    if (stream < 0)
        return packets;
    const AVRational base = input->streams[stream]->time_base;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == stream) {
            PacketInfo info;
            info.PtsUs = Us(packet->pts, base);
            info.DtsUs = Us(packet->dts, base);
            info.DurationUs = Us(packet->duration, base);
            info.Key = packet->flags & AV_PKT_FLAG_KEY;
            info.Hash = QCryptographicHash::hash(QByteArrayView(packet->data, packet->size), QCryptographicHash::Sha1);
            packets << info;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return packets;
}

// The number the first picture a player shows carries (its twelve bars),
// -1 when nothing decodes. Pictures the edit list puts before the start
// are decoded but not shown.
inline int FirstShownNumber(const QString &Path, qint64 *PtsUs = nullptr)
{
    Input input = Open(Path);
    if (!input)
        return -1;
    const int stream = StreamOf(input.get(), AVMEDIA_TYPE_VIDEO);
    if (stream < 0)
        return -1;
    const AVCodecParameters *parameters = input->streams[stream]->codecpar;
    const AVCodec *codec = avcodec_find_decoder(parameters->codec_id);
    AVCodecContext *decoder = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoder, parameters);
    decoder->pkt_timebase = input->streams[stream]->time_base;
    int number = -1;
    if (avcodec_open2(decoder, codec, nullptr) == 0) {
        AVPacket *packet = av_packet_alloc();
        AVFrame *frame = av_frame_alloc();
        bool more = true;
        while (number < 0 && more) {
            more = av_read_frame(input.get(), packet) >= 0;
            if (more && packet->stream_index != stream) {
                av_packet_unref(packet);
                continue;
            }
            avcodec_send_packet(decoder, more ? packet : nullptr);
            av_packet_unref(packet);
            while (number < 0 && avcodec_receive_frame(decoder, frame) == 0) {
                if (PtsUs)
                    *PtsUs = Us(frame->best_effort_timestamp, input->streams[stream]->time_base);
                const uint8_t *row = frame->data[0] + frame->linesize[0] * (frame->height / 2);
                number = 0;
                for (int bit = 0; bit < 12; ++bit) {
                    const int x = int((bit + 0.5) * frame->width / 12);
                    if (row[x] > 128)
                        number |= 1 << bit;
                }
            }
        }
        av_frame_free(&frame);
        av_packet_free(&packet);
    }
    avcodec_free_context(&decoder);
    return number;
}

// The text track's cues: each packet of a QuickTime text track is a 16-bit
// length and the text.
inline QList<Cue> Cues(const QString &Path)
{
    QList<Cue> cues;
    Input input = Open(Path);
    if (!input)
        return cues;
    const int stream = StreamOf(input.get(), AVMEDIA_TYPE_SUBTITLE);
    if (stream < 0)
        return cues;
    const AVRational base = input->streams[stream]->time_base;
    AVPacket *packet = av_packet_alloc();
    while (av_read_frame(input.get(), packet) >= 0) {
        if (packet->stream_index == stream && packet->size >= 2) {
            const int length = (packet->data[0] << 8) | packet->data[1];
            Cue cue;
            cue.StartMs = Us(packet->pts, base) / 1000;
            cue.EndMs = cue.StartMs + Us(packet->duration, base) / 1000;
            cue.Text = QString::fromUtf8(reinterpret_cast<const char *>(packet->data + 2), qMin(length, packet->size - 2));
            if (!cue.Text.isEmpty())
                cues << cue;
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    return cues;
}

inline QMap<QString, QString> Metadata(const QString &Path)
{
    QMap<QString, QString> tags;
    Input input = Open(Path);
    if (!input)
        return tags;
    const AVDictionaryEntry *entry = nullptr;
    while ((entry = av_dict_get(input->metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
        tags.insert(QString::fromUtf8(entry->key), QString::fromUtf8(entry->value));
    return tags;
}

inline int StreamCount(const QString &Path, AVMediaType Type)
{
    Input input = Open(Path);
    int count = 0;
    for (unsigned i = 0; input && i < input->nb_streams; ++i)
        count += input->streams[i]->codecpar->codec_type == Type;
    return count;
}

} // namespace clipreader

#endif // CLIPREADER_H
