#ifndef UCAMERAFILE_H
#define UCAMERAFILE_H

#include <QList>
#include <QString>

// Which camera of a recorder wrote a file. A recording of several cameras
// has one file per role; the front camera is its master.
enum class UCameraRole {
    Front,
    Rear,
    Interior,
    Telephoto,
    Left,
    Right,
    LeftPillar,
    RightPillar,
    Other,
};

// One camera's file of a recording.
struct UCameraFile
{
    UCameraRole Role = UCameraRole::Front;
    QString Path;
};

using UCameraFiles = QList<UCameraFile>;

// The role's name where the program writes it for other programs
// (`vialumo --list`): "front", "rear", "interior", "telephoto", "left",
// "right", "left_pillar", "right_pillar", "other".
inline QString CameraRoleName(UCameraRole Role)
{
    switch (Role) {
    case UCameraRole::Front:
        return QStringLiteral("front");
    case UCameraRole::Rear:
        return QStringLiteral("rear");
    case UCameraRole::Interior:
        return QStringLiteral("interior");
    case UCameraRole::Telephoto:
        return QStringLiteral("telephoto");
    case UCameraRole::Left:
        return QStringLiteral("left");
    case UCameraRole::Right:
        return QStringLiteral("right");
    case UCameraRole::LeftPillar:
        return QStringLiteral("left_pillar");
    case UCameraRole::RightPillar:
        return QStringLiteral("right_pillar");
    case UCameraRole::Other:
        break;
    }
    return QStringLiteral("other");
}

#endif // UCAMERAFILE_H
