#ifndef GPSNUMBERS_H
#define GPSNUMBERS_H

#include <QString>
#include <QStringView>

// Numbers as GPS files write them, and decimal degrees written for the
// position label and the map page.
namespace GpsNumbers {

// A decimal number: an optional sign ("+" or "-"), digits with at most one
// ".", an optional exponent; blanks around it are allowed, inside it not.
// Anything else, and anything that does not fit a finite double ("nan",
// "inf", "1e400"), reads as 0, so only finite numbers ever reach the map
// page. Never a negative zero.
double Read(QStringView Text);

// Value (finite) as the C library's "%.<SignificantDigits>g" writes it,
// turned into a plain decimal that reads as the same number: an exponent is
// written out in digits, a whole number gets a decimal point and six zeros.
// Then zeros are appended up to PaddedLength characters.
QString DegreesText(double Value, int SignificantDigits, int PaddedLength);

} // namespace GpsNumbers

#endif // GPSNUMBERS_H
