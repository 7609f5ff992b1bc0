#include "ucameranaming.h"

#include "gpslog/videospan.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTime>
#include <QTimeZone>

#include <initializer_list>

namespace {

// The parts of a path the rules look at.
struct NameParts
{
    QString Folder;     // clean absolute folder of the file
    QString FolderName; // its last part
    QString Parent;     // the folder above it
    QString Stem;       // the file name without its last suffix
};

using RuleMatch = bool (*)(const NameParts &Parts, UCameraName &Name);

struct NamingRule
{
    const char *Name;
    RuleMatch Match;
};

// Two-digit years of a recorder's names are this century's.
constexpr int Century = 2000;
constexpr const char *MomentFormat = "yyyyMMddhhmmss";

// Names are compared without regard to case: cards copied by some tools
// come out in lower case. Patterns are compiled once per thread, since
// imports read names on worker threads.
constexpr QRegularExpression::PatternOption NoCase = QRegularExpression::CaseInsensitiveOption;

int Number(const QRegularExpressionMatch &Match, int Group)
{
    return Match.capturedView(Group).toInt();
}

// A date and time read from the name, or an invalid one where the digits
// name no moment (a month 13, a second 61): such a name is no recorder's.
// Only a key for telling moments apart: kept in UTC, so that a clock change
// of the computer's zone neither moves nor drops it.
QDateTime MomentOf(int Year, int Month, int Day, int Hour, int Minute, int Second)
{
    const QDate date(Year, Month, Day);
    const QTime time(Hour, Minute, Second);
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time, QTimeZone::utc());
}

QString MomentText(const QDateTime &Moment)
{
    return Moment.toString(QLatin1String(MomentFormat));
}

