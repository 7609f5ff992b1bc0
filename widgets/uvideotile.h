#ifndef UVIDEOTILE_H
#define UVIDEOTILE_H

#include <QString>
#include <QWidget>

class QTimer;

// One camera's place inside the video surface: a native window the engine
// draws the camera's picture into, black with a label where it has none
// ("Rear: cannot play"). A click chooses the tile; a double-click is left to
// the surface below (video full screen), so the click waits until no second
// one can follow.
class UVideoTile : public QWidget
{
    Q_OBJECT
public:
    explicit UVideoTile(QWidget *parent);

    // Shown over black while the camera has no picture; empty: none.
    void SetLabel(const QString &Text);
    QString Label() const { return Text; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    QString Text;
    QTimer *ClickTimer;
    bool Pressed = false;
};

#endif // UVIDEOTILE_H
