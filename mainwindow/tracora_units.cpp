// Speeds and times as the user reads them: the speed unit chosen on the
// speedometer's right-click menu, shown by the dial and the map page, and
// the recording's local time in the tooltips of the play time and of the
// list's file names. What to show is the console's to say (USpeedUnit,
// URecordingTime); the window shows it.
#include "tracora.h"
#include "tracora_state.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QSettings>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/umapscript.h"
#include "console/urecordingtime.h"
#include "console/usettingskeys.h"
#include "gpslog/gpslogdata.h"
#include "playback/uvlcwrapper.h"
#include "widgets/uspeedmeter.h"

void Tracora::BuildUnitParts()
{
    SpeedUnit = USpeedUnit::FromKey(Settings->value(USettingsKeys::SpeedUnit()).toString());
    CarSpeedMeter->SetUnit(USpeedUnit::Key(SpeedUnit));
    CarSpeedMeter->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(CarSpeedMeter, &QWidget::customContextMenuRequested, this, &Tracora::ShowSpeedUnitMenu);
    LocalZone = URecordingTime::Zone(Settings->value(USettingsKeys::TimeZone()).toString());
}

void Tracora::ShowSpeedUnitMenu(const QPoint &Position)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("SpeedUnitMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    auto *units = new QActionGroup(menu);
    for (const USpeedUnit::Kind unit : {USpeedUnit::Kmh, USpeedUnit::Mph}) {
        QAction *action = menu->addAction(USpeedUnit::Name(unit));
        action->setObjectName(unit == USpeedUnit::Mph ? QStringLiteral("SpeedUnitMph") : QStringLiteral("SpeedUnitKmh"));
        action->setCheckable(true);
        action->setChecked(unit == SpeedUnit);
        units->addAction(action);
        connect(action, &QAction::triggered, this, [this, unit] { SetSpeedUnit(unit); });
    }
    menu->popup(CarSpeedMeter->mapToGlobal(Position));
}

void Tracora::SetSpeedUnit(USpeedUnit::Kind Unit)
{
    SpeedUnit = Unit;
    Settings->setValue(USettingsKeys::SpeedUnit(), USpeedUnit::Key(Unit));
    Settings->sync();
    CarSpeedMeter->SetUnit(USpeedUnit::Key(Unit));
    // The page shown now takes it at once; a page loaded later gets it with its route.
    RunMapScript(UMapScript::SetUnitsCall(USpeedUnit::Key(Unit)));
}

QStringList Tracora::MapSettingsCalls()
{
    QStringList calls{UMapScript::SetUnitsCall(USpeedUnit::Key(SpeedUnit))};
    const QString tiles = Settings->value(USettingsKeys::MapTiles()).toString();
    if (!tiles.isEmpty())
        calls << UMapScript::SetTilesCall(tiles);
    return calls;
}

void Tracora::ShowPlayTimeTooltip(const UDisplayReading &Reading)
{
    // The track tells the time only on a map page that has read it for this
    // recording; otherwise it may still be the one before's.
    const int index = VlcWrapper->GetIndex();
    const bool playing = Reading.EngineState == UVlcWrapper::StatePlaying
        || Reading.EngineState == UVlcWrapper::StatePaused;
    QString text;
    if (playing && index >= 0) {
        const GpsTrack *track = UDisplayTick::FollowsTrack(Reading) ? &GpsLog->GetTrack() : nullptr;
        text = URecordingTime::Text(URecordingTime::AtPlayTime(track, Reading.Time, Reading.GpsShiftSeconds,
                                                               VideoFiles->GetVideoDateTime(index)),
                                    LocalZone);
    }
    if (VideoTimeLabel->toolTip() != text)
        VideoTimeLabel->setToolTip(text);
}

QString Tracora::RecordedText(int Index) const
{
    const QString time = URecordingTime::Text(VideoFiles->GetVideoDateTime(Index), LocalZone);
    return time.isEmpty() ? QString() : QStringLiteral("Recorded ") + time;
}
