#include "uimportprogress.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QStringList>

namespace {

// Numbers grouped by thousands with commas, whatever the user's locale: the
// rest of the window's words are English too.
const QLocale NumberLocale(QLocale::English, QLocale::UnitedStates);

QString SkippedName(const USkipped &Skipped)
{
    const QString name = QFileInfo(QDir::cleanPath(Skipped.Path)).fileName();
    return (name.isEmpty() ? Skipped.Path : name) + QStringLiteral(" (") + UImportProgress::ReasonText(Skipped.Reason)
        + QLatin1Char(')');
}

} // namespace

QString UImportProgress::Number(qint64 Value)
{
    return NumberLocale.toString(Value);
}

QString UImportProgress::SearchingText()
{
    return QStringLiteral("Searching for videos...");
}

QString UImportProgress::RunningText(qint64 Done, qint64 Total)
{
    return QStringLiteral("Importing %1 of %2").arg(Number(Done), Number(Total));
}

QString UImportProgress::ReasonText(USkipReason Reason)
{
    switch (Reason) {
    case USkipReason::Unreadable:
        return QStringLiteral("cannot be read");
    case USkipReason::LinkLoop:
        return QStringLiteral("link loop");
    case USkipReason::Vanished:
        return QStringLiteral("vanished");
    case USkipReason::NotAVideo:
        return QStringLiteral("not a video");
    }
    return QString();
}

QString UImportProgress::ClosingText(qint64 Added, qint64 Total, qint64 Duplicates, const QList<USkipped> &Skipped,
                                     bool Cancelled)
{
    QString text = Cancelled ? QStringLiteral("Import cancelled: %1 of %2 added").arg(Number(Added), Number(Total))
                             : QStringLiteral("Imported %1 of %2").arg(Number(Added), Number(Total));
    if (Duplicates > 0)
        text += QStringLiteral("; %1 already in the list").arg(Number(Duplicates));
    if (!Skipped.isEmpty()) {
        QStringList names;
        for (qsizetype i = 0; i < Skipped.size() && i < NamedSkips; ++i)
            names << SkippedName(Skipped.at(i));
        text += QStringLiteral("; skipped %1: ").arg(Number(Skipped.size())) + names.join(QStringLiteral(", "));
        if (Skipped.size() > NamedSkips)
            text += QStringLiteral(" and %1 more").arg(Number(Skipped.size() - NamedSkips));
    }
    return text;
}
