#ifndef UOVERLAYLABEL_H
#define UOVERLAYLABEL_H

#include <QLabel>

class QTimer;

// A short text over the video surface (the key help, a confirmation, the
// import progress), placed from the surface's geometry and following it, so
// that nothing else in the window moves. The surface is a native window the
// engine draws into: on X11 the overlay is a native window too, stacked above it.
class UOverlayLabel : public QLabel
{
    Q_OBJECT
public:
    enum Placement {
        Centre, // sized to the text, in the middle of the surface
        Top,    // sized to the text, at the top centre
        Bottom, // the surface's whole width, one line at its foot
    };

    UOverlayLabel(QWidget *Anchor, Placement Where, QWidget *parent);

    // Shows Text; hides it after Milliseconds unless that is 0. A Bottom
    // overlay shows one line, cut with an ellipsis where it is too long (the
    // whole text is its tooltip).
    void ShowText(const QString &Text, int Milliseconds = 0);
    // The whole text last shown, also when the label shows it cut.
    QString FullText() const { return Full; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void Place();

    QWidget *Anchor;
    Placement Where;
    QTimer *HideTimer;
    QString Full;
};

#endif // UOVERLAYLABEL_H
