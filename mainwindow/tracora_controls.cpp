// Playback controls: the play/pause face and stepping through the list.
#include "tracora.h"
#include "tracora_state.h"

#include <QPushButton>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/ulistpaging.h"
#include "console/umapscript.h"
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
    RunMapScript(UMapScript::SetLocationCall());
}

void Tracora::PlayNext()
{
    if (const auto step = UListPaging::NextRecording(VlcWrapper->GetIndex(), VideoFiles->GetVideoCount())) {
        LoadMapToPlay(step->Index);
        Status->CurrentPage = step->Page;
        ListTableUpdate();
    }
}

void Tracora::PlayPrevious()
{
    if (const auto step = UListPaging::PreviousRecording(VlcWrapper->GetIndex())) {
        LoadMapToPlay(step->Index);
        Status->CurrentPage = step->Page;
        ListTableUpdate();
    }
}
