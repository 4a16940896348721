#include "draw_area.h"
#include "music_timer.h"
#include "progress_bar.h"
#include "toolkit.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

void Press(DrawArea& area, QPointF position)
{
    QMouseEvent event(QEvent::MouseButtonPress, position, area.mapToGlobal(position), Qt::RightButton,
                      Qt::RightButton, Qt::ShiftModifier);
    QApplication::sendEvent(&area, &event);
}

} // namespace

TEST(DrawAreaSurface, PixelsTakeTheirColourFromBlueGreenRedValues)
{
    DrawArea area;
    area.SetPixel(1, 2, 0x000000FF);
    area.SetPixel(3, 4, 0x00FF0000);
    area.SetPixel(5, 6, 0x0000FFFF);
    EXPECT_EQ(area.Image().pixel(1, 2), qRgb(255, 0, 0)) << "0x000000FF is red";
    EXPECT_EQ(area.Image().pixel(3, 4), qRgb(0, 0, 255)) << "0x00FF0000 is blue";
    EXPECT_EQ(area.Image().pixel(5, 6), qRgb(255, 255, 0)) << "0x0000FFFF is yellow";
    EXPECT_EQ(area.Pixel(3, 4), 0x00FF0000) << "read back in the same form";

    area.Clear();
    EXPECT_EQ(area.Pixel(1, 2), 0) << "clear brings back the black background";
}

TEST(DrawAreaSurface, PointsOffThePictureAreClippedAndHalvesRoundToEven)
{
    DrawArea area;
    const QImage blank = area.Image().copy();
    for (const QPointF p : {QPointF(400, 0), QPointF(0, 400), QPointF(-1, 5), QPointF(5, -0.6), QPointF(1e9, 1e9)})
        area.SetPixel(float(p.x()), float(p.y()), 0x00FFFFFF);
    EXPECT_EQ(area.Image(), blank) << "nothing off the picture may land on it";

    area.SetPixel(0.5f, 2.5f, 0x00FFFFFF);
    EXPECT_EQ(area.Pixel(0, 2), 0x00FFFFFF) << "0.5 goes to 0 and 2.5 to 2";
    area.SetPixel(399.4f, 1.5f, 0x00FFFFFF);
    EXPECT_EQ(area.Pixel(399, 2), 0x00FFFFFF) << "1.5 goes to 2";
}

TEST(DrawAreaSurface, TheRubberBandIsDrawnOverThePictureWithoutChangingIt)
{
    DrawArea area;
    area.resize(400, 400);
    area.SetPixel(100, 100, 0x00FF0000);
    const QImage before = area.Image().copy();
    area.SetLineStart(10, 10);
    area.SetLineEnd(300, 10);
    area.SetLineVisible(true);
    EXPECT_EQ(area.Image(), before);

    const QImage shown = area.grab().toImage();
    EXPECT_EQ(shown.pixel(150, 10), qRgb(255, 0, 0)) << "the line is red on the screen";
    area.SetLineVisible(false);
    EXPECT_EQ(area.grab().toImage().pixel(150, 10), qRgb(0, 0, 0)) << "and gone once hidden";
}

TEST(DrawAreaSurface, PressesAndMovesArriveInPictureCoordinatesWhateverTheButton)
{
    DrawArea area;
    area.resize(400, 400);
    EXPECT_TRUE(area.hasMouseTracking()) << "moves must arrive with no button held";
    QSignalSpy pressed(&area, &DrawArea::Pressed);
    Press(area, QPointF(10.5, 399.5));
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed[0][0].toFloat(), 10.5f);
    EXPECT_EQ(pressed[0][1].toFloat(), 399.5f);

    area.resize(800, 800);  // a stretched surface still reports 0..400
    Press(area, QPointF(401, 20));
    ASSERT_EQ(pressed.size(), 2);
    EXPECT_EQ(pressed[1][0].toFloat(), 200.5f);
    EXPECT_EQ(pressed[1][1].toFloat(), 10.0f);
}

TEST(DrawAreaSurface, OnAHighDensityScreenEveryCellStaysACrispSquare)
{
    DrawArea area;
    area.resize(400, 400);
    area.SetPixel(10, 20, 0x000000FF);
    area.SetPixel(11, 20, 0x00FF0000);
    QImage target(800, 800, QImage::Format_RGB32);
    target.setDevicePixelRatio(2.0);
    target.fill(Qt::gray);
    area.render(&target);
    for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
            EXPECT_EQ(target.pixel(20 + dx, 40 + dy), qRgb(255, 0, 0)) << "red cell, sub-pixel " << dx << dy;
            EXPECT_EQ(target.pixel(22 + dx, 40 + dy), qRgb(0, 0, 255)) << "blue cell, sub-pixel " << dx << dy;
        }
    }
}

TEST(ProgressBarValue, KeepsQuarterStepsAndReportsEveryValueSet)
{
    ProgressBar bar;
    std::vector<float> seen;
    QObject::connect(&bar, &ProgressBar::ValueSet, [&seen](float v) { seen.push_back(v); });
    for (const float v : {0.0f, 0.0f, 0.25f, 99.75f, 100.0f})
        bar.SetValue(v);
    EXPECT_EQ(seen, (std::vector<float>{0.0f, 0.0f, 0.25f, 99.75f, 100.0f}));
    bar.SetValue(33.25f);
    EXPECT_EQ(bar.Value(), 33.25f);
}

TEST(MusicTimerTicks, TicksRepeatUntilDisabledAndNoneComesAfter)
{
    MusicTimer timer;
    int ticks = 0;
    QObject::connect(&timer, &MusicTimer::Tick, [&] {
        if (++ticks == 3)
            timer.SetEnabled(false);
    });
    EXPECT_EQ(MusicTimer::Interval.count(), 200);
    timer.SetEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !timer.IsEnabled(); }, 5000)) << "three ticks should come";
    QTest::qWait(450);
    EXPECT_EQ(ticks, 3) << "a disabled timer delivers no further tick";
}

TEST(MessageBoxes, TheHandlerCanBeReplacedAndRestored)
{
    std::vector<std::string> first;
    std::vector<std::string> second;
    auto original = toolkit::ReplaceMessageHandler([&](const std::string& t) { first.push_back(t); });
    toolkit::ShowMessage("one");
    auto previous = toolkit::ReplaceMessageHandler([&](const std::string& t) { second.push_back(t); });
    toolkit::ShowMessage("two");
    toolkit::ReplaceMessageHandler(std::move(previous));
    toolkit::ShowMessage("three");
    toolkit::ReplaceMessageHandler(std::move(original));

    EXPECT_EQ(first, (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(second, (std::vector<std::string>{"two"}));
}
