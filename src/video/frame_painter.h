#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace video {

// A cell of the picture: x the column, y the row, y growing downward.
struct PathCell
{
    int x = 0;
    int y = 0;
};

// Colours are the picture's 0x00BBGGRR words, which lie in memory as the
// bytes R, G, B and an unused one.
using Pixel = std::uint32_t;

// The frames of a piece's video: the picture scaled up by a whole factor,
// so every cell stays a crisp square, the walk's path revealed step by step
// in its red (each step's cell and the three right of and below it, as the
// walk paints them), and the ring round the sounding cell as the window
// draws it, a fortieth of the picture in radius with a dark edge.
class FramePainter
{
public:
    // picture: side x side colours, row by row from the top.
    FramePainter(const std::vector<Pixel>& picture, int side, int scale, std::vector<PathCell> path);

    int Side() const { return side_ * scale_; }
    // The frame with the path drawn up to lastStep (which never goes back)
    // and the ring round that step's cell, if any; side x side pixels.
    const std::vector<Pixel>& Frame(int lastStep, std::optional<int> playhead);
    // The frame as last drawn.
    const std::vector<Pixel>& Current() const { return frame_; }

    // Where the ring's line runs, in frame pixels, for a cell: its centre
    // and its radius, and the line's width.
    struct Ring
    {
        double centreX;
        double centreY;
        double radius;
        double line;
    };
    Ring RingAround(PathCell cell) const;

private:
    void PaintCell(PathCell cell);
    // The ring's square of pixels, clipped to the frame.
    struct Box
    {
        int left, top, right, bottom;
    };
    Box BoxOf(const Ring& ring) const;

    int side_;
    int scale_;
    std::vector<PathCell> path_;
    // The picture with the path so far; the frame adds the ring over it.
    std::vector<Pixel> canvas_;
    std::vector<Pixel> frame_;
    int drawnUpTo_ = -1;
    std::optional<Box> ringBox_;
};

} // namespace video
