// Handing over a clip in the real window: I and O mark the stretch on the
// position slider and the map's profile, Shift+I and Shift+O clear them,
// Ctrl+E and "Export clip..." export into the folder picked in the dialog
// with the progress over the video, and Esc stops an export, which leaves
// nothing behind.
#include <QtTest>

#include <QContextMenuEvent>
#include <QFileDialog>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QtEndian>

#include "export/uclipexportjob.h"
#include "mapfixture.h"
#include "widgets/udirectslider.h"
#include "widgets/uoverlaylabel.h"
#include "windowparts.h"

using namespace mapfixture;

namespace {

const QString Numbered = QStringLiteral(VIALUMO_TESTDATA_DIR "/numbered_a.mp4");

// The online map as the player drives it, recording the clip's marks too.
QString MarksPage()
{
    const QString record = QStringLiteral("function %1(a, b) { console.log('CALL %1(' + a + ',' + b + ')'); }");
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><script>console.log('PAGE googlearth');"
                          "%1%2%3%4</script></head><body><input type=\"checkbox\" id=\"isonline\" checked></body></html>")
        .arg(record.arg("SetLocation"), record.arg("setstart"), record.arg("setposition"), record.arg("setmarks"));
}

struct Session
{
    Workspace Space;
    Tracora Window;
    WindowParts Parts{Window};
    UOverlayLabel *Note = Window.findChild<UOverlayLabel *>(QStringLiteral("Note"));
    UOverlayLabel *Progress = Window.findChild<UOverlayLabel *>(QStringLiteral("ExportProgress"));
    UClipExportJob *Job = Window.findChild<UClipExportJob *>();
    UDirectSlider *Slider = qobject_cast<UDirectSlider *>(Parts.TimeSlider);
    RecordingPage *Page = nullptr;

    Session()
    {
        Space.WritePage(QStringLiteral("googlearth.html"), MarksPage());
        Window.show();
        (void)QTest::qWaitForWindowExposed(&Window);
        Page = InstallRecordingPage(Parts.Map);
    }

    bool Play(int index)
    {
        WindowParts::DoubleClickRow(Parts.Left, index);
        return QTest::qWaitFor([&] { return Parts.PlayingIndex(index); }, 30000);
    }

    // An export has started and ended: its closing line is up.
    bool ExportEnded()
    {
        return QTest::qWaitFor([this] {
            const QString text = Progress->FullText();
            return !Job->IsRunning()
                && (text.startsWith("Clip exported: ") || text.startsWith("Export cancelled")
                    || text.startsWith("Export failed: "));
        }, 120000);
    }
};

// Answers the next folder dialog from a timer (it runs its own event loop).
void AnswerDialog(QObject *context, const QString &folder)
{
    auto *poll = new QTimer(context);
    QObject::connect(poll, &QTimer::timeout, context, [poll, folder] {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (auto *dialog = qobject_cast<QFileDialog *>(top); dialog && dialog->isVisible()) {
                poll->stop();
                poll->deleteLater();
                if (folder.isEmpty()) {
                    dialog->reject();
                    return;
                }
                dialog->setDirectory(folder);
                QMetaObject::invokeMethod(dialog, "accept");
                return;
            }
        }
    });
    poll->start(100);
}

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

QJsonObject ManifestIn(const QString &folder)
{
    QFile file(folder + "/manifest.json");
    file.open(QIODevice::ReadOnly);
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool Near(qint64 value, qint64 wanted)
{
    return qAbs(value - wanted) <= 120;
}

} // namespace