bool IsOneOf(const QString &Word, std::initializer_list<const char *> Words)
{
    for (const char *word : Words) {
        if (Word.compare(QLatin1String(word), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Folders of cameras side by side (70mai and others): CARD/Normal/Front,
// CARD/Normal/Back.
bool RoleOfFolder(const QString &FolderName, UCameraRole &Role)
{
    if (IsOneOf(FolderName, {"front"}))
        Role = UCameraRole::Front;
    else if (IsOneOf(FolderName, {"back", "rear"}))
        Role = UCameraRole::Rear;
    else if (IsOneOf(FolderName, {"inside"}))
        Role = UCameraRole::Interior;
    else
        return false;
    return true;
}

// BlackVue: 20260501_120000_NF.mp4, the type of recording (N normal, E
// event, P parking, ...) and the camera (F front, R rear, I interior, O the
// optional one), S or L for the recorder's second stream of the moment. The
// side files 20260501_120000_N.gps and .3gf belong to all cameras.
bool BlackVue(const NameParts &Parts, UCameraName &Name)
{
    thread_local const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})(\\d{2})(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_([A-Z])([FRIO])([SL]?)$"), NoCase);
    const QRegularExpressionMatch match = pattern.match(Parts.Stem);
    if (!match.hasMatch())
        return false;
    const QDateTime moment = MomentOf(Number(match, 1), Number(match, 2), Number(match, 3), Number(match, 4),
                                      Number(match, 5), Number(match, 6));
    if (!moment.isValid())
        return false;
    switch (match.capturedView(8).front().toUpper().unicode()) {
    case u'F':
        Name.Role = UCameraRole::Front;
        break;
    case u'R':
        Name.Role = UCameraRole::Rear;
        break;
    case u'I':
        Name.Role = UCameraRole::Interior;
        break;
    default:
        Name.Role = UCameraRole::Other;
        break;
    }
    Name.Tree = Parts.Folder;
    Name.Moment = MomentText(moment) + match.captured(7).toUpper() + match.captured(9).toUpper();
    Name.SideStem = Parts.Folder + QLatin1Char('/') + Parts.Stem.left(match.capturedEnd(7));
    return true;
}

// Viofo: 2026_0501_120000_0001F.MP4, F front, R rear, I interior, T
// telephoto; a name without the letter is the front camera's.
bool Viofo(const NameParts &Parts, UCameraName &Name)
{
    thread_local const QRegularExpression pattern(
        QStringLiteral("^(\\d{4})_(\\d{2})(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_(\\d{1,8})([FRIT]?)$"), NoCase);
    const QRegularExpressionMatch match = pattern.match(Parts.Stem);
    if (!match.hasMatch())
        return false;
    const QDateTime moment = MomentOf(Number(match, 1), Number(match, 2), Number(match, 3), Number(match, 4),
                                      Number(match, 5), Number(match, 6));
    if (!moment.isValid())
        return false;
    const QStringView letter = match.capturedView(8);
    const char16_t camera = letter.isEmpty() ? u'F' : letter.front().toUpper().unicode();
    Name.Role = camera == u'R' ? UCameraRole::Rear
        : camera == u'I'       ? UCameraRole::Interior
        : camera == u'T'       ? UCameraRole::Telephoto
                               : UCameraRole::Front;
    Name.Tree = Parts.Folder;
    // The number counts files, not moments: the cameras of one moment may
    // number theirs apart.
    Name.Moment = MomentText(moment);
    return true;
}

// Nextbase: 260501_120000_001_FH.MP4, F front or R rear, H high or L low
// quality, perhaps more after another underscore. The high quality copy is
// the camera's file.
bool Nextbase(const NameParts &Parts, UCameraName &Name)
{
    thread_local const QRegularExpression pattern(
        QStringLiteral("^(\\d{2})(\\d{2})(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_(\\d{1,6})_([FR])([HL])(_.*)?$"), NoCase);
    const QRegularExpressionMatch match = pattern.match(Parts.Stem);
    if (!match.hasMatch())
        return false;
    const QDateTime moment = MomentOf(Century + Number(match, 1), Number(match, 2), Number(match, 3),
                                      Number(match, 4), Number(match, 5), Number(match, 6));
    if (!moment.isValid())
        return false;
    Name.Role = match.capturedView(8).compare(QLatin1String("R"), Qt::CaseInsensitive) == 0 ? UCameraRole::Rear
                                                                                             : UCameraRole::Front;
    Name.Quality = match.capturedView(9).compare(QLatin1String("H"), Qt::CaseInsensitive) == 0 ? 1 : 0;
    Name.Tree = Parts.Folder;
    Name.Moment = MomentText(moment);
    return true;
}

// Thinkware: REC_2026_05_01_12_00_00_F.MP4 and ..._R.MP4 in the recorder's
// folders of continuous, event, parking, motion and manual recordings.
bool Thinkware(const NameParts &Parts, UCameraName &Name)
{
    if (!IsOneOf(Parts.FolderName, {"cont_rec", "evt_rec", "parking_rec", "motion_rec", "manual_rec"}))
        return false;
    thread_local const QRegularExpression pattern(QStringLiteral("^(.+)_([FR])$"), NoCase);
    const QRegularExpressionMatch match = pattern.match(Parts.Stem);
    if (!match.hasMatch())
        return false;
    Name.Role = match.capturedView(2).compare(QLatin1String("R"), Qt::CaseInsensitive) == 0 ? UCameraRole::Rear
                                                                                             : UCameraRole::Front;
    Name.Tree = Parts.Folder;
    Name.Moment = match.captured(1).toUpper();
    return true;
}

// 70mai and others that keep each camera in a folder of its own beside the
// others' (Normal/Front, Normal/Back), a moment's files named with its date
// and time.
bool SiblingFolders(const NameParts &Parts, UCameraName &Name)
{
    UCameraRole role;
    if (!RoleOfFolder(Parts.FolderName, role))
        return false;
    const QDateTime moment = VideoSpan::StartFromName(Parts.Stem);
    if (!moment.isValid())
        return false;
    Name.Role = role;
    Name.Tree = Parts.Parent;
    Name.Moment = MomentText(moment);
    return true;
}

// Tesla: 2026-05-01_12-00-00-front.mp4 beside -back (or -rear_view),
// -left_repeater, -right_repeater, -left_pillar and -right_pillar.
bool Tesla(const NameParts &Parts, UCameraName &Name)
{
    thread_local const QRegularExpression pattern(
        QStringLiteral("^((\\d{4})-(\\d{2})-(\\d{2})_(\\d{2})-(\\d{2})-(\\d{2}))-"
                       "(front|back|rear_view|left_repeater|right_repeater|left_pillar|right_pillar)$"),
        NoCase);
    const QRegularExpressionMatch match = pattern.match(Parts.Stem);
    if (!match.hasMatch())
        return false;
    const QDateTime moment = MomentOf(Number(match, 2), Number(match, 3), Number(match, 4), Number(match, 5),
                                      Number(match, 6), Number(match, 7));
    if (!moment.isValid())
        return false;
    const QString camera = match.captured(8).toLower();
    if (camera == QLatin1String("front"))
        Name.Role = UCameraRole::Front;
    else if (camera == QLatin1String("back") || camera == QLatin1String("rear_view"))
        Name.Role = UCameraRole::Rear;
    else if (camera == QLatin1String("left_repeater"))
        Name.Role = UCameraRole::Left;
    else if (camera == QLatin1String("right_repeater"))
        Name.Role = UCameraRole::Right;
    else if (camera == QLatin1String("left_pillar"))
        Name.Role = UCameraRole::LeftPillar;
    else
        Name.Role = UCameraRole::RightPillar;
    Name.Tree = Parts.Folder;
    Name.Moment = MomentText(moment);
    return true;
}

// The camera a word of a name stands for.
bool RoleOfWord(const QString &Word, UCameraRole &Role)
{
    if (IsOneOf(Word, {"front", "f"}))
        Role = UCameraRole::Front;
    else if (IsOneOf(Word, {"rear", "back", "r", "b"}))
        Role = UCameraRole::Rear;
    else if (IsOneOf(Word, {"inside", "interior", "cabin", "i"}))
        Role = UCameraRole::Interior;
    else
        return false;
    return true;
}

// Any other recorder: a camera named in the file name (a word such as
// "rear", or a letter after the file's number: 000121F, 000122B) or by its
// folder. Which files belong together is told by their start times and
// lengths, not by their names.
bool ByStartTime(const NameParts &Parts, UCameraName &Name)
{
    thread_local const QRegularExpression separators(QStringLiteral("[_\\-.\\s]+"), NoCase);
    thread_local const QRegularExpression numbered(QStringLiteral("\\d([FRBI])$"), NoCase);
    const QStringList words = Parts.Stem.split(separators, Qt::SkipEmptyParts);
    bool found = false;
    for (auto word = words.crbegin(); word != words.crend() && !found; ++word) {
        found = RoleOfWord(*word, Name.Role);
        if (!found && word == words.crbegin()) {
            const QRegularExpressionMatch letter = numbered.match(*word);
            found = letter.hasMatch() && RoleOfWord(letter.captured(1), Name.Role);
        }
    }
    UCameraRole folderRole;
    const bool inRoleFolder = RoleOfFolder(Parts.FolderName, folderRole)
        || IsOneOf(Parts.FolderName, {"interior"});
    if (!found && inRoleFolder) {
        found = true;
        Name.Role = IsOneOf(Parts.FolderName, {"interior"}) ? UCameraRole::Interior : folderRole;
    }
    if (!found)
        return false;
    Name.Tree = inRoleFolder ? Parts.Parent : Parts.Folder;
    Name.ByTime = true;
    return true;
}

// One row per rule, in the order they are tried.
const NamingRule Rules[] = {
    {"tesla", Tesla},
    {"blackvue", BlackVue},
    {"viofo", Viofo},
    {"nextbase", Nextbase},
    {"thinkware", Thinkware},
    {"sibling_folders", SiblingFolders},
    {"start_time", ByStartTime},
};

} // namespace

UCameraName UCameraNaming::Read(const QString &VideoPath)
{
    UCameraName name;
    if (VideoPath.isEmpty())
        return name;
    const QFileInfo info(VideoPath);
    NameParts parts;
    parts.Folder = QDir::cleanPath(info.absolutePath());
    const QFileInfo folder(parts.Folder);
    parts.FolderName = folder.fileName();
    parts.Parent = QDir::cleanPath(folder.absolutePath());
    const QString file = info.fileName();
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    parts.Stem = dot > 0 ? file.left(dot) : file;
    for (const NamingRule &rule : Rules) {
        UCameraName candidate;
        if (rule.Match(parts, candidate)) {
            candidate.Known = true;
            candidate.Rule = QLatin1String(rule.Name);
            return candidate;
        }
    }
    return name;
}

QStringList UCameraNaming::RuleNames()
{
    QStringList names;
    for (const NamingRule &rule : Rules)
        names << QLatin1String(rule.Name);
    return names;
}
