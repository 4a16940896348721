// Built twice: at one device pixel per point, and with
// VELMORA_TEST_SCALE_FACTOR device pixels per point, as on a high-density
// screen. Positions and sizes below are in points.
#include "picture.h"
#include "picture_view.h"
#include "progress_bar.h"
#include "repaint_throttle.h"
#include "window_driver.h"

#include <QImage>

#include <cmath>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#ifndef VELMORA_TEST_SCALE_FACTOR
#define VELMORA_TEST_SCALE_FACTOR 1
#endif

namespace {

using namespace window_driver;

constexpr int ScaleFactor = VELMORA_TEST_SCALE_FACTOR;

// Before main creates the application, which reads it once.
const bool scaleFactorSet = [] {
    if (ScaleFactor != 1)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(ScaleFactor));
    return true;
}();

class PictureViewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(view.devicePixelRatio(), ScaleFactor) << "the screen's density was not applied";
    }

    // What the view puts on the screen, in device pixels.
    QImage Screen() { return view.grab().toImage().convertToFormat(QImage::Format_RGB32); }

    Picture picture;
    RepaintThrottle throttle;
    PictureView view{picture, throttle, nullptr};
};

// Whichever position of the event is exact, the controller gets the cell
// under the pointer, as the whole picture coordinates it rounds unchanged.
TEST_F(PictureViewTest, PointerPositionsArriveAsTheCellUnderThePointerAtAnySize)
{
    struct Case
    {
        int side;  // of the view
        QPointF position;
        QPointF expected;  // the cell, in the 0..400 picture coordinates
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
        {400, {10.5, 399.5}, {10, 399}, Qt::LeftButton, Qt::NoModifier},
        {400, {271.5, 53.5}, {271, 53}, Qt::LeftButton, Qt::NoModifier},
        {400, {0, 0}, {0, 0}, Qt::RightButton, Qt::ShiftModifier},
        {400, {17, 399}, {17, 399}, Qt::LeftButton, Qt::NoModifier},
        {800, {401, 20}, {200, 10}, Qt::LeftButton, Qt::NoModifier},
        {600, {150, 0.75}, {100, 0}, Qt::MiddleButton, Qt::ControlModifier},
        {200, {100.25, 50}, {200, 100}, Qt::LeftButton, Qt::AltModifier},
    };
    for (const Case& c : cases) {
        view.resize(c.side, c.side);
        std::vector<QPointF> pressed;
        std::vector<QPointF> moved;
        const auto p = QObject::connect(&view, &PictureView::pressed, [&](float x, float y) { pressed.emplace_back(x, y); });
        const auto m = QObject::connect(&view, &PictureView::moved, [&](float x, float y) { moved.emplace_back(x, y); });
        SendPointer(&view, QEvent::MouseButtonPress, c.position, c.button, c.modifiers);
        SendPointer(&view, QEvent::MouseButtonRelease, c.position, c.button, c.modifiers);
        // With no button held: the rubber band follows a pointer that only moves.
        SendPointer(&view, QEvent::MouseMove, c.position, Qt::NoButton);
        QObject::disconnect(p);
        QObject::disconnect(m);
        EXPECT_EQ(pressed, std::vector<QPointF>{c.expected}) << "side " << c.side << " at " << c.position.x();
        EXPECT_EQ(moved, std::vector<QPointF>{c.expected}) << "side " << c.side << " at " << c.position.x();
    }
}

