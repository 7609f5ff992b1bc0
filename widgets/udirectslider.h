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

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QRect HandleRect() const;
    int ValueAt(const QPoint &point) const;
};

#endif // UDIRECTSLIDER_H
