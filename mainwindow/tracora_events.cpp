// The events of every recording and the trips: the Events view, E and
// Shift+E, a moment played from the view or the map, and the marks, the
// G-sensor trace and the trip sent to the map. What the events are, their
// order and their texts are the console's (UEventRows, UTrips,
// UEventScript); here widgets are filled and the engine is asked.
#include "tracora.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "catalogue/uvideoandgpsfiles.h"
#include "console/udisplaytick.h"
#include "console/ueventrows.h"
#include "console/ueventscript.h"
#include "console/ulistpaging.h"
#include "console/usettingskeys.h"
#include "console/utrips.h"
#include "events/ueventindex.h"
#include "playback/uplaybackgroup.h"
#include "playback/uvlcwrapper.h"

namespace {

// The view's table redraws at most this often while events come in.
constexpr int RefreshDelayMs = 300;
// A moment waits for the engine to play its recording this often, and no
// longer than MomentTries times.
constexpr int MomentPollMs = 100;
constexpr int MaxMomentTries = 150;
constexpr int MaxSpeedLimitKmh = 300;
constexpr int ViewWidth = 660;
constexpr int ViewHeight = 420;

enum EventColumn { FileColumn, TimeColumn, KindColumn, StrengthColumn, EventColumns };
enum TripColumn { TripStartColumn, TripFilesColumn, TripDurationColumn, TripDistanceColumn, TripTopColumn, TripColumns };

QList<UTripInput> Inputs(const UEventIndex &Index)
{
    QList<UTripInput> inputs;
    inputs.reserve(Index.Count());
    for (int i = 0; i < Index.Count(); ++i)
        inputs.append({i, Index.At(i)});
    return inputs;
}

QTableWidget *MakeTable(QWidget *Parent, const QString &Name, const QStringList &Headers)
{
    auto *table = new QTableWidget(0, int(Headers.size()), Parent);
    table->setObjectName(Name);
    table->setHorizontalHeaderLabels(Headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setWordWrap(false);
    return table;
}

QTableWidgetItem *Item(const QString &Text, const QVariant &Data = {})
{
    auto *item = new QTableWidgetItem(Text);
    if (Data.isValid())
        item->setData(Qt::UserRole, Data);
    return item;
}

} // namespace

void Tracora::BuildEventsParts()
{
    EventIndex = new UEventIndex(VideoFiles, this);

    EventsView = new QWidget(this, Qt::Tool);
    EventsView->setObjectName(QStringLiteral("EventsView"));
    EventsView->setWindowTitle(QStringLiteral("Events"));
    EventsView->resize(ViewWidth, ViewHeight);
    auto *layout = new QVBoxLayout(EventsView);
    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(QStringLiteral("Sort by"), EventsView));
    EventsOrder = new QComboBox(EventsView);
    EventsOrder->setObjectName(QStringLiteral("EventsOrder"));
    EventsOrder->addItems({QStringLiteral("Time"), QStringLiteral("Strength")});
    bar->addWidget(EventsOrder);
    bar->addSpacing(16);
    bar->addWidget(new QLabel(QStringLiteral("Speeding over"), EventsView));
    SpeedLimit = new QSpinBox(EventsView);
    SpeedLimit->setObjectName(QStringLiteral("SpeedLimit"));
    SpeedLimit->setRange(0, MaxSpeedLimitKmh);
    SpeedLimit->setSuffix(QStringLiteral(" km/h"));
    SpeedLimit->setSpecialValueText(QStringLiteral("Off"));
    SpeedLimit->setValue(qBound(0, qRound(Settings->value(USettingsKeys::SpeedLimitKmh(), 0.0).toDouble()),
                                MaxSpeedLimitKmh));
    bar->addWidget(SpeedLimit);
    bar->addStretch();
    EventsSummary = new QLabel(EventsView);
    EventsSummary->setObjectName(QStringLiteral("EventsSummary"));
    bar->addWidget(EventsSummary);
    layout->addLayout(bar);
    EventsTabs = new QTabWidget(EventsView);
    EventsTabs->setObjectName(QStringLiteral("EventsTabs"));
    EventsTable = MakeTable(EventsTabs, QStringLiteral("EventsTable"),
                            {QStringLiteral("File"), QStringLiteral("Time"), QStringLiteral("Kind"),
                             QStringLiteral("Strength")});
    TripsTable = MakeTable(EventsTabs, QStringLiteral("TripsTable"),
                           {QStringLiteral("Start"), QStringLiteral("Recordings"), QStringLiteral("Duration"),
                            QStringLiteral("Distance"), QStringLiteral("Top speed")});
    EventsTabs->addTab(EventsTable, QStringLiteral("Events"));
    EventsTabs->addTab(TripsTable, QStringLiteral("Trips"));
    layout->addWidget(EventsTabs);

