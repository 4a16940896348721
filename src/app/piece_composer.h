#pragma once

#include "grid.h"
#include "music_settings.h"
#include "piece_video.h"
#include "place.h"
#include "screen.h"

#include <cstdint>
#include <optional>
#include <vector>

// Composing: the outline as traced and as a walk left it, the walk from a
// start cell with the path it paints, and the piece it became, with where
// that piece started so a place can bring it back.
class PieceComposer
{
public:
    explicit PieceComposer(Screen& screen) : screen_(screen) {}

    // Replaces the picture by the outline of colours as it is found.
    void Trace(const fractal::ColourGrid& colours);
    // The outline as Trace found it, with every cell a walk cleared back.
    void ShowTracedOutline();
    const fractal::OutlineGrid& Outline() const { return outline_; }
    bool OnOutline(fractal::Cell cell) const;

    // Both outlines, for an opening to bring back if it fails.
    struct Outlines
    {
        fractal::OutlineGrid outline;
        fractal::OutlineGrid traced;
    };
    Outlines KeepOutlines() const { return {outline_, tracedOutline_}; }
    void RestoreOutlines(Outlines outlines);

    // The outline cell a press at (x, y) starts from, if any.
    std::optional<fractal::Cell> StartCellNear(float x, float y) const;
    // Walks the outline from start, painting the path red; false when the
    // outline ran out before length steps.
    bool Walk(fractal::Cell start, int length);
    // The walk just completed becomes the piece, its directions the notes
    // of settings, kept with the view, iterations and palette it was walked on.
    const std::vector<std::uint8_t>& KeepPiece(fractal::Cell start, const fractal::DeepView& view, int iterations,
                                               const music::MusicSettings& settings, fractal::Palette palette);

    // The last walk's bytes: its directions, or its notes once it played.
    const std::vector<std::uint8_t>& Melody() const { return melody_; }
    // The notes of the most recent walk that completed; empty before any.
    const std::vector<std::uint8_t>& Piece() const { return piece_; }
    const music::MusicSettings& PieceSettings() const { return pieceSettings_; }
    // The cell of the walk whose note sounds at the sequencer's position.
    std::optional<fractal::Cell> CellAt(int position) const;
    // The piece's walk: the cell of each step, the direction byte that gave
    // each note, and the outline it was walked on, as traced.
    const std::vector<fractal::Cell>& PathCells() const { return pieceCells_; }
    std::uint8_t DirectionAt(int position) const { return pieceDirections_.at(static_cast<std::size_t>(position)); }
    const fractal::OutlineGrid& PieceOutline() const { return pieceOutline_; }
    // Where the piece started, while view and iterations are the ones it
    // was composed on.
    std::optional<fractal::Cell> PieceStart(const fractal::DeepView& view, int iterations) const;
    Place PiecePlace() const;
    // The piece as a Standard MIDI File, keeping its own place.
    std::vector<std::uint8_t> PieceAsMidiFile() const;
    // What a video of the piece shows: the outline it was walked on, white
    // on black, and its walk's cells, with its notes and settings.
    video::PieceVideo PieceAsVideo() const;

private:
    Screen& screen_;
    fractal::OutlineGrid outline_;
    // The outline as traced, before any walk cleared its cells.
    fractal::OutlineGrid tracedOutline_;
    std::vector<std::uint8_t> melody_;
    // The cell each step of the last walk stood on, one per melody byte.
    std::vector<fractal::Cell> walkCells_;
    std::vector<std::uint8_t> piece_;
    std::vector<fractal::Cell> pieceCells_;
    std::vector<std::uint8_t> pieceDirections_;
    fractal::OutlineGrid pieceOutline_;
    music::MusicSettings pieceSettings_;
    fractal::Cell pieceStart_;
    fractal::DeepView pieceView_;
    int pieceIterations_ = 0;
    fractal::Palette piecePalette_ = fractal::Palette::Classic;
};
