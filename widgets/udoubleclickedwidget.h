#ifndef UDOUBLECLICKEDWIDGET_H
#define UDOUBLECLICKEDWIDGET_H

#include <QWidget>

// The video surface: painted by the style sheet, reports double-clicks.
class UDoubleClickedWidget : public QWidget
{
    Q_OBJECT
public:
    explicit UDoubleClickedWidget(QWidget *parent = nullptr);

signals:
    void doubleclicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

#endif // UDOUBLECLICKEDWIDGET_H