    EventsRefreshTimer = new QTimer(this);
    EventsRefreshTimer->setSingleShot(true);
    EventsRefreshTimer->setInterval(RefreshDelayMs);
    connect(EventsRefreshTimer, &QTimer::timeout, this, &Tracora::RefreshEventsView);
    connect(EventIndex, &UEventIndex::Changed, this, [this] {
        if (EventsView->isVisible() && !EventsRefreshTimer->isActive())
            EventsRefreshTimer->start();
        if (MarksWaitingIndex >= 0 && MarksWaitingIndex == VlcWrapper->GetIndex() && EventIndex->At(MarksWaitingIndex))
            ShowEventMarks(true);
    });
    connect(EventsOrder, &QComboBox::currentIndexChanged, this, &Tracora::RefreshEventsView);
    connect(SpeedLimit, &QSpinBox::valueChanged, this, [this](int Kmh) {
        Settings->setValue(USettingsKeys::SpeedLimitKmh(), Kmh);
        RefreshEventsView();
    });
    connect(EventsTable, &QTableWidget::cellDoubleClicked, this, [this](int Row, int) {
        const QTableWidgetItem *item = EventsTable->item(Row, FileColumn);
        if (!item)
            return;
        const QList<QVariant> moment = item->data(Qt::UserRole).toList();
        if (moment.size() == 2)
            PlayMoment(moment[0].toInt(), std::max<qint64>(0, moment[1].toLongLong() - UEventRows::LeadMs));
    });
    connect(TripsTable, &QTableWidget::cellDoubleClicked, this, [this](int Row, int) {
        if (const QTableWidgetItem *item = TripsTable->item(Row, TripStartColumn))
            PlayMoment(item->data(Qt::UserRole).toInt(), 0);
    });

    MomentTimer = new QTimer(this);
    MomentTimer->setInterval(MomentPollMs);
    connect(MomentTimer, &QTimer::timeout, this, &Tracora::ApplyPendingMoment);
}

bool Tracora::IsEventsViewWidget(const QObject *Object) const
{
    // Object is only compared, never called: the map view hands key events
    // to items of its own while they are being torn down.
    if (!EventsView || !Object)
        return false;
    if (Object == EventsView)
        return true;
    const QList<QWidget *> widgets = EventsView->findChildren<QWidget *>();
    return std::find(widgets.cbegin(), widgets.cend(), Object) != widgets.cend();
}

double Tracora::SpeedLimitKmh() const
{
    return SpeedLimit ? SpeedLimit->value() : 0.0;
}

void Tracora::ToggleEventsView()
{
    if (EventsView->isVisible()) {
        EventsView->hide();
        return;
    }
    // Beside the window where the screen has room, so that the list and the
    // map stay in sight; over the window's right side otherwise.
    const QRect frame = frameGeometry();
    const QRect room = screen() ? screen()->availableGeometry() : frame;
    QPoint at(frame.right() + 1, frame.top());
    if (at.x() + EventsView->width() > room.right())
        at.setX(frame.left() - EventsView->width() - 1);
    if (at.x() < room.left())
        at = QPoint(frame.right() - EventsView->width(), frame.top() + frame.height() / 4);
    EventsView->move(at);
    RefreshEventsView();
    EventsView->show();
    EventsView->raise();
}

void Tracora::RefreshEventsView()
{
    if (!EventsView->isVisible() && sender() != nullptr && sender() != EventsRefreshTimer)
        return;
    const QList<UTripInput> inputs = Inputs(*EventIndex);
    QList<UEventRow> rows = UEventRows::Rows(inputs, SpeedLimitKmh());
    UEventRows::Sort(rows, EventsOrder->currentIndex() == 1 ? UEventRows::Order::Strength : UEventRows::Order::Time);
    EventsTable->setUpdatesEnabled(false);
    EventsTable->clearContents();
    EventsTable->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        const UEventRow &event = rows.at(row);
        const QString file = VideoFiles->GetVideoName(event.Recording);
        QTableWidgetItem *name = Item(file, QVariantList{event.Recording, event.Event.TimeMs});
        name->setToolTip(event.VideoPath);
        EventsTable->setItem(row, FileColumn, name);
        EventsTable->setItem(row, TimeColumn, Item(UEventRows::TimeText(event.Event.TimeMs)));
        EventsTable->setItem(row, KindColumn, Item(UEventRows::KindText(event.Event.Kind)));
        EventsTable->setItem(row, StrengthColumn, Item(UEventRows::StrengthText(event.Event)));
    }
    EventsTable->resizeColumnToContents(FileColumn);
    EventsTable->setUpdatesEnabled(true);

    const QList<UTrip> trips = UTrips::Build(inputs);
    TripsTable->setUpdatesEnabled(false);
    TripsTable->clearContents();
    TripsTable->setRowCount(int(trips.size()));
    for (int row = 0; row < trips.size(); ++row) {
        const UTrip &trip = trips.at(row);
        const QString start = trip.Start.isValid()
            ? trip.Start.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
            : VideoFiles->GetVideoName(trip.Recordings.constFirst());
        TripsTable->setItem(row, TripStartColumn, Item(start, trip.Recordings.constFirst()));
        TripsTable->setItem(row, TripFilesColumn, Item(QString::number(trip.Recordings.size())));
        TripsTable->setItem(row, TripDurationColumn, Item(UEventRows::DurationText(trip.DurationMs)));
        TripsTable->setItem(row, TripDistanceColumn, Item(UEventRows::DistanceText(trip.DistanceMetres)));
        TripsTable->setItem(row, TripTopColumn, Item(UEventRows::SpeedText(trip.TopSpeedKmh)));
    }
    TripsTable->setUpdatesEnabled(true);

    const int pending = EventIndex->Pending();
    QString summary = (rows.size() == 1 ? QStringLiteral("1 event") : QStringLiteral("%1 events").arg(rows.size()))
        + (trips.size() == 1 ? QStringLiteral(", 1 trip") : QStringLiteral(", %1 trips").arg(trips.size()));
    if (pending > 0)
        summary += QStringLiteral(" (%1 recordings still being read)").arg(pending);
    EventsSummary->setText(summary);
}

