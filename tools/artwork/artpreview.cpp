#include "artpreview.h"

#include "dialcheckwidget.h"
#include "speeddial.h"

#include <QDir>
#include <QFile>
#include <QGraphicsView>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

constexpr int MockWidth = 955;
constexpr int MockHeight = 670;
constexpr int DialWidgetHeight = 120;
const int DialWidgetWidths[] = {300, SpeedDial::Width};
const double CheckSpeeds[] = {0.0, 120.0, 240.0};

QString DialRule(const QString &picture)
{
    return QStringLiteral("background-color:#000000; background-image:url(%1); background-repeat:no-repeat; "
                          "background-position:50%;").arg(picture);
}

QImage Grab(QWidget &widget)
{
    widget.ensurePolished();
    return widget.grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Where the style sheet puts the dial: a picture whose first column is
// marked, found again in the grabbed widget.
int DialLeftEdge(int widgetWidth)
{
    QTemporaryDir dir;
    QImage marker(SpeedDial::Width, SpeedDial::Height, QImage::Format_ARGB32);
    marker.fill(Qt::black);
    for (int y = 0; y < marker.height(); ++y)
        marker.setPixelColor(0, y, Qt::red);
    const QString path = dir.filePath(QStringLiteral("marker.png"));
    marker.save(path);

    QWidget widget;
    widget.setAttribute(Qt::WA_StyledBackground);
    widget.setStyleSheet(DialRule(path));
    widget.resize(widgetWidth, DialWidgetHeight);
    const QImage shot = Grab(widget);
    for (int x = 0; x < shot.width(); ++x)
        if (shot.pixelColor(x, DialWidgetHeight / 2) == QColor(Qt::red))
            return x;
    return -1;
}

QString ImagesStyleSheet(const QString &imagesDir, const QString &styleSheetPath)
{
    QFile file(styleSheetPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromLatin1(file.readAll());
    return text.replace(QStringLiteral(":/images/"), QDir(imagesDir).absolutePath() + QLatin1Char('/'));
}

template <typename T>
T *Child(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    T *child = new T(parent);
    child->setObjectName(QString::fromLatin1(name));
    child->setGeometry(x, y, w, h);
    return child;
}

void AddTable(QWidget *parent, const char *name, int x, int y, int w, int h)
{
    auto *table = Child<QTableWidget>(parent, name, x, y, w, h);
    table->setRowCount(5);
    table->setColumnCount(4);
    table->setHorizontalHeaderLabels({QStringLiteral("File Name"), QStringLiteral("Date"),
                                      QStringLiteral("Time"), QStringLiteral("GPS File")});
    for (int r = 0; r < 5; ++r)
        table->setRowHeight(r, 20);
    for (int c = 0; c < 3; ++c)
        table->setColumnWidth(c, 80);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->setGridStyle(Qt::DashDotDotLine);
}

} // namespace

QImage ArtPreview::DialCheck(const QString &imagesDir, QString *report)
{
    const QString dial = QDir(imagesDir).absoluteFilePath(QStringLiteral("SpeedMeter.png"));
    QVector<QImage> rows;
    for (int widgetWidth : DialWidgetWidths) {
        const int left = DialLeftEdge(widgetWidth);
        if (report)
            *report += QStringLiteral("widget %1 wide: dial picture at x %2, needle pivot at "
                                      "widget x %3 = picture x %4 (dial drawn for %5)\n")
                           .arg(widgetWidth).arg(left).arg(widgetWidth / 2)
                           .arg(widgetWidth / 2 - left).arg(SpeedDial::PivotX);
        QVector<double> all;
        QVector<QImage> shots;
        for (double speed : CheckSpeeds) {
            DialCheckWidget widget;
            widget.setStyleSheet(DialRule(dial));
            widget.resize(widgetWidth, DialWidgetHeight);
            widget.SetSpeeds({speed});
            shots << Grab(widget);
            all << speed;
        }
        DialCheckWidget together;
        together.setStyleSheet(DialRule(dial));
        together.resize(widgetWidth, DialWidgetHeight);
        together.SetSpeeds(all);
        together.SetShowAxis(false);
        shots << Grab(together);

        QImage row(4 * (widgetWidth + 6), DialWidgetHeight, QImage::Format_ARGB32);
        row.fill(QColor(0x40, 0x40, 0x40));
        QPainter painter(&row);
        for (int i = 0; i < shots.size(); ++i) {
            painter.fillRect(i * (widgetWidth + 6), 0, widgetWidth, DialWidgetHeight, Qt::black);
            painter.drawImage(i * (widgetWidth + 6), 0, shots[i]);
        }
        rows << row;
    }

    int width = 0;
    for (const QImage &row : rows)
        width = qMax(width, row.width());
    QImage sheet(width, rows.size() * (DialWidgetHeight + 6), QImage::Format_ARGB32);
    sheet.fill(QColor(0x40, 0x40, 0x40));
    QPainter painter(&sheet);
    for (int i = 0; i < rows.size(); ++i)
        painter.drawImage(0, i * (DialWidgetHeight + 6), rows[i]);
    return sheet;
}

QImage ArtPreview::WindowMock(const QString &imagesDir, const QString &styleSheetPath)
{
    const QString styleSheet = ImagesStyleSheet(imagesDir, styleSheetPath);
    const int W = MockWidth;
    const int H = MockHeight;
    const int K = W - 315;
    const int B = H - 310;
    const int C = (W - 350) / 2;
    const int c0 = (W - 300) / 2;

    QWidget window;
    window.setObjectName(QStringLiteral("Tracora"));
    window.setAttribute(Qt::WA_StyledBackground);
    window.resize(W, H);
    Child<QWidget>(&window, "Header_Left", 0, 0, c0, 50);
    Child<QWidget>(&window, "Header_Center", c0, 0, 300, 50);
    Child<QWidget>(&window, "Header_Right", (W + 300) / 2, 0, c0, 50);
    Child<QWidget>(&window, "VideoWindow", 5, 55, K, B);
    Child<QWidget>(&window, "GoogleMap", W - 305, 55, 300, B);
    auto *time = Child<QSlider>(&window, "VideoTimeSlider", 5, H - 202, 4 * K / 6, 20);
    time->setOrientation(Qt::Horizontal);
    time->setRange(0, 1000);
    time->setValue(380);
    auto *volume = Child<QSlider>(&window, "VideoVolumnSlider", 5 * K / 6, H - 202, K / 6, 20);
    volume->setOrientation(Qt::Horizontal);
    volume->setRange(0, 100);
    volume->setValue(50);
    Child<QGraphicsView>(&window, "AudioIndicator", 5 * K / 6 - 20, H - 202, 20, 20);
    Child<QGraphicsView>(&window, "CarPosition", W - 305, H - 255, 300, 40);
    auto *numbers = Child<QLabel>(&window, "CarPositionNumber", W - 305, H - 215, 300, 40);
    numbers->setText(QStringLiteral("   113.944520 E          22.535810 N"));
    AddTable(&window, "VideoListLeft", 5, H - 170, K / 2, 125);
    AddTable(&window, "VideoListRight", K / 2 + 5, H - 170, K / 2, 125);
    auto *meter = Child<DialCheckWidget>(&window, "CarSpeedMeter", W - 305, H - 170, 300, 120);
    meter->SetSpeeds({87.0});
    meter->SetShowAxis(false);
    Child<QPushButton>(&window, "VideoPlay", C - 35, H - 247, 35, 35);
    Child<QPushButton>(&window, "VideoPre", C - 115, H - 247, 35, 35);
    Child<QPushButton>(&window, "VideoNext", C + 45, H - 247, 35, 35);
    Child<QPushButton>(&window, "VideoStop", C + 125, H - 247, 35, 35);
    Child<QPushButton>(&window, "VideoListPrePage", C - 35, H - 40, 35, 35);
    Child<QPushButton>(&window, "VideoListNextPage", C + 45, H - 40, 35, 35);
    Child<QPushButton>(&window, "VideoListItemImport", C - 115, H - 40, 35, 35);
    Child<QPushButton>(&window, "VideoListItemDelete", C + 125, H - 40, 35, 35);
    Child<QPushButton>(&window, "WindowMin", W - 65, 0, 20, 20);
    Child<QPushButton>(&window, "WindowMax", W - 45, 0, 20, 20);
    Child<QPushButton>(&window, "WindowClose", W - 25, 0, 20, 20);
    auto *clock = Child<QLabel>(&window, "VideoTime", 15, H - 225, 110, 20);
    clock->setText(QStringLiteral("00:01:08/00:03:00"));
    window.setStyleSheet(styleSheet);
    const QImage mock = Grab(window);

    // Every face in its three states, as the buttons show them.
    struct Face { const char *image; int side; };
    const Face faces[] = {
        {"Video_Play", 35}, {"Video_Pause", 35}, {"Video_Stop", 35}, {"Video_Pre", 35},
        {"Video_Next", 35}, {"VideoList_PrePage", 35}, {"VideoList_NextPage", 35},
        {"Video_Import", 35}, {"Video_Delete", 35}, {"VideoFull", 35},
        {"Window_Min", 20}, {"Window_Max", 20}, {"Window_Normal", 20}, {"Window_Close", 20},
    };
    const char *suffixes[] = {"", "_Hover", "_Pressed"};
    constexpr int cell = 44;
    const int facesCount = int(std::size(faces));
    QImage strip(W, 3 * cell + 8, QImage::Format_ARGB32);
    strip.fill(Qt::black);
    QPainter painter(&strip);
    for (int i = 0; i < facesCount; ++i) {
        for (int s = 0; s < 3; ++s) {
            QPushButton button;
            button.setStyleSheet(QStringLiteral("QPushButton{background-color:#000000; border-image:url(%1/%2%3.png);}")
                                     .arg(QDir(imagesDir).absolutePath(),
                                          QString::fromLatin1(faces[i].image),
                                          QString::fromLatin1(suffixes[s])));
            button.resize(faces[i].side, faces[i].side);
            const int x = 8 + i * (W - 16) / facesCount + (cell - faces[i].side) / 2;
            const int y = 4 + s * cell + (cell - faces[i].side) / 2;
            painter.drawImage(x, y, Grab(button));
        }
    }
    painter.end();

    QImage sheet(W, H + strip.height(), QImage::Format_ARGB32);
    QPainter sheetPainter(&sheet);
    sheetPainter.drawImage(0, 0, mock);
    sheetPainter.drawImage(0, H, strip);
    return sheet;
}
