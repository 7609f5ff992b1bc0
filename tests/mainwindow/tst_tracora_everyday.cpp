// Everyday use in the real window: keys whichever widget has the focus, the
// key help, drops, the list's right-click menu, the folder import with its
// progress and Esc, snapshots, the GPS shift and the folders remembered
// across two windows (two starts), and the play-time label's font.
#include <QtTest>

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSemaphore>
#include <QSettings>

#include "catalogue/ufolderimport.h"
#include "mapfixture.h"
#include "widgets/uoverlaylabel.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

const QString Clip = QStringLiteral(VIALUMO_TESTDATA_DIR "/clip3s.MOV");

// Receives the URLs the desktop would be asked to open, so that no file
// manager starts.
class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> Urls;
public slots:
    void Open(const QUrl &url) { Urls << url; }
};

struct Session
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};
    UFolderImport *Import = Window.findChild<UFolderImport *>();
    UOverlayLabel *Help = Window.findChild<UOverlayLabel *>(QStringLiteral("KeyHelp"));
    UOverlayLabel *Note = Window.findChild<UOverlayLabel *>(QStringLiteral("Note"));
    UOverlayLabel *Progress = Window.findChild<UOverlayLabel *>(QStringLiteral("ImportProgress"));

    Session()
    {
        Window.show();
        (void)QTest::qWaitForWindowExposed(&Window);
    }

    QStringList Fake(int count, const QString &card = QStringLiteral("card"))
    {
        QStringList videos;
        for (int i = 1; i <= count; ++i)
            videos << Space.AddRecording(i, QString(), nullptr, card);
        return videos;
    }

    // The import has ended and its closing line is up.
    bool ImportDone()
    {
        return QTest::qWaitFor([this] { return !Import->IsRunning() && Progress->FullText().startsWith("Import"); },
                               60000);
    }

    // Plays recording `index` (double-click on its row of the first page).
    bool Play(int index)
    {
        WindowParts::DoubleClickRow(index < 5 ? Parts.Left : Parts.Right, index % 5);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(index); }, 30000);
    }

    QStringList Names() const
    {
        QStringList names;
        for (QTableWidget *table : {Parts.Left, Parts.Right})
            for (int r = 0; r < 5; ++r)
                names << table->item(r, 0)->text();
        return names;
    }
};

void Drop(QWidget *target, const QStringList &paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString &path : paths)
        urls << QUrl::fromLocalFile(path);
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QVERIFY(drop.isAccepted());
}

// Answers the next file dialog from a timer (it runs its own event loop).
void AnswerDialog(QObject *context, std::function<void(QFileDialog *)> answer)
{
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, answer] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(top); dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                answer(dialog);
                return;
            }
        }
    });
    poll->start(100);
}

// Opens the list's menu over a row and returns it.
QMenu *OpenMenu(QTableWidget *table, int row)
{
    const QPoint at = table->visualRect(table->model()->index(row, 0)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, table->viewport()->mapToGlobal(at));
    QApplication::sendEvent(table->viewport(), &event);
    QMenu *menu = nullptr;
    (void)QTest::qWaitFor([&menu] {
        menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        return menu != nullptr;
    }, 5000);
    return menu;
}

QAction *Action(QMenu *menu, const char *name)
{
    return menu ? menu->findChild<QAction *>(QLatin1String(name)) : nullptr;
}

QSettings Settings()
{
    return QSettings(QStringLiteral("Vialumo"), QStringLiteral("Vialumo"));
}

} // namespace

class TestTracoraEveryday : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        Tracora::PrepareApplication();
        // Settings and snapshots go to the test's own folders.
        static QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    }

