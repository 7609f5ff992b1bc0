// Playback controls: the play/pause face and stepping through the list.
#include "tracora.h"
#include "tracora_state.h"

#include <QPushButton>

#include "catalogue/uvideoandgpsfiles.h"
#include "playback/uvlcwrapper.h"

namespace {

// The rules of the face being left: they never match the new object name,
// but setting them makes the button take its style anew.
const QString VideoPlayRules = QStringLiteral(
    "#VideoPlay          {border-image:url(./images/Video_Play.png); border-radius: 8px;}"
    "#VideoPlay:hover    {border-image:url(./images/Video_Play_Hover.png);}"
    "#VideoPlay:pressed  {border-image:url(./images/Video_Play_Pressed.png);}");
const QString VideoPauseRules = QStringLiteral(
    "#VideoPause         {border-image:url(./images/Video_Pause.png); border-radius: 8px;}"
    "#VideoPause:hover   {border-image:url(./images/Video_Pause_Hover.png);}"
    "#VideoPause:pressed {border-image:url(./images/Video_Pause_Pressed.png);}");

const QString SetLocationCall = QStringLiteral("SetLocation(22.40,113.40)");

} // namespace

void Tracora::SwitchPlaybuttonAndPausebutton()
{
    if (PlayButtonState == 1) {
        VideoPlay->setObjectName(QStringLiteral("VideoPause"));
        VideoPlay->setStyleSheet(VideoPlayRules);
        PlayButtonState = 0;
    } else {
        VideoPlay->setObjectName(QStringLiteral("VideoPlay"));
        VideoPlay->setStyleSheet(VideoPauseRules);
        PlayButtonState = 1;
    }
    RunMapScript(SetLocationCall);
}

void Tracora::PlayNext()
{
    const int index = VlcWrapper->GetIndex();
    if (index < VideoFiles->GetVideoCount() - 1) {
        LoadMapToPlay(index + 1);
        Status->CurrentPage = (index + 1) / ListPageSize;
        ListTableUpdate();
    }
}

void Tracora::PlayPrevious()
{
    const int index = VlcWrapper->GetIndex();
    if (index > 0) {
        LoadMapToPlay(index - 1);
        Status->CurrentPage = (index - 1) / ListPageSize;
        ListTableUpdate();
    }
}
