#ifndef UDIRECTSLIDER_H
#define UDIRECTSLIDER_H

#include <QSlider>

// A slider whose thumb shows only what the user chose with the mouse: a
// click on the groove puts the thumb under the pointer and reports that as a
// move (sliderMoved), as media players do, so whatever follows the slider's
// moves follows the click too. Steps that would move the thumb without such
// a report (page steps, the wheel, keys) are not taken.
class UDirectSlider : public QSlider
{
    Q_OBJECT
public:
    explicit UDirectSlider(Qt::Orientation orientation, QWidget *parent = nullptr);

    // Two marks drawn on the groove, values of the slider's range (a clip's
    // in and out points); -1 for a mark not set. The stretch between them
    // (or from the start or to the end where one is missing) is tinted.
    void SetMarks(int In, int Out);
    int MarkIn() const { return InMark; }
    int MarkOut() const { return OutMark; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QRect HandleRect() const;
    int ValueAt(const QPoint &point) const;
    int PixelOf(int Value) const;

    int InMark = -1;
    int OutMark = -1;
};

#endif // UDIRECTSLIDER_H
