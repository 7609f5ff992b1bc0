#include "ukeybindings.h"

#include <algorithm>

namespace {

constexpr int ShortSeekMs = 1000;
constexpr int SeekMs = 5000;
constexpr int LongSeekMs = 60000;
constexpr int VolumeStep = 5;

UKeyBinding Bind(int Key, Qt::KeyboardModifiers Modifiers, UKeyAction Action, int Amount, const char *KeyText,
                 const char *HelpText)
{
    UKeyBinding binding;
    binding.Key = Key;
    binding.Modifiers = Modifiers;
    binding.Action = Action;
    binding.Amount = Amount;
    binding.KeyText = QString::fromUtf8(KeyText);
    binding.HelpText = QString::fromUtf8(HelpText);
    return binding;
}

QList<UKeyBinding> MakeBindings()
{
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    using A = UKeyAction;
    return {
        Bind(Qt::Key_Space, none, A::PlayPause, 0, "Space", "Play / pause"),
        Bind(Qt::Key_Left, none, A::Seek, -SeekMs, "Left", "Back 5 s"),
        Bind(Qt::Key_Right, none, A::Seek, SeekMs, "Right", "Forward 5 s"),
        Bind(Qt::Key_Left, shift, A::Seek, -ShortSeekMs, "Shift+Left", "Back 1 s"),
        Bind(Qt::Key_Right, shift, A::Seek, ShortSeekMs, "Shift+Right", "Forward 1 s"),
        Bind(Qt::Key_Left, ctrl, A::Seek, -LongSeekMs, "Ctrl+Left", "Back 60 s"),
        Bind(Qt::Key_Right, ctrl, A::Seek, LongSeekMs, "Ctrl+Right", "Forward 60 s"),
        Bind(Qt::Key_Up, none, A::Volume, VolumeStep, "Up", "Volume up"),
        Bind(Qt::Key_Down, none, A::Volume, -VolumeStep, "Down", "Volume down"),
        Bind(Qt::Key_M, none, A::Mute, 0, "M", "Mute / sound on"),
        Bind(Qt::Key_N, none, A::NextRecording, 0, "N", "Next recording"),
        Bind(Qt::Key_P, none, A::PreviousRecording, 0, "P", "Previous recording"),
        Bind(Qt::Key_PageUp, none, A::PreviousPage, 0, "Page Up", "Previous list page"),
        Bind(Qt::Key_PageDown, none, A::NextPage, 0, "Page Down", "Next list page"),
        Bind(Qt::Key_Return, none, A::PlaySelected, 0, "Enter", "Play the selected row"),
        Bind(Qt::Key_Delete, none, A::RemoveSelected, 0, "Delete", "Remove the selected row"),
        Bind(Qt::Key_F, none, A::VideoFullScreen, 0, "F", "Video full screen"),
        Bind(Qt::Key_Escape, none, A::Escape, 0, "Esc", "Leave full screen, stop an import or export"),
        Bind(Qt::Key_O, ctrl, A::ImportDialog, 0, "Ctrl+O", "Import files"),
        Bind(Qt::Key_BracketLeft, none, A::Rate, -1, "[", "Slower"),
        Bind(Qt::Key_BracketRight, none, A::Rate, 1, "]", "Faster"),
        Bind(Qt::Key_Comma, none, A::Frame, -1, ",", "One frame back (paused)"),
        Bind(Qt::Key_Period, none, A::Frame, 1, ".", "One frame forward (paused)"),
        Bind(Qt::Key_S, none, A::Snapshot, 0, "S", "Snapshot"),
        Bind(Qt::Key_V, none, A::CameraLayout, 0, "V", "Next camera layout"),
        Bind(Qt::Key_Left, alt, A::GpsShift, -1, "Alt+Left", "GPS track 1 s earlier"),
        Bind(Qt::Key_Right, alt, A::GpsShift, 1, "Alt+Right", "GPS track 1 s later"),
        Bind(Qt::Key_E, none, A::Event, 1, "E", "Next event (from 5 s before it)"),
        Bind(Qt::Key_E, shift, A::Event, -1, "Shift+E", "Previous event (from 5 s before it)"),
        Bind(Qt::Key_E, ctrl | shift, A::EventsView, 0, "Ctrl+Shift+E", "Show / hide the Events view"),
        Bind(Qt::Key_I, none, A::MarkIn, 0, "I", "Mark the clip's start"),
        Bind(Qt::Key_O, none, A::MarkOut, 0, "O", "Mark the clip's end"),
        Bind(Qt::Key_I, shift, A::ClearMarkIn, 0, "Shift+I", "Clear the start mark"),
        Bind(Qt::Key_O, shift, A::ClearMarkOut, 0, "Shift+O", "Clear the end mark"),
        Bind(Qt::Key_E, ctrl, A::ExportClip, 0, "Ctrl+E", "Export the clip"),
        Bind(Qt::Key_F1, none, A::Help, 0, "F1", "Show / hide these keys"),
        Bind(Qt::Key_Question, none, A::Help, 0, "?", "Show / hide these keys"),
    };
}

// Keys whose character needs Shift on some layouts and not on others.
bool ShiftIsPartOfKey(int Key)
{
    switch (Key) {
    case Qt::Key_Question:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
    case Qt::Key_Comma:
    case Qt::Key_Period:
        return true;
    default:
        return false;
    }
}

} // namespace

const QList<UKeyBinding> &UKeyBindings::All()
{
    static const QList<UKeyBinding> bindings = MakeBindings();
    return bindings;
}

std::optional<UKeyBinding> UKeyBindings::Find(int Key, Qt::KeyboardModifiers Modifiers)
{
    Qt::KeyboardModifiers modifiers
        = Modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (Key == Qt::Key_Enter)
        Key = Qt::Key_Return;
    if (ShiftIsPartOfKey(Key))
        modifiers &= ~Qt::KeyboardModifiers(Qt::ShiftModifier);
    for (const UKeyBinding &binding : All()) {
        if (binding.Key == Key && binding.Modifiers == modifiers)
            return binding;
    }
    return std::nullopt;
}

QList<UKeyHelpLine> UKeyBindings::HelpLines()
{
    QList<UKeyHelpLine> lines;
    for (const UKeyBinding &binding : All()) {
        auto same = std::find_if(lines.begin(), lines.end(),
                                 [&binding](const UKeyHelpLine &line) { return line.Text == binding.HelpText; });
        if (same != lines.end())
            same->Keys += QStringLiteral(", ") + binding.KeyText;
        else
            lines.append({binding.KeyText, binding.HelpText});
    }
    return lines;
}