// Cell c is drawn on the device pixels d with c <= d / scale < c + 1 (seen on
// xcb and offscreen: nearest-neighbour scaling takes a device pixel's cell at
// its top left corner), and Qt reports such a pixel at d / scale points.
TEST(CellUnderPointer, EveryDevicePixelOfACellMapsToThatCellAtScale1And1Point5And2)
{
    struct Scale
    {
        int numerator;
        int denominator;
    };
    for (const Scale scale : {Scale{1, 1}, Scale{3, 2}, Scale{2, 1}}) {
        const double factor = double(scale.numerator) / scale.denominator;
        int pixels = 0;
        for (int cell = 0; cell < Picture::Side; ++cell) {
            // The device pixels d with cell * n <= d * den < (cell + 1) * n, in whole numbers.
            for (int d = (cell * scale.numerator + scale.denominator - 1) / scale.denominator;
                 d * scale.denominator < (cell + 1) * scale.numerator; ++d, ++pixels) {
                const QPointF chosen = CellUnder(QPointF(d / factor, d / factor));
                ASSERT_EQ(chosen, QPointF(cell, cell))
                    << "scale " << factor << ", device pixel " << d;
                ASSERT_EQ(std::nearbyint(chosen.x()), cell) << "the controller's rounding keeps the cell";
            }
        }
        EXPECT_EQ(pixels, Picture::Side * scale.numerator / scale.denominator) << "every device pixel, once";
    }
    for (const QPointF whole : {QPointF(0, 0), QPointF(271, 53), QPointF(399, 399)})
        EXPECT_EQ(CellUnder(whole), whole) << "at one device pixel per point, positions pass unchanged";
}

// At any size and density the picture is the largest centred square of whole device pixels, each
// mapping to a cell in order, every cell getting the scale's share within one; beside it, none.
TEST(CellUnderPointer, EveryDevicePixelOfThePictureMapsToItsCellAtAnySizeAndDensity)
{
    const std::pair<QSize, double> views[] = {{{400, 400}, 1}, {{400, 400}, 1.5}, {{1742, 893}, 1},
                                              {{1742, 893}, 1.25}, {{500, 900}, 2}, {{960, 960}, 1}};
    for (const auto& [size, ratio] : views) {
        const QRect square = PictureRect(size, ratio);
        const int across = int(size.width() * ratio);
        const int side = std::min(across, int(size.height() * ratio));
        ASSERT_EQ(square, QRect((across - side) / 2, 0, side, side)) << size.width() << " at " << ratio;
        std::vector<int> pixelsOfCell(Picture::Side);
        for (int d = square.left() - 1, previous = 0; d <= square.right() + 1; ++d) {
            const auto cell = CellUnder(square, ratio, QPointF(d / ratio, (d - square.left()) / ratio));
            const bool inside = d >= square.left() && d <= square.right();
            ASSERT_EQ(cell.has_value(), inside) << "device pixel " << d;
            if (inside) {
                ASSERT_TRUE(cell->x() == cell->y() && cell->x() >= previous) << "in order, device pixel " << d;
                ++pixelsOfCell[std::size_t(previous = int(cell->x()))];
            }
        }
        for (int cell = 0; cell < Picture::Side; ++cell)
            ASSERT_NEAR(pixelsOfCell[std::size_t(cell)], side / double(Picture::Side), 1.0) << "cell " << cell;
    }
}

// Each picture cell fills exactly its own square of device pixels, its
// colour read from 0x00BBGGRR: no smoothing blurs one cell into the next.
TEST_F(PictureViewTest, EveryCellShowsItsColourAsACrispSquare)
{
    struct Cell
    {
        int x;
        int y;
        fractal::Colour colour;
        QRgb shown;
    };
    const Cell cells[] = {
        {1, 2, 0x000000FF, qRgb(255, 0, 0)},
        {3, 4, 0x00FF0000, qRgb(0, 0, 255)},
        {5, 6, 0x0000FFFF, qRgb(255, 255, 0)},
        {10, 20, 0x0000FF00, qRgb(0, 255, 0)},
        {11, 20, 0x00FF00FF, qRgb(255, 0, 255)},
        {399, 399, 0x00FFFFFF, qRgb(255, 255, 255)},
    };
    for (const Cell& cell : cells)
        picture.Set(cell.x, cell.y, cell.colour);

    for (const int side : {400, 800}) {
        view.resize(side, side);
        const QImage screen = Screen();
        const int k = ScaleFactor * side / 400;  // device pixels per cell
        ASSERT_EQ(screen.size(), QSize(400 * k, 400 * k));
        for (const Cell& cell : cells) {
            EXPECT_EQ(view.Image().pixel(cell.x, cell.y), cell.shown) << cell.x << "," << cell.y;
            for (int dy = 0; dy < k; ++dy) {
                for (int dx = 0; dx < k; ++dx) {
                    EXPECT_EQ(screen.pixel(cell.x * k + dx, cell.y * k + dy), cell.shown)
                        << "side " << side << ", cell " << cell.x << "," << cell.y << " device pixel +" << dx << "+" << dy;
                }
            }
        }
        // A black cell between two coloured ones stays black to its edges.
        for (int dx = 0; dx < k; ++dx)
            EXPECT_EQ(screen.pixel(9 * k + dx, 20 * k), qRgb(0, 0, 0)) << "side " << side;
    }
}

