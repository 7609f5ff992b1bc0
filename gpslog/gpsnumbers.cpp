#include "gpsnumbers.h"

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr char16_t PlusSign = u'+';
constexpr char16_t MinusSign = u'-';
constexpr char16_t LastAscii = 0x7f;
// Room on the stack for the text of an everyday number.
constexpr qsizetype ShortNumberLength = 64;

// Longest "%.<precision>g" text of a double with up to 17 digits:
// sign, digits, point, "e-308".
constexpr int GeneralTextCapacity = 32;
// Whole numbers of degrees get the decimals of the C library's plain "%f".
constexpr int WholeNumberDecimals = 6;

// A "%g" text with an exponent, written out: the digits moved behind
// "0.000" for a small number, or followed by zeros for a large one.
std::string WithoutExponent(const std::string &General)
{
    const std::size_t e = General.find('e');
    const bool negative = General.front() == '-';
    std::string digits;
    for (std::size_t k = negative ? 1 : 0; k < e; ++k) {
        if (General[k] != '.')
            digits += General[k];
    }
    const int exponent = std::stoi(General.substr(e + 1));
    std::string plain = negative ? "-" : "";
    if (exponent < 0) {
        plain += "0.";
        plain.append(std::size_t(-exponent - 1), '0');
        plain += digits;
    } else {
        // "%g" uses an exponent only from the precision on: every digit
        // stands before the point
        plain += digits;
        const int zeros = exponent - int(digits.size()) + 1;
        if (zeros > 0)
            plain.append(std::size_t(zeros), '0');
    }
    return plain;
}

} // namespace

namespace GpsNumbers {

double Read(QStringView Text)
{
    if (Text.isEmpty())
        return 0.0;
    if (Text.front().isSpace() || Text.back().isSpace())
        Text = Text.trimmed();
    // from_chars takes a "-" but no "+": the "+" goes, and a sign after it
    // stays a fault
    if (Text.startsWith(PlusSign)) {
        Text = Text.sliced(1);
        if (Text.startsWith(MinusSign))
            return 0.0;
    }
    if (Text.isEmpty())
        return 0.0;
    // Only ASCII can be part of a number; checked before narrowing, so that
    // no other character passes for the one its low byte is.
    QVarLengthArray<char, ShortNumberLength> ascii(Text.size());
    for (qsizetype k = 0; k < Text.size(); ++k) {
        const char16_t c = Text[k].unicode();
        if (c > LastAscii)
            return 0.0;
        ascii[k] = char(c);
    }
    const char *const end = ascii.data() + ascii.size();
    double value = 0.0;
    const auto result = std::from_chars(ascii.data(), end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return 0.0;
    return value + 0.0; // no negative zero
}

QString DegreesText(double Value, int SignificantDigits, int PaddedLength)
{
    char general[GeneralTextCapacity];
    const auto result = std::to_chars(general, general + sizeof general, Value, std::chars_format::general,
                                      SignificantDigits);
    std::string text(general, result.ptr);
    if (text.find('e') != std::string::npos)
        text = WithoutExponent(text);
    if (text.find('.') == std::string::npos) {
        text += '.';
        text.append(std::size_t(WholeNumberDecimals), '0');
    }
    QString degrees = QString::fromLatin1(text.data(), qsizetype(text.size()));
    if (degrees.size() < PaddedLength)
        degrees.append(QString(PaddedLength - degrees.size(), QLatin1Char('0')));
    return degrees;
}

} // namespace GpsNumbers