private slots:
    void init()
    {
        QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).removeRecursively();
        QDir(qEnvironmentVariable("HOME") + "/Pictures").removeRecursively();
    }

    void playTimeLabelShowsItsWholeText()
    {
        Session s;
        QFile style(QStringLiteral(":/qss/Tracora.qss"));
        QVERIFY(style.open(QFile::ReadOnly));
        s.Window.setStyleSheet(QString::fromUtf8(style.readAll()));
        QLabel *label = s.Parts.TimeLabel;
        label->ensurePolished();
        QCOMPARE(label->size(), QSize(110, 20));
        const QFontMetrics metrics(label->font());
        const QRect needed = metrics.boundingRect(QStringLiteral("00:00:00/00:00:00"));
        QVERIFY2(metrics.horizontalAdvance(QStringLiteral("00:00:00/00:00:00")) <= label->contentsRect().width(),
                 qPrintable(QString::number(metrics.horizontalAdvance(QStringLiteral("00:00:00/00:00:00")))));
        QVERIFY(needed.height() <= label->contentsRect().height());
    }

    // Keys reach the window even when a slider (which takes arrows and page
    // keys for itself) or a table cell has the focus.
    void keysActOnTheWindowWhateverHasTheFocus()
    {
        Session s;
        s.Parts.AddRecordings(s.Fake(25));
        s.Parts.VolumeSlider->setFocus();
        QTest::keyClick(s.Parts.VolumeSlider, Qt::Key_PageDown);
        QCOMPARE(s.Names().first(), QStringLiteral("CLIP0011.MOV"));
        QCOMPARE(s.Parts.VolumeSlider->value(), 50);
        QTest::keyClick(s.Parts.VolumeSlider, Qt::Key_Up);
        QCOMPARE(s.Parts.VolumeSlider->value(), 55);
        QTest::keyClick(s.Parts.Left->viewport(), Qt::Key_Down);
        QTest::keyClick(s.Parts.Left->viewport(), Qt::Key_Down);
        QCOMPARE(s.Parts.VolumeSlider->value(), 45);
        QCOMPARE(s.Parts.Left->currentRow(), -1); // the table's own Down did not run
        QTest::keyClick(&s.Window, Qt::Key_PageUp);
        QCOMPARE(s.Names().first(), QStringLiteral("CLIP0001.MOV"));

        // Enter plays the selected row, Delete removes it, as the bin button.
        WindowParts::ClickRow(s.Parts.Right, 2);
        QTest::keyClick(s.Parts.Right->viewport(), Qt::Key_Return);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 7);
        QTest::keyClick(&s.Window, Qt::Key_N);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 8);
        QTest::keyClick(&s.Window, Qt::Key_P);
        QTest::keyClick(&s.Window, Qt::Key_P);
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 6);
        WindowParts::ClickRow(s.Parts.Left, 0);
        QTest::keyClick(&s.Window, Qt::Key_Delete);
        QCOMPARE(s.Parts.Files->GetVideoCount(), 24);
        QCOMPARE(s.Names().first(), QStringLiteral("CLIP0002.MOV"));
        // A key without a binding stays with the widget.
        QTest::keyClick(s.Parts.VolumeSlider, Qt::Key_Home);
        QCOMPARE(s.Parts.VolumeSlider->value(), 0);
    }

    void keyHelpShowsOverTheVideoAndMovesNothing()
    {
        Session s;
        QList<QRect> before;
        const QList<QWidget *> children = s.Window.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *child : children)
            before << child->geometry();
        QVERIFY(!s.Help->isVisible());
        QTest::keyClick(&s.Window, Qt::Key_F1);
        QVERIFY(s.Help->isVisible());
        QVERIFY(s.Help->text().contains("Snapshot"));
        QVERIFY(s.Parts.Video->geometry().contains(s.Help->geometry()));
        QTest::keyClick(&s.Window, Qt::Key_Escape);
        QVERIFY(!s.Help->isVisible());
        QTest::keyClick(&s.Window, Qt::Key_Question, Qt::ShiftModifier);
        QVERIFY(s.Help->isVisible());
        QTest::keyClick(&s.Window, Qt::Key_F1);
        QVERIFY(!s.Help->isVisible());
        QList<QRect> after;
        for (QWidget *child : children) {
            if (qobject_cast<UOverlayLabel *>(child) == nullptr)
                QCOMPARE(child->geometry(), before.at(children.indexOf(child)));
        }
    }

    void dropImportsFilesAndFoldersOnce()
    {
        Session s;
        const QStringList card = s.Fake(12);
        const QString text = s.Space.Root.filePath("notes.txt");
        QFile(text).open(QIODevice::WriteOnly);
        const QString folder = QFileInfo(card.first()).absolutePath();
        Drop(&s.Window, {folder, text});
        QVERIFY(s.ImportDone());
        QCOMPARE(s.Parts.Files->GetVideoCount(), 12);
        QCOMPARE(s.Names().first(), QStringLiteral("CLIP0001.MOV"));
        // The whole path, then when it was recorded.
        QVERIFY(s.Parts.Left->item(0, 0)->toolTip().startsWith(card.first() + QStringLiteral("\nRecorded ")));
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Imported 12 of 12; skipped 1: notes.txt (not a video)"));
        QVERIFY(s.Progress->isVisible());
        // Dropped on the map too: it reaches the window, and nothing is added twice.
        s.Progress->hide();
        s.Progress->ShowText(QString());
        Drop(s.Parts.Map, {card.at(3), s.Space.Root.filePath("card/DCIM/../DCIM/100CLIP/CLIP0005.MOV")});
        QVERIFY(s.ImportDone());
        QCOMPARE(s.Parts.Files->GetVideoCount(), 12);
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Imported 0 of 0; 2 already in the list"));
        // The import button still adds what it is given, twice if so.
        s.Parts.AddRecordings({card.first()});
        QCOMPARE(s.Parts.Files->GetVideoCount(), 13);
    }

    // A 70mai card's Back folder dropped after its Front folder: each rear
    // file joins its front's row, which shows the mark at once.
    void laterDropJoinsTheListedRecordings()
    {
        Session s;
        const QString card = s.Space.Root.filePath(QStringLiteral("70mai/Normal"));
        QStringList files;
        for (const char *name : {"Front/NO20260501-120000-000001F.MP4", "Front/NO20260501-120100-000003F.MP4",
                                 "Back/NO20260501-120000-000002B.MP4", "Back/NO20260501-120100-000004B.MP4"}) {
            const QString path = card + QLatin1Char('/') + QLatin1String(name);
            QDir().mkpath(QFileInfo(path).path());
            QFile(path).open(QIODevice::WriteOnly);
            files << path;
        }
        Drop(&s.Window, {card + QStringLiteral("/Front")});
        QVERIFY(s.ImportDone());
        QCOMPARE(s.Names().mid(0, 3),
                 QStringList({"NO20260501-120000-000001F.MP4", "NO20260501-120100-000003F.MP4", ""}));
        s.Progress->ShowText(QString());
        Drop(&s.Window, {card + QStringLiteral("/Back")});
        QVERIFY(s.ImportDone());
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Imported 2 of 2"));
        QCOMPARE(s.Parts.Files->GetVideoCount(), 2);
        QCOMPARE(s.Names().mid(0, 3),
                 QStringList({"NO20260501-120000-000001F.MP4 +R", "NO20260501-120100-000003F.MP4 +R", ""}));
        // Every camera's file, then when it was recorded.
        QCOMPARE(s.Parts.Left->item(1, 0)->toolTip().section(QLatin1Char('\n'), 0, 1),
                 QStringLiteral("Front: %1\nRear: %2").arg(files.at(1), files.at(3)));
    }

    void escCancelsAnImport()
    {
        Session s;
        const QStringList card = s.Fake(30);
        QSemaphore searched;
        QSemaphore go;
        QObject::connect(s.Import, &UFolderImport::Searched, s.Import, [&](const QStringList &) {
            searched.release();
            go.acquire();
        }, Qt::DirectConnection);
        s.Window.ImportPaths({s.Space.Root.filePath("card")});
        QVERIFY(QTest::qWaitFor([&] { return searched.tryAcquire(); }, 30000));
        QTest::keyClick(&s.Window, Qt::Key_Escape);
        go.release();
        QVERIFY(s.ImportDone());
        QCOMPARE(s.Parts.Files->GetVideoCount(), 0);
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Import cancelled: 0 of 30 added"));
    }

    // A card of a few thousand (empty) clips in folders of 500.
    void progressCountsAsTheListFills()
    {
        Session s;
        for (int i = 0; i < 2500; ++i) {
            const QString folder = s.Space.Root.filePath(QString("card/DCIM/%1CLIP").arg(100 + i / 500));
            QDir().mkpath(folder);
            QFile(folder + QString("/CLIP%1.MOV").arg(i + 1, 4, 10, QChar('0'))).open(QIODevice::WriteOnly);
        }
        QStringList texts;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &s.Window, [&] {
            if (texts.isEmpty() || texts.last() != s.Progress->FullText())
                texts << s.Progress->FullText();
        });
        watch.start(5);
        // Rated slowly, so that the progress shows between the ticks.
        QObject::connect(s.Import, &UFolderImport::Searched, s.Import, [](const QStringList &) { QThread::msleep(600); }, Qt::DirectConnection);
        s.Window.ImportPaths({s.Space.Root.filePath("card")});
        QVERIFY(s.ImportDone());
        QVERIFY2(texts.contains("Searching for videos..."), qPrintable(texts.join(" | ")));
        QCOMPARE(texts.last(), QStringLiteral("Imported 2,500 of 2,500"));
        QCOMPARE(s.Parts.Files->GetVideoCount(), 2500);
        QCOMPARE(s.Parts.Files->GetVideoName(2499), QStringLiteral("CLIP2500.MOV"));
        QCOMPARE(s.Names().first(), QStringLiteral("CLIP0001.MOV"));
        QCOMPARE(s.Names().last(), QStringLiteral("CLIP0010.MOV"));
    }

    void listMenuActsOnItsRow()
    {
        Session s;
        QStringList videos;
        const QStringList log = DriveLog(5);
        for (int i = 1; i <= 3; ++i)
            videos << s.Space.AddRecording(i, QString(), i == 2 ? &log : nullptr);
        s.Parts.AddRecordings(videos);

        UrlRecorder opener;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &opener, "Open");
        QMenu *menu = OpenMenu(s.Parts.Left, 1);
        QVERIFY(menu);
        QVERIFY(Action(menu, "ListMenuPlay") && Action(menu, "ListMenuRemove") && Action(menu, "ListMenuImportFolder"));
        Action(menu, "ListMenuShowInFolder")->trigger();
        menu->close();
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QCOMPARE(opener.Urls, QList<QUrl>({QUrl::fromLocalFile(QFileInfo(videos.at(1)).absolutePath())}));

        // Export GPX: saved where the user picks, the folder remembered.
        const QString target = s.Space.Root.filePath("exports/drive");
        QDir().mkpath(QFileInfo(target).path());
        QString suggested;
        AnswerDialog(&s.Window, [&](QFileDialog *dialog) {
            suggested = dialog->selectedFiles().value(0);
            // Typed into the name field, as a user would.
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(target);
            QMetaObject::invokeMethod(dialog, "accept");
        });
        menu = OpenMenu(s.Parts.Left, 1);
        Action(menu, "ListMenuExportGpx")->trigger();
        QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("CLIP0002.gpx"));
        QFile gpx(target + ".gpx");
        QVERIFY2(gpx.open(QIODevice::ReadOnly), qPrintable(s.Note->FullText()));
        const QByteArray document = gpx.readAll();
        QVERIFY(document.contains("<gpx"));
        QCOMPARE(document.count("<trkpt"), 5);
        QCOMPARE(s.Note->FullText(), QStringLiteral("GPX saved: drive.gpx"));
        QCOMPARE(Settings().value("Folders/Export").toString(), QFileInfo(target).absolutePath());

        // A recording without GPS: no file, and the note says why.
        AnswerDialog(&s.Window, [&](QFileDialog *dialog) {
            dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(s.Space.Root.filePath("exports/none.gpx"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        menu = OpenMenu(s.Parts.Left, 0);
        Action(menu, "ListMenuExportGpx")->trigger();
        QVERIFY(!QFile::exists(s.Space.Root.filePath("exports/none.gpx")));
        QVERIFY(s.Note->FullText().startsWith("No GPX written: "));

        menu = OpenMenu(s.Parts.Left, 2);
        Action(menu, "ListMenuRemove")->trigger();
        QCOMPARE(s.Parts.Files->GetVideoCount(), 2);
        QCOMPARE(s.Parts.Files->GetVideoPath(1), videos.at(1));

        menu = OpenMenu(s.Parts.Left, 1);
        Action(menu, "ListMenuPlay")->trigger();
        QCOMPARE(s.Parts.Wrapper->GetIndex(), 1);

        // Below the rows: only the folder import.
        menu = OpenMenu(s.Parts.Left, 4);
        QVERIFY(menu);
        QVERIFY(!Action(menu, "ListMenuPlay"));
        QVERIFY(Action(menu, "ListMenuImportFolder"));
        menu->close();
    }

    // Two windows one after the other, as two starts of the program: the
    // import folder and the GPS shift come back, nothing else does.
    void settingsOutliveTheWindow()
    {
        // The card outlives both windows (each has a workspace of its own).
        QTemporaryDir card;
        const QString folder = card.filePath("DCIM/100CLIP");
        const QString video = folder + "/CLIP0001.MOV";
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(Clip, video));
        {
            Session s;
            QString offered;
            AnswerDialog(&s.Window, [&](QFileDialog *dialog) {
                offered = dialog->directory().absolutePath();
                dialog->setDirectory(folder);
                QMetaObject::invokeMethod(dialog, "accept");
            });
            QMenu *menu = OpenMenu(s.Parts.Left, 0);
            Action(menu, "ListMenuImportFolder")->trigger();
            QCOMPARE(offered, QDir::homePath());
            QVERIFY(s.ImportDone());
            QCOMPARE(s.Parts.Files->GetVideoCount(), 1);
            QVERIFY(s.Play(0));
            QTest::keyClick(&s.Window, Qt::Key_Right, Qt::AltModifier);
            QTest::keyClick(&s.Window, Qt::Key_Right, Qt::AltModifier);
            QCOMPARE(s.Note->FullText(), QStringLiteral("GPS +2 s"));
        }
        QCOMPARE(Settings().value("Folders/Import").toString(), folder);
        {
            Session s;
            QCOMPARE(s.Parts.Files->GetVideoCount(), 0);
            QCOMPARE(s.Parts.VolumeSlider->value(), 50);
            QString offered;
            AnswerDialog(&s.Window, [&](QFileDialog *dialog) {
                offered = dialog->directory().absolutePath();
                dialog->reject();
            });
            QMenu *menu = OpenMenu(s.Parts.Left, 0);
            Action(menu, "ListMenuImportFolder")->trigger();
            QCOMPARE(offered, folder);
            s.Parts.AddRecordings({video});
            QVERIFY(s.Play(0));
            QTest::keyClick(&s.Window, Qt::Key_Left, Qt::AltModifier);
            QCOMPARE(s.Note->FullText(), QStringLiteral("GPS +1 s"));
        }
    }

    void snapshotsAreNeverOverwritten()
    {
        Session s;
        s.Parts.AddRecordings({s.Space.AddRecording(7, Clip, nullptr)});
        QTest::keyClick(&s.Window, Qt::Key_S);
        QCOMPARE(s.Note->FullText(), QStringLiteral("No picture to save"));
        QVERIFY(s.Play(0));
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() > 300; }, 20000));
        QTest::keyClick(&s.Window, Qt::Key_Space);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_S);
        QTest::keyClick(&s.Window, Qt::Key_S);
        const QDir pictures(QDir::homePath() + "/Pictures/Vialumo");
        const QStringList made = pictures.entryList({"*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(made, QStringList({"CLIP0007_00-00-00-2.png", "CLIP0007_00-00-00.png"}));
        QCOMPARE(s.Note->FullText(), QStringLiteral("Snapshot saved: CLIP0007_00-00-00-2.png"));
        const QImage picture(pictures.filePath(made.last()));
        QCOMPARE(picture.size(), QSize(320, 240));
    }

    void playbackKeysStepTheEngine()
    {
        Session s;
        s.Parts.AddRecordings({s.Space.AddRecording(1, Clip, nullptr)});
        QVERIFY(s.Play(0));
        QTest::keyClick(&s.Window, Qt::Key_BracketRight);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Speed 1.25x"));
        QVERIFY(QTest::qWaitFor([&] { return qAbs(s.Parts.Wrapper->GetRate() - 1.25) < 0.01; }, 5000));
        QTest::keyClick(&s.Window, Qt::Key_BracketLeft);
        QTest::keyClick(&s.Window, Qt::Key_BracketLeft);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Speed 0.75x"));
        // The slider and the engine's volume move together.
        QTest::keyClick(&s.Window, Qt::Key_Up);
        QCOMPARE(s.Parts.VolumeSlider->value(), 55);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetVolume() == 55; }, 5000));
        QTest::keyClick(&s.Window, Qt::Key_M);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Muted"));
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetMute() == 1; }, 5000));
        QTest::keyClick(&s.Window, Qt::Key_Period);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Frames step while paused"));

        QTest::keyClick(&s.Window, Qt::Key_Space);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetTime() < 100; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&] { return qAbs(s.Parts.Wrapper->GetTime() - 1000) < 100; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_Comma);
        QVERIFY(QTest::qWaitFor([&] { return qAbs(s.Parts.Wrapper->GetTime() - 960) < 30; }, 10000));
        QCOMPARE(s.Parts.Wrapper->GetState(), int(UVlcWrapper::StatePaused));
    }
};

QTEST_MAIN(TestTracoraEveryday)
#include "tst_tracora_everyday.moc"