// The rubber band and the ring round the sounding cell are drawn over the
// picture on the screen, never into it, so a saved picture has neither.
TEST_F(PictureViewTest, OverlaysAreDrawnOverThePictureWithoutChangingIt)
{
    struct Overlay
    {
        const char* name;
        QRgb colour;
        std::function<void(bool shown)> show;
        int top;  // the rows it may cover in column 250, in picture cells
        int bottom;
    };
    const Overlay overlays[] = {
        {"rubber band", qRgb(255, 0, 0), [&](bool shown) { view.SetRubberBand(shown, QLineF(10, 100, 300, 100)); },
         100, 100},
        // A ring a fortieth of the picture's side in radius round the centre (251, 101) of the cell's mark.
        {"playhead", qRgb(255, 255, 0),
         [&](bool shown) { view.SetPlayhead(shown ? std::optional<QPoint>(QPoint(250, 100)) : std::nullopt); }, 90,
         112},
    };
    picture.Set(250, 200, 0x00FF0000);
    const QImage before = view.Image();
    for (const int side : {400, 800}) {
        view.resize(side, side);
        const int k = ScaleFactor * side / 400;
        for (const Overlay& overlay : overlays) {
            const std::string where = std::string(overlay.name) + ", side " + std::to_string(side);
            overlay.show(true);
            EXPECT_EQ(view.Image(), before) << where;
            const QImage shown = Screen();
            std::vector<int> rows;
            for (int y = 0; y < shown.height(); ++y) {
                if (shown.pixel(250 * k, y) == overlay.colour)
                    rows.push_back(y);
            }
            ASSERT_FALSE(rows.empty()) << where << ": not drawn at x 250";
            EXPECT_GE(rows.front(), overlay.top * k - k) << where;
            EXPECT_LE(rows.back(), overlay.bottom * k + k) << where;
            EXPECT_EQ(shown.pixel(250 * k, 200 * k), qRgb(0, 0, 255)) << where << ": the picture still shows";

            overlay.show(false);
            const QImage hidden = Screen();
            for (int y = 0; y < hidden.height(); ++y)
                ASSERT_NE(hidden.pixel(250 * k, y), overlay.colour) << where << ": still shown at row " << y;
        }
    }
}

TEST(ProgressBarValue, KeepsTheExactValueAndReportsEveryValueSet)
{
    RepaintThrottle throttle;
    ProgressBar bar(throttle, nullptr);
    const std::vector<float> values{0.0f, 0.0f, 0.25f, 33.25f, 99.75f, 100.0f, 37.5f};
    std::vector<float> reported;
    QObject::connect(&bar, &ProgressBar::ValueSet, [&](float v) { reported.push_back(v); });
    for (const float v : values) {
        bar.SetValue(v);
        EXPECT_EQ(bar.Value(), v);
    }
    EXPECT_EQ(reported, values) << "repeated values are reported too";
}

} // namespace
