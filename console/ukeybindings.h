#ifndef UKEYBINDINGS_H
#define UKEYBINDINGS_H

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// What a key does in the player window.
enum class UKeyAction {
    PlayPause,
    Seek,            // Amount: milliseconds, negative backwards
    Volume,          // Amount: volume points
    Mute,
    NextRecording,
    PreviousRecording,
    NextPage,
    PreviousPage,
    PlaySelected,
    RemoveSelected,
    VideoFullScreen,
    Escape,          // leaves any full screen, cancels an import or an export, closes the key help
    ImportDialog,
    Rate,            // Amount: steps on the speed ladder
    Frame,           // Amount: frames, while paused
    Snapshot,
    Help,
    GpsShift,        // Amount: seconds the GPS track moves against the video
    CameraLayout,    // the next layout of a recording's cameras
    MarkIn,          // the clip's in-point at the play time
    MarkOut,         // the clip's out-point at the play time
    ClearMarkIn,
    ClearMarkOut,
    ExportClip,      // the marked stretch (or the whole recording) into a folder
    Event,           // Amount: 1 the next event, -1 the one before, across recordings
    EventsView,      // shows or hides the Events view
};

// One key of the player: the key and modifiers as Qt reports them, what it
// does, and the words the key help and the README show.
struct UKeyBinding
{
    int Key = 0;
    Qt::KeyboardModifiers Modifiers;
    UKeyAction Action = UKeyAction::Help;
    int Amount = 0;
    QString KeyText;
    QString HelpText;
};

// One line of the key help: the keys that share a help text.
struct UKeyHelpLine
{
    QString Keys;
    QString Text;
};

// Every key binding of the player window, in the order the help lists them.
class UKeyBindings
{
public:
    static const QList<UKeyBinding> &All();

    // The binding of a key press; none for keys the player leaves alone.
    // Shift is part of the key for punctuation ("?" is Shift+/ on many
    // layouts), and the keypad's Enter is the same as Return.
    static std::optional<UKeyBinding> Find(int Key, Qt::KeyboardModifiers Modifiers);

    static QList<UKeyHelpLine> HelpLines();
};

#endif // UKEYBINDINGS_H
