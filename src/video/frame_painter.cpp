#include "frame_painter.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace video {

namespace {

// As the walk and the window draw them (picture_overlays.cpp, piece_composer.cpp).
constexpr Pixel PathRed = 0x000000FF;
constexpr Pixel RingYellow = 0x0000FFFF;
constexpr Pixel Dark = 0x00000000;
constexpr int PathMark = 2;
constexpr double RingShare = 0.025;
constexpr double RingLeastRadius = 3.0;
constexpr double RingLineShare = 0.006;
constexpr double RingLeastLine = 2.0;
constexpr double DarkEdge = 1.5;

} // namespace

FramePainter::FramePainter(const std::vector<Pixel>& picture, int side, int scale, std::vector<PathCell> path)
    : side_(side), scale_(scale), path_(std::move(path))
{
    const int pixels = Side();
    canvas_.resize(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels));
    for (int y = 0; y < pixels; ++y)
        for (int x = 0; x < pixels; ++x)
            canvas_[static_cast<std::size_t>(y) * pixels + x] =
                picture[static_cast<std::size_t>(y / scale_) * side_ + x / scale_];
    frame_ = canvas_;
}

void FramePainter::PaintCell(PathCell cell)
{
    const int pixels = Side();
    for (int y = cell.y * scale_; y < std::min((cell.y + PathMark) * scale_, pixels); ++y)
        for (int x = cell.x * scale_; x < std::min((cell.x + PathMark) * scale_, pixels); ++x)
            canvas_[static_cast<std::size_t>(y) * pixels + x] = PathRed;
}

FramePainter::Ring FramePainter::RingAround(PathCell cell) const
{
    const double radius = std::max(RingLeastRadius, side_ * RingShare) * scale_;
    const double line = std::max(RingLeastLine, Side() * RingLineShare);
    return {(cell.x + PathMark / 2.0) * scale_, (cell.y + PathMark / 2.0) * scale_, radius, line};
}

FramePainter::Box FramePainter::BoxOf(const Ring& ring) const
{
    const double reach = ring.radius + ring.line / 2 + DarkEdge + 1;
    const auto clamp = [this](double v) { return std::clamp(static_cast<int>(std::floor(v)), 0, Side()); };
    return {clamp(ring.centreX - reach), clamp(ring.centreY - reach), clamp(ring.centreX + reach + 1),
            clamp(ring.centreY + reach + 1)};
}

const std::vector<Pixel>& FramePainter::Frame(int lastStep, std::optional<int> playhead)
{
    const int pixels = Side();
    const auto restore = [&](const Box& box) {
        for (int y = box.top; y < box.bottom; ++y) {
            const auto row = static_cast<std::size_t>(y) * pixels;
            std::copy(canvas_.begin() + row + box.left, canvas_.begin() + row + box.right, frame_.begin() + row + box.left);
        }
    };
    // Only what changed is copied: the old ring's square and the new cells.
    if (ringBox_)
        restore(*std::exchange(ringBox_, std::nullopt));
    lastStep = std::min(lastStep, static_cast<int>(path_.size()) - 1);
    for (; drawnUpTo_ < lastStep; ++drawnUpTo_) {
        const PathCell cell = path_[static_cast<std::size_t>(drawnUpTo_ + 1)];
        PaintCell(cell);
        restore({cell.x * scale_, cell.y * scale_, std::min((cell.x + PathMark) * scale_, pixels),
                 std::min((cell.y + PathMark) * scale_, pixels)});
    }
    if (!playhead || *playhead < 0 || *playhead >= static_cast<int>(path_.size()))
        return frame_;
    const Ring ring = RingAround(path_[static_cast<std::size_t>(*playhead)]);
    const Box box = BoxOf(ring);
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            // Distance from the ring's line, at the pixel's centre.
            const double off = std::abs(std::hypot(x + 0.5 - ring.centreX, y + 0.5 - ring.centreY) - ring.radius);
            if (off <= ring.line / 2)
                frame_[static_cast<std::size_t>(y) * pixels + x] = RingYellow;
            else if (off <= ring.line / 2 + DarkEdge)
                frame_[static_cast<std::size_t>(y) * pixels + x] = Dark;
        }
    }
    ringBox_ = box;
    return frame_;
}

} // namespace video
