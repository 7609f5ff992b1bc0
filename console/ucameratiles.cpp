#include "ucameratiles.h"

#include "console/urecordingtext.h"

#include <algorithm>

QString UCameraTiles::RoleText(UCameraRole Role)
{
    // The same word the list's tooltip gives the camera.
    return URecordingText::RoleWord(Role);
}

QString UCameraTiles::Label(UCameraRole Role, UCameraFace Face)
{
    switch (Face) {
    case UCameraFace::CannotPlay:
        return RoleText(Role) + QStringLiteral(": cannot play");
    case UCameraFace::NoRecording:
        return RoleText(Role) + QStringLiteral(": no recording");
    case UCameraFace::Waiting:
    case UCameraFace::Playing:
        break;
    }
    return QString();
}

UCameraFiles UCameraTiles::Shown(const UCameraFiles &Recording, const UCameraFiles &Before, bool ByAutoplay)
{
    UCameraFiles shown = Recording.mid(0, MaxCameras);
    if (shown.size() < 2 || !ByAutoplay || Before.size() < 2)
        return shown;
    for (const UCameraFile &camera : Before) {
        if (shown.size() >= MaxCameras)
            break;
        const bool present = std::any_of(shown.cbegin(), shown.cend(),
                                         [&camera](const UCameraFile &own) { return own.Role == camera.Role; });
        // Roles that are not told apart (Other) are not carried: which of
        // them would be missing cannot be said.
        if (!present && camera.Role != UCameraRole::Other)
            shown << UCameraFile{camera.Role, QString()};
    }
    return shown;
}
