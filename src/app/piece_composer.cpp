#include "piece_composer.h"

#include "midi_file.h"
#include "music_tables.h"
#include "outline.h"
#include "walk.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace {
constexpr fractal::Colour WalkRed = 0x000000FF;
} // namespace

void PieceComposer::Trace(const fractal::ColourGrid& colours)
{
    screen_.picture.Clear();
    screen_.ShowPicture();
    screen_.SetProgress(0.0f);
    fractal::TraceObserver observer;
    observer.columnStarted = [this, side = colours.Side()](int x) {
        screen_.ShowPicture();
        screen_.SetProgress(ColumnProgress(x, side));
    };
    observer.outlineFound = [this](fractal::Cell cell) {
        screen_.picture.Set(cell.x, cell.y, fractal::OutlineWhite);
    };
    outline_ = fractal::TraceOutline(colours, observer);
    tracedOutline_ = outline_;
    screen_.ShowPicture();
}

void PieceComposer::ShowTracedOutline()
{
    outline_ = tracedOutline_;
    screen_.picture.Clear();
    for (int x = 0; x < outline_.Side(); ++x) {
        for (int y = 0; y < outline_.Side(); ++y) {
            if (outline_.At(x, y) == fractal::OutlineWhite)
                screen_.picture.Set(x, y, fractal::OutlineWhite);
        }
    }
    screen_.ShowPicture();
}

bool PieceComposer::OnOutline(fractal::Cell cell) const
{
    return outline_.Contains(cell.x, cell.y) && outline_.At(cell.x, cell.y) == fractal::OutlineWhite;
}

void PieceComposer::RestoreOutlines(Outlines outlines)
{
    outline_ = std::move(outlines.outline);
    tracedOutline_ = std::move(outlines.traced);
}

std::optional<fractal::Cell> PieceComposer::StartCellNear(float x, float y) const
{
    return fractal::ChooseStartPoint(outline_, x, y);
}

bool PieceComposer::Walk(fractal::Cell start, int length)
{
    walkCells_.clear();
    const fractal::WalkResult walk = fractal::Walk(outline_, start, length, [this](fractal::Cell cell) {
        walkCells_.push_back(cell);
        for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
            screen_.picture.Set(cell.x + dx, cell.y + dy, WalkRed);
        screen_.ShowPicture();
    });
    melody_ = walk.directions;
    return walk.completed;
}

const std::vector<std::uint8_t>& PieceComposer::KeepPiece(fractal::Cell start, const fractal::DeepView& view,
                                                          int iterations, const music::MusicSettings& settings,
                                                          fractal::Palette palette)
{
    piecePalette_ = palette;
    pieceStart_ = start;
    pieceView_ = view;
    pieceIterations_ = iterations;
    pieceSettings_ = settings;
    pieceCells_ = walkCells_;
    pieceDirections_ = melody_;
    pieceOutline_ = tracedOutline_;
    for (std::uint8_t& byte : melody_)
        byte = music::DirectionToNote(byte, pieceSettings_);
    piece_ = melody_;
    return piece_;
}

std::optional<fractal::Cell> PieceComposer::CellAt(int position) const
{
    if (walkCells_.empty())
        return std::nullopt;
    // After the last byte's tick the last note still rings until the end.
    return walkCells_[std::min<std::size_t>(static_cast<std::size_t>(position), walkCells_.size() - 1)];
}

std::optional<fractal::Cell> PieceComposer::PieceStart(const fractal::DeepView& view, int iterations) const
{
    if (piece_.empty() || !(pieceView_ == view) || pieceIterations_ != iterations)
        return std::nullopt;
    return pieceStart_;
}

Place PieceComposer::PiecePlace() const
{
    Place place;
    place.view = pieceView_;
    place.iterations = pieceIterations_;
    place.length = static_cast<int>(piece_.size()) - 1;
    place.start = StartCell{pieceStart_.x, pieceStart_.y};
    place.music = pieceSettings_;
    place.palette = piecePalette_;
    return place;
}

std::vector<std::uint8_t> PieceComposer::PieceAsMidiFile() const
{
    const QByteArray place = PlaceToJson(PiecePlace());
    return music::PieceMidiFile(piece_, pieceSettings_, std::string_view(place.constData(), std::size_t(place.size())))
        .bytes;
}

video::PieceVideo PieceComposer::PieceAsVideo() const
{
    video::PieceVideo video{piece_, pieceSettings_, pieceOutline_.Side(), {}, {}};
    const auto side = static_cast<std::size_t>(video.side);
    video.picture.assign(side * side, 0);
    for (int y = 0; y < video.side; ++y)
        for (int x = 0; x < video.side; ++x)
            if (pieceOutline_.At(x, y) == fractal::OutlineWhite)
                video.picture[static_cast<std::size_t>(y) * side + static_cast<std::size_t>(x)] = fractal::OutlineWhite;
    for (const fractal::Cell& cell : pieceCells_)
        video.path.push_back({cell.x, cell.y});
    return video;
}
