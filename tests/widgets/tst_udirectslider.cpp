#include <QtTest>

#include <QFile>

#include "widgets/udirectslider.h"

namespace {

// Every value the slider takes must have been reported as a move first:
// whatever follows the moves (the engine's position, the volume) then never
// disagrees with the thumb.
struct Watch
{
    QList<int> Moves;
    QList<int> Values;
    int Unreported = 0;
    QObject Context; // the connections end with the watch

    explicit Watch(UDirectSlider &slider)
    {
        QObject::connect(&slider, &QSlider::sliderMoved, &Context, [this](int v) { Moves << v; });
        QObject::connect(&slider, &QSlider::valueChanged, &Context, [this](int v) {
            Values << v;
            if (Moves.isEmpty() || Moves.last() != v)
                ++Unreported;
        });
    }
};

QPoint AtShare(const QSlider &slider, double share)
{
    return QPoint(int(slider.width() * share), slider.height() / 2);
}

} // namespace

class TestUDirectSlider : public QObject
{
    Q_OBJECT

private:
    QWidget Window;
    UDirectSlider *Slider = nullptr;

private slots:
    void initTestCase()
    {
        // The program's own look: the handle's size and the groove's ends come from it.
        QFile sheet(QStringLiteral(":/qss/Tracora.qss"));
        QVERIFY(sheet.open(QFile::ReadOnly));
        Window.setStyleSheet(QString::fromLatin1(sheet.readAll()));
        Slider = new UDirectSlider(Qt::Horizontal, &Window);
        Slider->setObjectName(QStringLiteral("VideoTimeSlider"));
        Slider->setRange(0, 1000);
        Slider->setGeometry(5, 5, 426, 20);
        Window.resize(440, 30);
        Window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&Window));
    }

    void init() { Slider->setValue(100); }

    void clickOnTheGrooveMovesThereAndReportsIt_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<double>("share");
        QTest::newRow("left, 82%") << int(Qt::LeftButton) << 0.82;
        QTest::newRow("middle, 82%") << int(Qt::MiddleButton) << 0.82;
        QTest::newRow("left, 30%") << int(Qt::LeftButton) << 0.30;
        QTest::newRow("left, far right end") << int(Qt::LeftButton) << 0.995;
    }
    void clickOnTheGrooveMovesThereAndReportsIt()
    {
        QFETCH(int, button);
        QFETCH(double, share);
        Watch watch(*Slider);
        QTest::mouseClick(Slider, Qt::MouseButton(button), {}, AtShare(*Slider, share));
        QCOMPARE(watch.Unreported, 0);
        QVERIFY(!watch.Moves.isEmpty());
        QCOMPARE(Slider->value(), watch.Moves.last());
        // Near the pointer: within a few thousandths of where it was clicked.
        QVERIFY2(qAbs(Slider->value() - share * 1000) < 40, qPrintable(QString::number(Slider->value())));
    }

    void pressThenDragFollowsThePointer()
    {
        Watch watch(*Slider);
        QTest::mousePress(Slider, Qt::LeftButton, {}, AtShare(*Slider, 0.5));
        for (double share : {0.55, 0.6, 0.7}) {
            QMouseEvent move(QEvent::MouseMove, AtShare(*Slider, share), Slider->mapToGlobal(AtShare(*Slider, share)),
                             Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(Slider, &move);
        }
        QTest::mouseRelease(Slider, Qt::LeftButton, {}, AtShare(*Slider, 0.7));
        QCOMPARE(watch.Unreported, 0);
        QVERIFY(qAbs(Slider->value() - 700) < 40);
    }

    void nothingElseMovesTheThumb()
    {
        Watch watch(*Slider);
        // Beside the groove's left end, a right click, the wheel.
        QTest::mouseClick(Slider, Qt::LeftButton, {}, QPoint(0, 0));
        QTest::mouseClick(Slider, Qt::RightButton, {}, AtShare(*Slider, 0.9));
        QWheelEvent wheel(AtShare(*Slider, 0.5), Slider->mapToGlobal(AtShare(*Slider, 0.5)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Slider, &wheel);
        QCOMPARE(watch.Unreported, 0);
        QCOMPARE(Slider->focusPolicy(), Qt::NoFocus);
    }

    void emptyRangeTakesNoClick()
    {
        Slider->setRange(0, 0);
        Watch watch(*Slider);
        QTest::mouseClick(Slider, Qt::LeftButton, {}, AtShare(*Slider, 0.5));
        QVERIFY(watch.Moves.isEmpty());
        QCOMPARE(Slider->value(), 0);
        Slider->setRange(0, 1000);
    }
};

QTEST_MAIN(TestUDirectSlider)
#include "tst_udirectslider.moc"
