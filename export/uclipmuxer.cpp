#include "uclipmuxer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
#include <libavutil/mem.h>
}

#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QTimeZone>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>

namespace {

constexpr AVRational Microseconds{1, 1000000};
constexpr AVRational Milliseconds{1, 1000};
constexpr qint64 MicrosecondsPerMillisecond = 1000;
// The interleaver holds picture and sound back while it waits for the
// sparse text track; never for more than this.
constexpr int64_t MaxInterleaveDeltaUs = 1000000;
constexpr int CueBufferBytes = 4096;
const char *const Mp4Format = "mp4";
const char *const QuickTimeFormat = "mov";

// What the text track's encoder takes its style from: a plain white line at
// the foot of the picture.
const char *const CueStyleHeader = "[Script Info]\n"
                                   "ScriptType: v4.00+\n"
                                   "PlayResX: 384\n"
                                   "PlayResY: 288\n"
                                   "\n"
                                   "[V4+ Styles]\n"
                                   "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, "
                                   "BackColour, Bold, Italic, Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, "
                                   "BorderStyle, Outline, Shadow, Alignment, MarginL, MarginR, MarginV, Encoding\n"
                                   "Style: Default,Sans,14,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,"
                                   "10,0\n"
                                   "\n"
                                   "[Events]\n"
                                   "Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
// The fields of a dialogue line before its text, as the encoder reads it.
const char *const CueFields = "0,0,Default,,0,0,0,,";

struct InputCloser
{
    void operator()(AVFormatContext *Context) const { avformat_close_input(&Context); }
};
using Input = std::unique_ptr<AVFormatContext, InputCloser>;

struct OutputCloser
{
    void operator()(AVFormatContext *Context) const
    {
        if (Context->pb)
            avio_closep(&Context->pb);
        avformat_free_context(Context);
    }
};
using Output = std::unique_ptr<AVFormatContext, OutputCloser>;

struct PacketFreer
{
    void operator()(AVPacket *Packet) const { av_packet_free(&Packet); }
};
using Packet = std::unique_ptr<AVPacket, PacketFreer>;

struct CodecFreer
{
    void operator()(AVCodecContext *Context) const { avcodec_free_context(&Context); }
};
using Codec = std::unique_ptr<AVCodecContext, CodecFreer>;

// The library's own lines would land on standard error, where a command
// writes one line and only when it fails: every failure is told by the
// result here.
void QuietLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

QString AvError(int Code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(Code, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

bool IsCopied(const AVStream *Stream)
{
    if (Stream->disposition & AV_DISPOSITION_ATTACHED_PIC)
        return false;
    const AVMediaType type = Stream->codecpar->codec_type;
    return type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO;
}

QList<int> CopiedStreams(const AVFormatContext *Context)
{
    QList<int> streams;
    for (unsigned i = 0; i < Context->nb_streams; ++i) {
        if (IsCopied(Context->streams[i]))
            streams << int(i);
    }
    return streams;
}

struct Opened
{
    Input Context;
    QString Error;
};

Opened Open(const QString &Path)
{
    QuietLibrary();
    // A FIFO or a device would block the open, a folder is no video.
    if (!QFileInfo(Path).isFile())
        return {nullptr, QStringLiteral("no such file")};
    AVFormatContext *context = nullptr;
    const QByteArray name = QFile::encodeName(Path);
    int code = avformat_open_input(&context, name.constData(), nullptr, nullptr);
    if (code < 0)
        return {nullptr, QStringLiteral("cannot be read (%1)").arg(AvError(code))};
    Input input(context);
    code = avformat_find_stream_info(context, nullptr);
    if (code < 0)
        return {nullptr, QStringLiteral("cannot be read (%1)").arg(AvError(code))};
    if (CopiedStreams(context).isEmpty())
        return {nullptr, QStringLiteral("holds no picture or sound")};
    return {std::move(input), QString()};
}

// Where a file's own time starts: players show a transport stream whose
// clock starts at 1.4 s from 0.
int64_t OriginUs(const AVFormatContext *Context)
{
    return Context->start_time != AV_NOPTS_VALUE && Context->start_time > 0 ? Context->start_time : 0;
}

QByteArray LayoutOf(const AVFormatContext *Context)
{
    QByteArray layout;
    QDataStream out(&layout, QIODevice::WriteOnly);
    for (const int index : CopiedStreams(Context)) {
        const AVCodecParameters *codec = Context->streams[index]->codecpar;
        out << qint32(codec->codec_type) << qint32(codec->codec_id) << qint32(codec->format) << qint32(codec->width)
            << qint32(codec->height) << qint32(codec->sample_rate) << qint32(codec->ch_layout.nb_channels)
            << QByteArray(reinterpret_cast<const char *>(codec->extradata), codec->extradata_size);
    }
    return layout;
}

bool FitsMp4(const AVFormatContext *Context)
{
    const AVOutputFormat *mp4 = av_guess_format(Mp4Format, nullptr, nullptr);
    if (!mp4)
        return false;
    for (const int index : CopiedStreams(Context)) {
        if (avformat_query_codec(mp4, Context->streams[index]->codecpar->codec_id, FF_COMPLIANCE_NORMAL) != 1)
            return false;
    }
    return true;
}

// The state of one copied stream across the stretches.
struct Track
{
    AVStream *Out = nullptr;
    bool Video = false;
    // Within the current stretch.
    int In = -1;
    bool Started = false;
    bool Ended = false;
    int64_t Bump = 0; // added to keep the stream's times going on, in Out's time base
    // In Out's time base, over the whole clip.
    int64_t LastDts = std::numeric_limits<int64_t>::min();
    int64_t End = std::numeric_limits<int64_t>::min();
};

class Copier
{
public:
    Copier(const QList<UClipSegment> &Segments, const QString &OutputPath, const UClipMuxer::Options &Options)
        : Segments(Segments), OutputPath(OutputPath), Opt(Options)
    {
    }

    UClipMuxer::Result Run()
    {
        UClipMuxer::Result result;
        if (!Start(result) || !CopyAll(result) || !Finish(result))
            return result;
        result.Done = true;
        return result;
    }

private:
    bool Fail(UClipMuxer::Result &Result, const QString &Error)
    {
        Result.Error = Error;
        return false;
    }

    QString SourceError(const QString &Path, const QString &Error) const
    {
        return QStringLiteral("%1: %2").arg(Path, Error);
    }

    bool FailWrite(UClipMuxer::Result &Result, int Code)
    {
        Result.Unwritable = true;
        Result.Reason = AvError(Code);
        return Fail(Result, QStringLiteral("%1: cannot be written (%2)").arg(OutputPath, Result.Reason));
    }

    bool Start(UClipMuxer::Result &Result)
    {
        QuietLibrary();
        if (Segments.isEmpty())
            return Fail(Result, QStringLiteral("nothing to copy"));
        First = Open(Segments.first().Path);
        if (!First.Context)
            return Fail(Result, SourceError(Segments.first().Path, First.Error));
        AVFormatContext *raw = nullptr;
        int code = avformat_alloc_output_context2(&raw, nullptr, Opt.QuickTime ? QuickTimeFormat : Mp4Format, nullptr);
        if (code < 0 || !raw)
            return FailWrite(Result, code);
        Out.reset(raw);
        Out->max_interleave_delta = MaxInterleaveDeltaUs;

        const AVFormatContext *in = First.Context.get();
        for (const int index : CopiedStreams(in)) {
            const AVStream *source = in->streams[index];
            AVStream *stream = avformat_new_stream(Out.get(), nullptr);
            if (!stream || avcodec_parameters_copy(stream->codecpar, source->codecpar) < 0)
                return FailWrite(Result, AVERROR(ENOMEM));
            // The source's tag where the container knows it for the codec
            // (hvc1 stays hvc1), else the container's own.
            const unsigned tag = source->codecpar->codec_tag;
            if (!Out->oformat->codec_tag || av_codec_get_id(Out->oformat->codec_tag, tag) != source->codecpar->codec_id)
                stream->codecpar->codec_tag = 0;
            stream->time_base = source->time_base;
            stream->disposition = source->disposition;
            // A camera mounted upside down or mirrored says so beside its stream.
            for (int i = 0; i < source->nb_side_data; ++i) {
                const AVPacketSideData &side = source->side_data[i];
                uint8_t *copy = av_stream_new_side_data(stream, side.type, side.size);
                if (copy)
                    std::memcpy(copy, side.data, side.size);
            }
            if (const AVDictionaryEntry *language = av_dict_get(source->metadata, "language", nullptr, 0))
                av_dict_set(&stream->metadata, "language", language->value, 0);
            Track track;
            track.Out = stream;
            track.Video = source->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
            Tracks << track;
        }
        if (!Opt.Cues.isEmpty() && !StartCues(Result))
            return false;

        if (Opt.CreationTime.isValid()) {
            const QByteArray time = Opt.CreationTime.toUTC().toString(Qt::ISODateWithMs).toLatin1();
            av_dict_set(&Out->metadata, "creation_time", time.constData(), 0);
        }
        if (!Opt.Location.isEmpty())
            av_dict_set(&Out->metadata, "location", Opt.Location.toLatin1().constData(), 0);

        const QByteArray name = QFile::encodeName(OutputPath);
        code = avio_open(&Out->pb, name.constData(), AVIO_FLAG_WRITE);
        if (code < 0)
            return FailWrite(Result, code);
        code = avformat_write_header(Out.get(), nullptr);
        if (code < 0 && Out->pb->error < 0)
            return FailWrite(Result, Out->pb->error);
        if (code < 0) {
            return Fail(Result, QStringLiteral("%1: its streams cannot go into a clip (%2)")
                                    .arg(Segments.first().Path, AvError(code)));
        }
        return true;
    }

    bool StartCues(UClipMuxer::Result &Result)
    {
        const AVCodec *encoder = avcodec_find_encoder(AV_CODEC_ID_MOV_TEXT);
        if (!encoder)
            return Fail(Result, QStringLiteral("no text track encoder"));
        CueCodec.reset(avcodec_alloc_context3(encoder));
        if (!CueCodec)
            return FailWrite(Result, AVERROR(ENOMEM));
        CueCodec->time_base = Milliseconds;
        const size_t headerSize = std::strlen(CueStyleHeader);
        CueCodec->subtitle_header = static_cast<uint8_t *>(av_malloc(headerSize + 1));
        if (!CueCodec->subtitle_header)
            return FailWrite(Result, AVERROR(ENOMEM));
        std::memcpy(CueCodec->subtitle_header, CueStyleHeader, headerSize + 1);
        CueCodec->subtitle_header_size = int(headerSize);
        int code = avcodec_open2(CueCodec.get(), encoder, nullptr);
        if (code < 0)
            return Fail(Result, QStringLiteral("no text track (%1)").arg(AvError(code)));
        CueStream = avformat_new_stream(Out.get(), nullptr);
        if (!CueStream)
            return FailWrite(Result, AVERROR(ENOMEM));
        code = avcodec_parameters_from_context(CueStream->codecpar, CueCodec.get());
        if (code < 0)
            return FailWrite(Result, code);
        CueStream->time_base = Milliseconds;
        av_dict_set(&CueStream->metadata, "language", "eng", 0);
        return true;
    }

    // Writes the cues that start at or before UpToUs of the clip.
    bool WriteCues(UClipMuxer::Result &Result, int64_t UpToUs)
    {
        while (NextCue < Opt.Cues.size() && Opt.Cues.at(NextCue).StartMs * MicrosecondsPerMillisecond <= UpToUs) {
            const UClipCue &cue = Opt.Cues.at(NextCue++);
            if (cue.EndMs <= cue.StartMs)
                continue;
            // Braces and backslashes would read as styling.
            QString text = cue.Text;
            text.replace(QLatin1Char('{'), QLatin1Char('(')).replace(QLatin1Char('}'), QLatin1Char(')'));
            text.replace(QLatin1Char('\\'), QLatin1Char('/'));
            QByteArray line = QByteArray(CueFields) + text.toUtf8();
            AVSubtitleRect rect{};
            rect.type = SUBTITLE_ASS;
            rect.ass = line.data();
            AVSubtitleRect *rects[] = {&rect};
            AVSubtitle subtitle{};
            subtitle.num_rects = 1;
            subtitle.rects = rects;
            subtitle.start_display_time = 0;
            subtitle.end_display_time = uint32_t(cue.EndMs - cue.StartMs);
            subtitle.pts = cue.StartMs * MicrosecondsPerMillisecond;
            uint8_t buffer[CueBufferBytes];
            const int size = avcodec_encode_subtitle(CueCodec.get(), buffer, sizeof buffer, &subtitle);
            if (size < 0)
                return Fail(Result, QStringLiteral("a text cue could not be made (%1)").arg(AvError(size)));
            Packet packet(av_packet_alloc());
            if (!packet || av_new_packet(packet.get(), size) < 0)
                return FailWrite(Result, AVERROR(ENOMEM));
            std::memcpy(packet->data, buffer, size_t(size));
            packet->stream_index = CueStream->index;
            packet->pts = packet->dts = av_rescale_q(cue.StartMs, Milliseconds, CueStream->time_base);
            packet->duration = av_rescale_q(cue.EndMs - cue.StartMs, Milliseconds, CueStream->time_base);
            packet->flags |= AV_PKT_FLAG_KEY;
            const int code = av_interleaved_write_frame(Out.get(), packet.get());
            if (code < 0)
                return FailWrite(Result, code);
        }
        return true;
    }

    bool CopyAll(UClipMuxer::Result &Result)
    {
        for (qsizetype k = 0; k < Segments.size(); ++k) {
            Opened opened = k == 0 ? std::move(First) : Open(Segments.at(k).Path);
            if (!opened.Context)
                return Fail(Result, SourceError(Segments.at(k).Path, opened.Error));
            if (!CopySegment(Result, Segments.at(k), opened.Context.get()))
                return false;
        }
        return WriteCues(Result, std::numeric_limits<int64_t>::max());
    }

    bool CopySegment(UClipMuxer::Result &Result, const UClipSegment &Segment, AVFormatContext *In)
    {
        const QList<int> streams = CopiedStreams(In);
        if (streams.size() != Tracks.size())
            return Fail(Result, SourceError(Segment.Path, QStringLiteral("holds other streams than the clip")));
        int video = -1;
        for (qsizetype i = 0; i < Tracks.size(); ++i) {
            Track &track = Tracks[i];
            track.In = streams.at(i);
            track.Started = false;
            track.Ended = false;
            track.Bump = 0;
            if (track.Video && video < 0)
                video = track.In;
        }
        const int64_t originUs = OriginUs(In);
        const int64_t fromUs = originUs + Segment.FromMs * MicrosecondsPerMillisecond;
        const int64_t toUs = originUs + Segment.ToMs * MicrosecondsPerMillisecond;
        // Where this stretch's start lies in the clip: right after the
        // pictures so far (the first stretch starts the clip).
        const int64_t startUs = ClipEndUs;
        if (Segment.FromMs > 0) {
            // The key frame at or before the start: the pictures in between
            // are needed to decode the first one shown.
            const int code = video >= 0
                ? av_seek_frame(In, video, av_rescale_q(fromUs, Microseconds, In->streams[video]->time_base),
                                AVSEEK_FLAG_BACKWARD)
                : av_seek_frame(In, -1, fromUs, AVSEEK_FLAG_BACKWARD);
            if (code < 0)
                return Fail(Result, SourceError(Segment.Path, QStringLiteral("cannot be sought (%1)").arg(AvError(code))));
        }

        Packet packet(av_packet_alloc());
        if (!packet)
            return FailWrite(Result, AVERROR(ENOMEM));
        for (;;) {
            const int code = av_read_frame(In, packet.get());
            if (code == AVERROR_EOF)
                break;
            if (code < 0)
                return Fail(Result, SourceError(Segment.Path, QStringLiteral("cannot be read (%1)").arg(AvError(code))));
            Track *track = nullptr;
            for (Track &candidate : Tracks) {
                if (candidate.In == packet->stream_index)
                    track = &candidate;
            }
            const bool keep = track && !track->Ended && Take(*track, *packet, In, fromUs, toUs);
            if (keep && !Put(Result, *track, *packet, In->streams[track->In]->time_base, fromUs, startUs))
                return false;
            av_packet_unref(packet.get());
            if (std::all_of(Tracks.cbegin(), Tracks.cend(), [](const Track &t) { return t.Ended; }))
                break;
        }
        return true;
    }

    // Whether the packet belongs to the stretch; marks the stream ended past it.
    static bool Take(Track &T, AVPacket &P, const AVFormatContext *In, int64_t FromUs, int64_t ToUs)
    {
        if (P.pts == AV_NOPTS_VALUE)
            P.pts = P.dts;
        if (P.dts == AV_NOPTS_VALUE)
            P.dts = P.pts;
        if (P.pts == AV_NOPTS_VALUE)
            return false;
        const AVRational base = In->streams[T.In]->time_base;
        const int64_t ptsUs = av_rescale_q(P.pts, base, Microseconds);
        const int64_t dtsUs = av_rescale_q(P.dts, base, Microseconds);
        const int64_t durationUs = av_rescale_q(P.duration, base, Microseconds);
        if (T.Video) {
            // Decoding starts at a key frame; every picture decoded before
            // the end is kept, since later ones in time may depend on it.
            if (!T.Started && !(P.flags & AV_PKT_FLAG_KEY))
                return false;
            if (dtsUs >= ToUs) {
                T.Ended = true;
                return false;
            }
            return true;
        }
        if (ptsUs >= ToUs) {
            T.Ended = true;
            return false;
        }
        return durationUs > 0 ? ptsUs + durationUs > FromUs : ptsUs >= FromUs;
    }

    bool Put(UClipMuxer::Result &Result, Track &T, AVPacket &P, AVRational Base, int64_t FromUs, int64_t StartUs)
    {
        const AVRational outBase = T.Out->time_base;
        const int64_t from = av_rescale_q(FromUs, Microseconds, Base);
        const int64_t start = av_rescale_q(StartUs, Microseconds, outBase);
        int64_t dts = av_rescale_q(P.dts - from, Base, outBase) + start;
        if (!T.Started) {
            T.Started = true;
            // A stream that ran on a little longer than the pictures in the
            // stretch before goes on where it ended.
            if (T.LastDts != std::numeric_limits<int64_t>::min() && dts < T.End)
                T.Bump = T.End - dts;
        }
        dts += T.Bump;
        int64_t pts = av_rescale_q(P.pts - from, Base, outBase) + start + T.Bump;
        if (dts <= T.LastDts) {
            // Times that do not go forward are not written by the container.
            const int64_t step = T.LastDts + 1 - dts;
            dts += step;
            pts += step;
        }
        pts = std::max(pts, dts);
        const int64_t duration = av_rescale_q(P.duration, Base, outBase);
        T.LastDts = dts;
        T.End = std::max(T.End, dts + std::max<int64_t>(duration, 1));
        const int64_t endUs = av_rescale_q(pts + duration, outBase, Microseconds);
        if (T.Video)
            ClipEndUs = std::max(ClipEndUs, endUs);
        else if (!HasVideo())
            ClipEndUs = std::max(ClipEndUs, endUs);

        P.stream_index = T.Out->index;
        P.dts = dts;
        P.pts = pts;
        P.duration = duration;
        P.pos = -1;
        const int64_t atUs = av_rescale_q(dts, outBase, Microseconds);
        if (!WriteCues(Result, atUs))
            return false;
        if (Opt.Progress && !Opt.Progress(std::max<int64_t>(atUs, 0) / MicrosecondsPerMillisecond)) {
            Result.Cancelled = true;
            return Fail(Result, QStringLiteral("cancelled"));
        }
        const int code = av_interleaved_write_frame(Out.get(), &P);
        if (code < 0)
            return FailWrite(Result, code);
        return true;
    }

    bool HasVideo() const
    {
        return std::any_of(Tracks.cbegin(), Tracks.cend(), [](const Track &t) { return t.Video; });
    }

    bool Finish(UClipMuxer::Result &Result)
    {
        int code = av_write_trailer(Out.get());
        if (code < 0)
            return FailWrite(Result, code);
        if (Out->pb->error < 0)
            return FailWrite(Result, Out->pb->error);
        code = avio_closep(&Out->pb);
        if (code < 0)
            return FailWrite(Result, code);
        return true;
    }

    const QList<UClipSegment> &Segments;
    const QString OutputPath;
    const UClipMuxer::Options &Opt;
    Opened First;
    Output Out;
    QList<Track> Tracks;
    Codec CueCodec;
    AVStream *CueStream = nullptr;
    qsizetype NextCue = 0;
    // The end of the pictures written so far, in the clip's time.
    int64_t ClipEndUs = 0;
};

} // namespace

UClipProbe UClipMuxer::Probe(const QString &Path)
{
    UClipProbe probe;
    const Opened opened = Open(Path);
    if (!opened.Context) {
        probe.Error = opened.Error;
        return probe;
    }
    const AVFormatContext *context = opened.Context.get();
    probe.Readable = true;
    // The pictures set the clip's time: the next recording's follow them.
    for (const int index : CopiedStreams(context)) {
        const AVStream *stream = context->streams[index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && stream->duration != AV_NOPTS_VALUE
            && stream->duration > 0) {
            probe.DurationMs = av_rescale_q(stream->duration, stream->time_base, Milliseconds);
            break;
        }
    }
    if (probe.DurationMs < 0 && context->duration != AV_NOPTS_VALUE && context->duration > 0)
        probe.DurationMs = context->duration / MicrosecondsPerMillisecond;
    probe.Layout = LayoutOf(context);
    probe.FitsMp4 = FitsMp4(context);
    return probe;
}

UClipMuxer::Result UClipMuxer::Write(const QList<UClipSegment> &Segments, const QString &OutputPath,
                                     const Options &Options)
{
    return Copier(Segments, OutputPath, Options).Run();
}
