#include "nmeasentences.h"

namespace {

constexpr char SentenceStart = '$';
constexpr char ChecksumMark = '*';
constexpr unsigned char FirstPrintable = 0x20;
constexpr unsigned char LastPrintable = 0x7e;
constexpr char HexDigits[] = "0123456789ABCDEF";

bool EndsSentence(char C)
{
    return C == ChecksumMark || C == SentenceStart || C == '\r' || C == '\n' || C == '\0';
}

} // namespace

QByteArray NmeaSentences::Resealed(QByteArrayView Text)
{
    QByteArray sealed;
    qsizetype at = Text.indexOf(SentenceStart);
    while (at >= 0 && at < Text.size()) {
        qsizetype end = at + 1;
        while (end < Text.size() && !EndsSentence(Text[end]))
            ++end;
        const QByteArrayView body = Text.sliced(at + 1, end - at - 1);
        bool printable = !body.isEmpty() && body.size() <= MaxSentenceBytes;
        quint8 sum = 0;
        for (const char c : body) {
            const auto byte = static_cast<unsigned char>(c);
            printable = printable && byte >= FirstPrintable && byte <= LastPrintable;
            sum ^= byte;
        }
        if (printable) {
            sealed += SentenceStart;
            sealed += body;
            sealed += ChecksumMark;
            sealed += HexDigits[sum >> 4];
            sealed += HexDigits[sum & 0x0f];
            sealed += "\r\n";
        }
        at = Text.indexOf(SentenceStart, end);
    }
    return sealed;
}

GpsFixList NmeaSentences::Plausible(GpsFixList Fixes)
{
    for (GpsFix &fix : Fixes) {
        if (fix.Valid && !(fix.SpeedKmh >= 0.0 && fix.SpeedKmh <= MaxSpeedKmh))
            fix.Valid = false;
    }
    return Fixes;
}
