#include "teslagps.h"

#include "gpslog/gpsposition.h"
#include "gpslog/mp4/mp4boxes.h"
#include "gpslog/mp4/mp4sampletable.h"
#include "mp4/teslasei.pb.h"

#include <QIODevice>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <memory>

extern "C" {
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

namespace {

constexpr quint8 NalTypeMask = 0x1f;
constexpr quint8 SeiNalType = 6;
constexpr int UserDataUnregistered = 5;
constexpr quint8 SizeContinues = 0xff;
constexpr quint8 StopByte = 0x80;
constexpr quint8 PaddingByte = 0x42;
constexpr quint8 MessageMark = 0x69;
constexpr quint8 EmulationPrevention = 0x03;

// The sample description of an H.264 track: the visual fields, then its
// boxes, 'avcC' among them; the NAL length size sits in its fifth byte.
constexpr qint64 DescriptionsHeader = 8;
constexpr qint64 VisualSampleEntryFields = 78;
constexpr qsizetype LengthSizeAt = 4;
constexpr int MinAvcConfigurationBytes = 7;

constexpr double MetresPerSecondToKmh = 3.6;
// Faster than any car: a frame reporting more was misread.
constexpr double MaxSpeedKmh = 1000.0;
constexpr double FullCircle = 360.0;
constexpr int IoBufferBytes = 32 * 1024;
constexpr AVRational Milliseconds{1, 1000};

// The payload bytes of a NAL unit without its emulation prevention bytes
// (a 0x03 after two zeros).
QByteArray Unescaped(QByteArrayView Bytes)
{
    QByteArray out;
    out.reserve(Bytes.size());
    int zeros = 0;
    for (const char c : Bytes) {
        const auto byte = quint8(c);
        if (zeros >= 2 && byte == EmulationPrevention) {
            zeros = 0;
            continue;
        }
        zeros = byte == 0 ? zeros + 1 : 0;
        out.append(c);
    }
    return out;
}

// A payload type or size: 0xff bytes adding 255 each, then the last byte.
std::optional<qint64> SeiNumber(const QByteArray &Bytes, qsizetype &At)
{
    qint64 value = 0;
    while (At < Bytes.size() && quint8(Bytes[At]) == SizeContinues) {
        value += SizeContinues;
        ++At;
    }
    if (At >= Bytes.size())
        return std::nullopt;
    return value + quint8(Bytes[At++]);
}

int LengthSize(const Mp4Boxes &Boxes, const Mp4Box &Track)
{
    const std::optional<Mp4Box> descriptions = Boxes.Find(Track, "mdia/minf/stbl/stsd");
    if (!descriptions)
        return 4;
    for (const Mp4Box &entry : Boxes.Children(*descriptions, DescriptionsHeader)) {
        for (const Mp4Box &box : Boxes.Children(entry, VisualSampleEntryFields)) {
            if (box.Type != Mp4Boxes::FourCc("avcC"))
                continue;
            const QByteArray config = Boxes.ReadPayload(box, MinAvcConfigurationBytes);
            if (config.size() >= MinAvcConfigurationBytes)
                return (quint8(config[LengthSizeAt]) & 0x03) + 1;
        }
        break;
    }
    return 4;
}

// libavformat reads through these from a QIODevice.
int ReadDevice(void *Opaque, uint8_t *Buffer, int Size)
{
    auto *device = static_cast<QIODevice *>(Opaque);
    const qint64 read = device->read(reinterpret_cast<char *>(Buffer), Size);
    if (read < 0)
        return AVERROR(EIO);
    if (read == 0)
        return AVERROR_EOF;
    return int(read);
}

int64_t SeekDevice(void *Opaque, int64_t Offset, int Whence)
{
    auto *device = static_cast<QIODevice *>(Opaque);
    if (Whence & AVSEEK_SIZE)
        return device->size();
    qint64 target = 0;
    switch (Whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
        target = Offset;
        break;
    case SEEK_CUR:
        target = device->pos() + Offset;
        break;
    case SEEK_END:
        target = device->size() + Offset;
        break;
    default:
        return -1;
    }
    if (target < 0 || target > device->size() || !device->seek(target))
        return -1;
    return target;
}

struct IoContextFree
{
    void operator()(AVIOContext *Context) const
    {
        av_freep(&Context->buffer);
        avio_context_free(&Context);
    }
};

struct FormatContextFree
{
    void operator()(AVFormatContext *Context) const { avformat_close_input(&Context); }
};

struct PacketFree
{
    void operator()(AVPacket *Packet) const { av_packet_free(&Packet); }
};

} // namespace

std::optional<TeslaFrame> TeslaGps::DecodeUserData(QByteArrayView Payload)
{
    qsizetype at = 0;
    while (at < Payload.size() && quint8(Payload[at]) == PaddingByte)
        ++at;
    if (at == 0 || at >= Payload.size() || quint8(Payload[at]) != MessageMark)
        return std::nullopt;
    ++at;
    vialumo::tesla::SeiMetadata message;
    if (!message.ParseFromArray(Payload.data() + at, int(Payload.size() - at)))
        return std::nullopt;
    TeslaFrame frame;
    frame.FrameSequence = message.frame_seq_no();
    frame.SpeedMps = double(message.vehicle_speed_mps());
    frame.BrakeApplied = message.brake_applied();
    frame.Latitude = message.latitude_deg();
    frame.Longitude = message.longitude_deg();
    frame.Heading = message.heading_deg();
    frame.Acceleration = {message.linear_acceleration_mps2_x(), message.linear_acceleration_mps2_y(),
                          message.linear_acceleration_mps2_z()};
    return frame;
}

QList<TeslaFrame> TeslaGps::DecodeNal(QByteArrayView Nal)
{
    QList<TeslaFrame> frames;
    if (Nal.isEmpty() || (quint8(Nal[0]) & NalTypeMask) != SeiNalType)
        return frames;
    const QByteArray rbsp = Unescaped(Nal.sliced(1));
    qsizetype at = 0;
    while (at < rbsp.size() && !(at == rbsp.size() - 1 && quint8(rbsp[at]) == StopByte)) {
        const std::optional<qint64> type = SeiNumber(rbsp, at);
        const std::optional<qint64> size = type ? SeiNumber(rbsp, at) : std::nullopt;
        if (!size)
            break;
        // A payload said to run past the unit ends with it, before its stop
        // byte.
        qsizetype end = rbsp.size();
        if (*size <= rbsp.size() - at)
            end = at + qsizetype(*size);
        else if (quint8(rbsp.back()) == StopByte)
            end = rbsp.size() - 1;
        if (*type == UserDataUnregistered) {
            if (const std::optional<TeslaFrame> frame = DecodeUserData(QByteArrayView(rbsp).sliced(at, end - at)))
                frames.append(*frame);
        }
        at = end;
    }
    return frames;
}

QList<TeslaFrame> TeslaGps::DecodeSample(QByteArrayView Sample, int LengthBytes)
{
    QList<TeslaFrame> frames;
    if (LengthBytes >= 1 && LengthBytes <= 4) {
        qsizetype at = 0;
        while (Sample.size() - at >= LengthBytes) {
            quint32 length = 0;
            for (int i = 0; i < LengthBytes; ++i)
                length = length << 8 | quint8(Sample[at + i]);
            at += LengthBytes;
            if (length > quint64(Sample.size() - at))
                break;
            frames += DecodeNal(Sample.sliced(at, length));
            at += length;
        }
        return frames;
    }
    // Annex B: units after "00 00 01" start codes.
    qsizetype start = -1;
    for (qsizetype k = 0; k + 2 < Sample.size(); ++k) {
        if (Sample[k] != 0 || Sample[k + 1] != 0 || Sample[k + 2] != 1)
            continue;
        if (start >= 0)
            frames += DecodeNal(Sample.sliced(start, k - start));
        start = k + 3;
        k += 2;
    }
    if (start >= 0 && start < Sample.size())
        frames += DecodeNal(Sample.sliced(start));
    return frames;
}

bool TeslaGps::Probe(const Mp4Boxes &Boxes)
{
    const std::optional<Mp4Box> movie = Boxes.Find("moov");
    if (!movie)
        return false;
    for (const Mp4Box &track : Boxes.FindAll(*movie, "trak")) {
        const quint32 format = Mp4SampleTable::ReadFormat(Boxes, track);
        if (format != Mp4Boxes::FourCc("avc1") && format != Mp4Boxes::FourCc("avc3"))
            continue;
        const int lengthBytes = LengthSize(Boxes, track);
        const Mp4SampleTable table(Boxes, track);
        const QList<Mp4Sample> &samples = table.Samples();
        const qsizetype count = std::min<qsizetype>(samples.size(), ProbeFrames);
        for (qsizetype i = 0; i < count; ++i) {
            const Mp4Sample &sample = samples[i * samples.size() / count];
            const QByteArray start = Boxes.Read(sample.Offset, std::min<qint64>(sample.Size, ProbeBytes));
            if (!DecodeSample(start, lengthBytes).isEmpty())
                return true;
        }
        return false;
    }
    return false;
}

QList<TeslaFrame> TeslaGps::Frames(QIODevice &Device)
{
    QList<TeslaFrame> frames;
    if (!Device.isOpen() || Device.isSequential() || !Device.seek(0))
        return frames;
    auto *buffer = static_cast<unsigned char *>(av_malloc(IoBufferBytes));
    if (!buffer)
        return frames;
    std::unique_ptr<AVIOContext, IoContextFree> io(
        avio_alloc_context(buffer, IoBufferBytes, 0, &Device, ReadDevice, nullptr, SeekDevice));
    if (!io) {
        av_free(buffer);
        return frames;
    }
    AVFormatContext *opened = avformat_alloc_context();
    if (!opened)
        return frames;
    opened->pb = io.get();
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    // Only MP4 and QuickTime files come here: no probing of other formats.
    if (avformat_open_input(&opened, nullptr, av_find_input_format("mov"), nullptr) < 0)
        return frames;
    const std::unique_ptr<AVFormatContext, FormatContextFree> format(opened);
    int index = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        AVStream *stream = format->streams[i];
        if (index < 0 && stream->codecpar->codec_id == AV_CODEC_ID_H264)
            index = int(i);
        else
            stream->discard = AVDISCARD_ALL;
    }
    if (index < 0)
        return frames;
    const AVStream *stream = format->streams[index];
    const AVCodecParameters *codec = stream->codecpar;
    int lengthBytes = 0;
    if (codec->extradata_size >= MinAvcConfigurationBytes && codec->extradata[0] == 1)
        lengthBytes = (codec->extradata[LengthSizeAt] & 0x03) + 1;
    const int64_t origin = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    const std::unique_ptr<AVPacket, PacketFree> packet(av_packet_alloc());
    if (!packet)
        return frames;
    while (frames.size() < MaxFrames && av_read_frame(format.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && packet->size <= MaxPacketBytes) {
            const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const qint64 ms = time != AV_NOPTS_VALUE ? av_rescale_q(time - origin, stream->time_base, Milliseconds) : 0;
            const QByteArrayView data(reinterpret_cast<const char *>(packet->data), packet->size);
            for (TeslaFrame frame : DecodeSample(data, lengthBytes)) {
                frame.OffsetMs = std::max<qint64>(ms, 0);
                frames.append(frame);
            }
        }
        av_packet_unref(packet.get());
    }
    if (frames.size() > MaxFrames)
        frames.resize(MaxFrames);
    std::stable_sort(frames.begin(), frames.end(),
                     [](const TeslaFrame &A, const TeslaFrame &B) { return A.OffsetMs < B.OffsetMs; });
    return frames;
}

GpsFixList TeslaGps::Read(QIODevice &Device, const Mp4Boxes &Boxes)
{
    GpsFixList fixes;
    if (!Probe(Boxes))
        return fixes;
    const QList<TeslaFrame> frames = Frames(Device);
    fixes.reserve(frames.size());
    for (const TeslaFrame &frame : frames)
        fixes.append(ToFix(frame));
    return fixes;
}

GpsFix TeslaGps::ToFix(const TeslaFrame &Frame)
{
    GpsFix fix;
    fix.OffsetMs = Frame.OffsetMs;
    // Reversing, the car may write a negative speed.
    const double speed = std::fabs(Frame.SpeedMps) * MetresPerSecondToKmh;
    if (GpsPosition::IsPlausible(Frame.Latitude, Frame.Longitude) && speed <= MaxSpeedKmh) {
        fix.Valid = true;
        fix.Latitude = Frame.Latitude;
        fix.Longitude = Frame.Longitude;
        fix.SpeedKmh = speed;
        if (std::isfinite(Frame.Heading)) {
            const double course = std::fmod(std::fmod(Frame.Heading, FullCircle) + FullCircle, FullCircle);
            fix.Course = course;
        }
    }
    return fix;
}