void Tracora::StepEvent(int Direction)
{
    const int state = VlcWrapper->GetState();
    const bool playing = state == UVlcWrapper::StatePlaying || state == UVlcWrapper::StatePaused;
    const int current = MomentIndex >= 0 ? MomentIndex : (playing ? VlcWrapper->GetIndex() : -1);
    const qint64 at = MomentIndex >= 0 ? MomentMs : (playing ? VlcWrapper->GetTime() : 0);
    const QList<UEventRow> rows = UEventRows::Rows(Inputs(*EventIndex), SpeedLimitKmh());
    const std::optional<UEventJump> jump = UEventRows::Step(rows, current, at, Direction > 0);
    if (!jump) {
        ShowNote(Direction > 0 ? QStringLiteral("No later event") : QStringLiteral("No earlier event"));
        return;
    }
    PlayMoment(jump->Recording, jump->TimeMs);
}

void Tracora::PlayMoment(int Index, qint64 Milliseconds)
{
    if (Index < 0 || Index >= VideoFiles->GetVideoCount())
        return;
    const int state = VlcWrapper->GetState();
    if (VlcWrapper->GetIndex() == Index && (state == UVlcWrapper::StatePlaying || state == UVlcWrapper::StatePaused)) {
        MomentIndex = -1;
        MomentTimer->stop();
        const qint64 length = VlcWrapper->GetLength();
        const qint64 target = length > 0 ? std::min(Milliseconds, length) : Milliseconds;
        // Every camera of the recording goes there.
        PlaybackGroup->SeekTo(target);
        ApplyDisplaySteps(UDisplayTick::SoughtSteps(target, length));
        return;
    }
    ChoosingByAutoplay = false;
    LoadMapToPlay(Index);
    Status->CurrentPage = Index / UListPaging::PageSize;
    ListTableUpdate();
    // The engine starts once the map page has answered: the moment is
    // sought as soon as it plays.
    MomentIndex = Index;
    MomentMs = Milliseconds;
    MomentTries = 0;
    MomentTimer->start();
}

void Tracora::ApplyPendingMoment()
{
    if (MomentIndex < 0 || ++MomentTries > MaxMomentTries || VlcWrapper->GetIndex() != MomentIndex) {
        MomentIndex = -1;
        MomentTimer->stop();
        return;
    }
    const int state = VlcWrapper->GetState();
    if (state != UVlcWrapper::StatePlaying && state != UVlcWrapper::StatePaused)
        return;
    const qint64 length = VlcWrapper->GetLength();
    if (length <= 0 && MomentMs > 0)
        return;
    const qint64 target = length > 0 ? std::min(MomentMs, length) : MomentMs;
    MomentIndex = -1;
    MomentTimer->stop();
    if (target > 0) {
        // Every camera of the recording goes there.
        PlaybackGroup->SeekTo(target);
        ApplyDisplaySteps(UDisplayTick::SoughtSteps(target, length));
    }
}

void Tracora::ShowEventMarks(bool RouteShown)
{
    const int index = VlcWrapper->GetIndex();
    MarksWaitingIndex = -1;
    if (!RouteShown || index < 0)
        return;
    const std::shared_ptr<const URecordingEvents> events = EventIndex->At(index);
    if (!events) {
        MarksWaitingIndex = index;
        return;
    }
    RunMapScript(UEventScript::ShowEventsCall(events->WithSpeeding(SpeedLimitKmh())));
    RunMapScript(UEventScript::ShowAccelCall(events->Accel));
    for (const UTrip &trip : UTrips::Build(Inputs(*EventIndex))) {
        if (trip.Recordings.size() < 2 || !trip.Recordings.contains(index))
            continue;
        QList<std::pair<int, std::shared_ptr<const URecordingEvents>>> parts;
        for (const int part : trip.Recordings)
            parts.append({part, EventIndex->At(part)});
        RunMapScript(UEventScript::ShowTripCall(parts));
        break;
    }
}

void Tracora::SeekToRecordingFromMap(int Recording, int Second)
{
    if (!VlcWrapper || Recording < 0 || Second < 0)
        return;
    if (Recording == VlcWrapper->GetIndex()) {
        SeekFromMap(Second);
        return;
    }
    PlayMoment(Recording, qint64(Second) * 1000);
}
