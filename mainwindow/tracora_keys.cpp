// The keyboard: every binding is in the console's key table; here a key
// press anywhere in the window is looked up and done, before a table, a
// slider or the map can take it for itself.
#include "tracora.h"
#include "tracora_state.h"

#include <algorithm>

#include <QKeyEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "catalogue/ufolderimport.h"
#include "catalogue/uvideoandgpsfiles.h"
#include "console/ukeybindings.h"
#include "console/ulistpaging.h"
#include "export/uclipexportjob.h"
#include "widgets/uoverlaylabel.h"

namespace {

// Whether the object is the window or a widget inside it (not inside a
// dialog of its own), found before calling into the object at all: a web
// view sends key events to items of its own while they are being torn down.
bool IsWidgetOf(const QWidget *Window, const QObject *Object)
{
    if (Object == Window)
        return true;
    const QList<QWidget *> widgets = Window->findChildren<QWidget *>();
    const auto found = std::find(widgets.cbegin(), widgets.cend(), Object);
    return found != widgets.cend() && (*found)->window() == Window;
}

} // namespace

bool Tracora::eventFilter(QObject *watched, QEvent *event)
{
    // Key events reach the window's platform window first, then the widget
    // with the focus (or the window): the widget is where they are taken.
    if (event->type() == QEvent::KeyPress && (IsWidgetOf(this, watched) || IsEventsViewWidget(watched)))
        return HandleKey(static_cast<QKeyEvent *>(event));
    if (HandleMapPointer(watched, event))
        return true;
    return QWidget::eventFilter(watched, event);
}

bool Tracora::HandleKey(const QKeyEvent *Event)
{
    const std::optional<UKeyBinding> binding = UKeyBindings::Find(Event->key(), Event->modifiers());
    if (!binding)
        return false;
    RunKey(*binding);
    return true;
}

void Tracora::RunKey(const UKeyBinding &Binding)
{
    switch (Binding.Action) {
    case UKeyAction::PlayPause:
        VideoPlay->click();
        break;
    case UKeyAction::Seek:
        SeekBy(Binding.Amount);
        break;
    case UKeyAction::Volume:
        StepVolume(Binding.Amount);
        break;
    case UKeyAction::Mute:
        ToggleMute();
        break;
    case UKeyAction::NextRecording:
        VideoNext->click();
        break;
    case UKeyAction::PreviousRecording:
        VideoPre->click();
        break;
    case UKeyAction::NextPage:
        VideoListNextPage->click();
        break;
    case UKeyAction::PreviousPage:
        VideoListPrePage->click();
        break;
    case UKeyAction::PlaySelected:
        PlaySelectedRow();
        break;
    case UKeyAction::RemoveSelected:
        VideoListItemDelete->click();
        break;
    case UKeyAction::VideoFullScreen:
        fullscreen();
        break;
    case UKeyAction::Escape:
        EscapeKey();
        break;
    case UKeyAction::ImportDialog:
        // The dialog runs its own event loop: not inside this key's delivery.
        QTimer::singleShot(0, VideoListItemImport, &QPushButton::click);
        break;
    case UKeyAction::Rate:
        StepRate(Binding.Amount);
        break;
    case UKeyAction::Frame:
        StepFrame(Binding.Amount);
        break;
    case UKeyAction::Snapshot:
        TakeSnapshot();
        break;
    case UKeyAction::Help:
        ToggleKeyHelp();
        break;
    case UKeyAction::GpsShift:
        StepGpsShift(Binding.Amount);
        break;
    case UKeyAction::CameraLayout:
        NextCameraLayout();
        break;
    case UKeyAction::MarkIn:
    case UKeyAction::MarkOut:
    case UKeyAction::ClearMarkIn:
    case UKeyAction::ClearMarkOut:
        MarkClip(Binding.Action);
        break;
    case UKeyAction::ExportClip:
        // The folder dialog runs its own event loop: not inside this key's delivery.
        QTimer::singleShot(0, this, [this] { ExportClip(ClipToExport()); });
        break;
    case UKeyAction::Event:
        StepEvent(Binding.Amount);
        break;
    case UKeyAction::EventsView:
        ToggleEventsView();
        break;
    }
}

void Tracora::PlaySelectedRow()
{
    const int index
        = UListPaging::IndexToDelete(Status->CurrentPage, VideoListLeft->currentRow(), VideoListRight->currentRow());
    if (index >= 0 && index < VideoFiles->GetVideoCount())
        LoadMapToPlay(index);
}

void Tracora::EscapeKey()
{
    if (KeyHelp->isVisible()) {
        KeyHelp->hide();
        return;
    }
    if (FolderImport->IsRunning())
        FolderImport->Cancel();
    if (ClipExport->IsRunning())
        ClipExport->Cancel();
    if (VideoFullScreen)
        fullscreen();
    else if (Status->WindowFull != 0)
        MaxWindow();
}
