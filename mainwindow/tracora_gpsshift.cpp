// The GPS shift: a recording's track moved against its video a second at
// a time, remembered per recording.
#include "tracora.h"
#include "tracora_state.h"

#include <QSettings>

#include "catalogue/ufoldersearch.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/uplaybacksteps.h"
#include "console/usettingskeys.h"
#include "playback/uvlcwrapper.h"

int Tracora::GpsShiftOf(int Index)
{
    const QString path = VideoFiles->GetVideoPath(Index);
    if (path.isEmpty())
        return 0;
    const auto known = GpsShifts.constFind(path);
    if (known != GpsShifts.constEnd())
        return *known;
    const int shift = Settings->value(USettingsKeys::GpsShift(UFolderSearch::IdentityOf(path)), 0).toInt();
    GpsShifts.insert(path, shift);
    return shift;
}

void Tracora::StepGpsShift(int Delta)
{
    const int index = VlcWrapper->GetIndex();
    const QString path = VideoFiles->GetVideoPath(index);
    if (path.isEmpty()) {
        ShowNote(QStringLiteral("Choose a recording first"));
        return;
    }
    const int shift = UPlaybackSteps::StepGpsShift(GpsShiftOf(index), Delta);
    GpsShifts.insert(path, shift);
    const QString key = USettingsKeys::GpsShift(UFolderSearch::IdentityOf(path));
    if (shift == 0)
        Settings->remove(key);
    else
        Settings->setValue(key, shift);
    Settings->sync();
    ShowNote(UPlaybackSteps::GpsShiftText(shift));
}