class TestTracoraExport : public QObject
{
    Q_OBJECT
public:
    static void initMain()
    {
        Tracora::PrepareApplication();
        static QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    }

private slots:
    void marksShowAndTheMarkedStretchIsExported()
    {
        Session s;
        QTest::keyClick(&s.Window, Qt::Key_I);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Choose a recording first"));

        const QStringList log = DriveLog(6);
        s.Parts.AddRecordings({s.Space.AddRecording(1, Numbered, &log)});
        QVERIFY(s.Play(0));
        QTest::keyClick(&s.Window, Qt::Key_Space);
        QVERIFY(QTest::qWaitFor([&] { return s.Parts.Wrapper->GetState() == UVlcWrapper::StatePaused; }, 10000));
        QTest::keyClick(&s.Window, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(&s.Window, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&] { return Near(s.Parts.Wrapper->GetTime(), 1000); }, 10000));
        const qint64 in = s.Parts.Wrapper->GetTime();
        QTest::keyClick(&s.Window, Qt::Key_I);
        QCOMPARE(s.Note->FullText(), QStringLiteral("In 00:00:01"));
        QTest::keyClick(&s.Window, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(&s.Window, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(QTest::qWaitFor([&] { return Near(s.Parts.Wrapper->GetTime(), 3000); }, 10000));
        const qint64 out = s.Parts.Wrapper->GetTime();
        QTest::keyClick(&s.Window, Qt::Key_O);
        QCOMPARE(s.Note->FullText(), QStringLiteral("Out 00:00:03"));

        // On the slider (0 to 1000 over the recording) and on the map page.
        const qint64 length = s.Parts.Wrapper->GetLength();
        QCOMPARE(s.Slider->MarkIn(), int(in * 1000 / length));
        QCOMPARE(s.Slider->MarkOut(), int(out * 1000 / length));
        const QString marks = QStringLiteral("setmarks(%1,%2)").arg(in).arg(out);
        QVERIFY2(QTest::qWaitFor([&] { return s.Page->Calls.contains(marks); }, 10000),
                 qPrintable(s.Page->Calls.join(" | ")));

        // Ctrl+E: into the empty folder picked.
        const QString folder = s.Space.Root.filePath("handover");
        QVERIFY(QDir().mkpath(folder));
        // What the line over the video says each time the export reports
        // (the window's own slot has run by then).
        QStringList shown;
        QObject::connect(s.Job, &UClipExportJob::Progress, &s.Window, [&] {
            if (s.Progress->isVisible())
                shown << s.Progress->FullText();
        });
        AnswerDialog(&s.Window, folder);
        QTest::keyClick(&s.Window, Qt::Key_E, Qt::ControlModifier);
        QVERIFY(s.ExportEnded());
        QVERIFY2(!shown.isEmpty() && shown.filter(QRegularExpression("^Exporting \\d+ %$")).size() == shown.size(),
                 qPrintable(shown.join(" | ")));
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Clip exported: handover"));
        const QJsonObject range = ManifestIn(folder).value("range").toObject();
        QCOMPARE(qint64(range.value("from_ms").toDouble()), in);
        QCOMPARE(qint64(range.value("to_ms").toDouble()), out);
        QCOMPARE(QSettings("Vialumo", "Vialumo").value("Folders/ExportClip").toString(), folder);

        // Clearing a mark clears it everywhere.
        QTest::keyClick(&s.Window, Qt::Key_I, Qt::ShiftModifier);
        QCOMPARE(s.Note->FullText(), QStringLiteral("In cleared"));
        QCOMPARE(s.Slider->MarkIn(), -1);
        QVERIFY(QTest::qWaitFor([&] { return s.Page->Calls.contains(QStringLiteral("setmarks(-1,%1)").arg(out)); },
                                10000));
        QTest::keyClick(&s.Window, Qt::Key_O, Qt::ShiftModifier);
        QCOMPARE(s.Slider->MarkOut(), -1);

        // A cancelled dialog exports nothing.
        AnswerDialog(&s.Window, QString());
        QTest::keyClick(&s.Window, Qt::Key_E, Qt::ControlModifier);
        QTest::qWait(500);
        QVERIFY(!s.Job->IsRunning());
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Clip exported: handover"));
    }

    // The menu of a row that does not play exports the whole recording; a
    // folder that holds anything gets a new folder named after the clip.
    void menuExportsTheWholeRecordingIntoAFolderOfItsOwn()
    {
        Session s;
        s.Parts.AddRecordings({s.Space.AddRecording(1, Numbered, nullptr), s.Space.AddRecording(2, Numbered, nullptr)});
        QVERIFY(s.Play(0));
        QTest::keyClick(&s.Window, Qt::Key_I);
        const QString folder = s.Space.Root.filePath("documents");
        QVERIFY(QDir().mkpath(folder));
        QFile(folder + "/letter.txt").open(QIODevice::WriteOnly);
        AnswerDialog(&s.Window, folder);
        QMenu *menu = OpenMenu(s.Parts.Left, 1);
        QVERIFY(menu);
        QAction *action = menu->findChild<QAction *>(QStringLiteral("ListMenuExportClip"));
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("Export clip..."));
        action->trigger();
        QVERIFY(s.ExportEnded());
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Clip exported: CLIP0002_00-00-00-00-00-06"));
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name),
                 QStringList({"CLIP0002_00-00-00-00-00-06", "letter.txt"}));
        QVERIFY(QFile::exists(folder + "/CLIP0002_00-00-00-00-00-06/CLIP0002_00-00-00-00-00-06.mp4"));
    }

    void escStopsAnExportAndNothingIsLeft()
    {
        Session s;
        // A recording whose file is long to read (a large free box after the
        // video), so that the export still runs when Esc comes.
        const QString video = s.Space.AddRecording(1, Numbered, nullptr);
        {
            QFile file(video);
            QVERIFY(file.open(QIODevice::Append));
            const quint32 size = 160u * 1024 * 1024;
            QByteArray header(8, '\0');
            qToBigEndian(size, header.data());
            header.replace(4, 4, "free");
            file.write(header);
            const QByteArray block(1024 * 1024, '\0');
            for (quint32 written = 8; written < size; written += quint32(block.size()))
                file.write(block.left(int(qMin<quint32>(quint32(block.size()), size - written))));
        }
        s.Parts.AddRecordings({video});
        const QString folder = s.Space.Root.filePath("handover");
        QVERIFY(QDir().mkpath(folder));
        bool pressed = false;
        QObject::connect(s.Job, &UClipExportJob::Progress, &s.Window, [&] {
            if (!pressed) {
                pressed = true;
                QTest::keyClick(&s.Window, Qt::Key_Escape);
            }
        });
        AnswerDialog(&s.Window, folder);
        QMenu *menu = OpenMenu(s.Parts.Left, 0);
        QVERIFY(menu);
        menu->findChild<QAction *>(QStringLiteral("ListMenuExportClip"))->trigger();
        QVERIFY(s.ExportEnded());
        QVERIFY(pressed);
        QCOMPARE(s.Progress->FullText(), QStringLiteral("Export cancelled"));
        QCOMPARE(QDir(s.Space.Root.path()).entryList(QStringList{"*partial*", ".*partial*"},
                                                     QDir::AllEntries | QDir::Hidden),
                 QStringList());
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestTracoraExport)
#include "tst_tracora_export.moc"
