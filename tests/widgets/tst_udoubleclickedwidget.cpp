#include <QtTest>

#include "widgets/udoubleclickedwidget.h"

namespace {

// A parent that counts the double-clicks that reach it.
class CountingParent : public QWidget
{
public:
    int DoubleClicks = 0;

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        ++DoubleClicks;
        QWidget::mouseDoubleClickEvent(event);
    }
};

} // namespace

class TestUDoubleClickedWidget : public QObject
{
    Q_OBJECT
private slots:
    void doubleClickEmitsOnceForAnyButton_data()
    {
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::newRow("left") << Qt::LeftButton;
        QTest::newRow("right") << Qt::RightButton;
        QTest::newRow("middle") << Qt::MiddleButton;
    }
    void doubleClickEmitsOnceForAnyButton()
    {
        QFETCH(Qt::MouseButton, button);
        CountingParent parent;
        parent.resize(200, 200);
        auto *surface = new UDoubleClickedWidget(&parent);
        surface->setGeometry(10, 10, 100, 100);
        parent.show();
        QVERIFY(QTest::qWaitForWindowExposed(&parent));

        QSignalSpy spy(surface, &UDoubleClickedWidget::doubleclicked);
        QTest::mouseDClick(surface, button, Qt::NoModifier, QPoint(50, 50));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(parent.DoubleClicks, 0);
    }

    void singleClickEmitsNothing()
    {
        CountingParent parent;
        auto *surface = new UDoubleClickedWidget(&parent);
        surface->setGeometry(0, 0, 100, 100);
        parent.show();
        QSignalSpy spy(surface, &UDoubleClickedWidget::doubleclicked);
        QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
        QTest::mousePress(surface, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
        QTest::mouseRelease(surface, Qt::RightButton, Qt::NoModifier, QPoint(20, 20));
        QCOMPARE(spy.count(), 0);
    }

    void styleSheetBackgroundIsPainted()
    {
        // Without the style primitive a custom widget shows no style sheet background.
        QWidget parent;
        parent.setStyleSheet(QStringLiteral("#VideoWindow {background-color: rgb(200, 30, 40);}"));
        auto *surface = new UDoubleClickedWidget(&parent);
        surface->setObjectName(QStringLiteral("VideoWindow"));
        surface->setGeometry(0, 0, 64, 64);
        parent.resize(64, 64);
        parent.show();
        const QImage image = surface->grab().toImage();
        QCOMPARE(image.pixelColor(32, 32), QColor(200, 30, 40));
    }
};

QTEST_MAIN(TestUDoubleClickedWidget)
#include "tst_udoubleclickedwidget.moc"
