#include "urecordingtext.h"

#include <QDir>
#include <QStringList>

namespace {

const QString Ellipsis = QStringLiteral("\u2026");

// Count back Characters whole characters from the end: a letter outside
// the basic plane is never cut in half.
QString Tail(const QString &Text, qsizetype Characters)
{
    qsizetype at = Text.size();
    for (qsizetype taken = 0; taken < Characters && at > 0; ++taken) {
        --at;
        if (at > 0 && Text.at(at).isLowSurrogate() && Text.at(at - 1).isHighSurrogate())
            --at;
    }
    return Text.mid(at);
}

QString Head(const QString &Text, qsizetype Characters)
{
    qsizetype at = 0;
    for (qsizetype taken = 0; taken < Characters && at < Text.size(); ++taken) {
        if (at + 1 < Text.size() && Text.at(at).isHighSurrogate() && Text.at(at + 1).isLowSurrogate())
            ++at;
        ++at;
    }
    return Text.left(at);
}

qsizetype Characters(const QString &Text)
{
    return QStringView(Text).toUcs4().size();
}

} // namespace

QString URecordingText::MarkLetters(UCameraRole Role)
{
    switch (Role) {
    case UCameraRole::Front:
        return QStringLiteral("F");
    case UCameraRole::Rear:
        return QStringLiteral("R");
    case UCameraRole::Interior:
        return QStringLiteral("I");
    case UCameraRole::Telephoto:
        return QStringLiteral("T");
    case UCameraRole::Left:
        return QStringLiteral("LS");
    case UCameraRole::Right:
        return QStringLiteral("RS");
    case UCameraRole::LeftPillar:
        return QStringLiteral("LP");
    case UCameraRole::RightPillar:
        return QStringLiteral("RP");
    case UCameraRole::Other:
        break;
    }
    return QStringLiteral("O");
}

QString URecordingText::CameraMark(const UCameraFiles &Cameras)
{
    if (Cameras.size() <= 1)
        return QString();
    if (Cameras.size() - 1 > NamedMarks)
        return QStringLiteral("+%1").arg(Cameras.size() - 1);
    QStringList marks;
    for (qsizetype camera = 1; camera < Cameras.size(); ++camera)
        marks << QLatin1Char('+') + MarkLetters(Cameras.at(camera).Role);
    return marks.join(QLatin1Char(' '));
}

QString URecordingText::NameCell(const QString &Name, const UCameraFiles &Cameras)
{
    const QString mark = CameraMark(Cameras);
    return mark.isEmpty() ? Name : Name + QLatin1Char(' ') + mark;
}

QString URecordingText::RoleWord(UCameraRole Role)
{
    switch (Role) {
    case UCameraRole::Front:
        return QStringLiteral("Front");
    case UCameraRole::Rear:
        return QStringLiteral("Rear");
    case UCameraRole::Interior:
        return QStringLiteral("Interior");
    case UCameraRole::Telephoto:
        return QStringLiteral("Telephoto");
    case UCameraRole::Left:
        return QStringLiteral("Left");
    case UCameraRole::Right:
        return QStringLiteral("Right");
    case UCameraRole::LeftPillar:
        return QStringLiteral("Left pillar");
    case UCameraRole::RightPillar:
        return QStringLiteral("Right pillar");
    case UCameraRole::Other:
        break;
    }
    return QStringLiteral("Other");
}

QString URecordingText::NameTooltip(const UCameraFiles &Cameras)
{
    if (Cameras.isEmpty())
        return QString();
    if (Cameras.size() == 1)
        return QDir::toNativeSeparators(Cameras.constFirst().Path);
    QStringList lines;
    for (const UCameraFile &camera : Cameras)
        lines << RoleWord(camera.Role) + QStringLiteral(": ") + QDir::toNativeSeparators(camera.Path);
    return lines.join(QLatin1Char('\n'));
}

QString URecordingText::FitName(const QString &Name, const QString &Mark,
                                const std::function<bool(const QString &)> &Fits)
{
    const QString after = Mark.isEmpty() ? QString() : QLatin1Char(' ') + Mark;
    if (Fits(Name + after))
        return Name + after;
    // Cut in the middle, keeping the first characters as long as enough of
    // the end fits beside them, else only the end.
    const auto cut = [&](const QString &Text, qsizetype Fewest) {
        const qsizetype length = Characters(Text);
        const QString head = Head(Text, HeadCharacters);
        for (qsizetype tail = length - HeadCharacters - 1; tail >= TailCharacters; --tail) {
            const QString text = head + Ellipsis + Tail(Text, tail) + after;
            if (Fits(text))
                return text;
        }
        for (qsizetype tail = length - 1; tail >= Fewest; --tail) {
            const QString text = Ellipsis + Tail(Text, tail) + after;
            if (Fits(text))
                return text;
        }
        return QString();
    };
    // The suffix, which every file of a card shares, goes first, as long as
    // the rest of the name stays whole ("CLIP0001.…").
    const qsizetype dot = Name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > 0 ? Name.left(dot) : Name;
    for (qsizetype kept = Name.size() - 1; kept >= stem.size() && dot > 0; --kept) {
        const QString text = Name.left(kept) + Ellipsis + after;
        if (Fits(text))
            return text;
    }
    QString text = cut(Name, TailCharacters);
    if (!text.isEmpty())
        return text;
    // Too narrow for the end with its suffix: the end of the name before it
    // ("…0001F +R").
    text = cut(stem, 1);
    if (!text.isEmpty())
        return text;
    // Not even the mark fits: the table cuts what is left.
    return Ellipsis + after;
}
