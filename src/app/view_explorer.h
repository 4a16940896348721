#pragma once

#include "deep_view.h"
#include "palette.h"
#include "parallel_render.h"
#include "render.h"
#include "render_runner.h"
#include "screen.h"

#include <QCoreApplication>
#include <QString>

#include <array>
#include <functional>
#include <optional>
#include <vector>

// The Automatic accuracy: 100 iterations at the whole set's width and 300
// more for each tenfold magnification, at most 1,000,000, so deeper views
// keep their detail.
inline constexpr int AutomaticBaseIterations = 100;
inline constexpr int AutomaticIterationsPerDecade = 300;
inline constexpr int AutomaticMostIterations = fractal::MostIterations;
int AutomaticIterations(const fractal::DeepView& view);

// While a zoomed or panned view renders, the picture before it stands in,
// moved and scaled: new cell (x, y) shows the old cell at
// (x * scale + offsetX, y * scale + offsetY), black where there is none.
struct ScaledPreview
{
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

// Exploring the set: the view on screen and the views it replaced, the
// accuracy and the iterations in force, the colour picture, the render in
// flight and what Cancel brings back, and the corners of a magnification.
// Where a gesture that changes the view belongs.
class ViewExplorer
{
    // Its texts are the controller's, as they always were.
    Q_DECLARE_TR_FUNCTIONS(Controller)

public:
    // Low, Medium, High, 1,000 to 1,000,000 iterations, and Automatic.
    static constexpr int AccuracyCount = 8;
    static constexpr int AutomaticAccuracy = AccuracyCount - 1;
    // The iterations of each entry before Automatic, which follows the view.
    static constexpr std::array<int, AccuracyCount - 1> IterationsByAccuracy{
        10, 50, 100, 1'000, 10'000, 100'000, fractal::MostIterations};

    ViewExplorer(Screen& screen, RenderRunner& renderer);
    ~ViewExplorer();
    ViewExplorer(const ViewExplorer&) = delete;
    ViewExplorer& operator=(const ViewExplorer&) = delete;

    // The accuracy list's selected index; takes effect with the next render.
    void SetAccuracy(int index) { accuracyIndex_ = index; }
    int MaxIterations() const { return maxIterations_; }
    // The picture's side for the next render; a side not offered is ignored.
    void SetPictureSide(int side)
    {
        if (fractal::IsPictureSide(side))
            pictureSide_ = side;
    }
    int PictureSide() const { return pictureSide_; }

    const fractal::DeepView& View() const { return view_; }
    // The view in doubles; exact while doubles are enough for it.
    fractal::View ViewInDoubles() const;
    // The views the magnifications replaced, oldest first.
    const std::vector<fractal::DeepView>& History() const { return history_; }
    // The picture's classic colours, which the outline is traced from
    // whatever the palette.
    const fractal::ColourGrid& Colours() const { return colours_; }
    // The palette the picture is shown in; columns arriving from now on
    // come in it.
    void SetPalette(fractal::Palette palette) { palette_ = palette; }
    fractal::Palette CurrentPalette() const { return palette_; }
    // Paints the columns drawn so far again in the palette, from their
    // classic colours and smooth counts, without rendering anything.
    void ShowColours();
    // Whether a render has completed since the start, or since what an
    // opening brought back.
    bool HasPicture() const { return hasPicture_; }
    void SetHasPicture(bool hasPicture) { hasPicture_ = hasPicture; }
    // Where the view is: its centre, its width and the iterations.
    QString Readout() const;

    // Draws view at the picture side now chosen from a cleared picture (or
    // the preview), column by column, with the accuracy taken now (or the
    // iterations given), off the
    // window's thread. started is called once the picture is cleared, before
    // any column; finished once the picture is complete.
    void StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                     std::optional<int> iterations, const std::function<void()>& started,
                     std::function<void()> finished, std::optional<ScaledPreview> preview = std::nullopt);
    // Stops the render and brings back the view, the picture, the progress
    // and the band it replaced.
    void CancelRender();
    void StopRendering() { renderer_.Cancel(); }

    // The first corner stays the point it was in the view of its own press,
    // even if the picture is redrawn since.
    void SetFirstCorner(float x, float y);
    void StretchBand(float x, float y);
    // The view between the first corner and this second one.
    fractal::DeepView Magnification(float x, float y) const;

private:
    void ApplyAccuracy();
    void ShowPreview(const ScaledPreview& preview);
    void TakeColumns(const fractal::ColumnBlock& block);
    void PaintColumns(int first, int end);

    Screen& screen_;
    RenderRunner& renderer_;
    int accuracyIndex_ = 1;
    int pictureSide_ = fractal::PictureSide;
    int maxIterations_ = 0;
    fractal::DeepView view_;
    fractal::DeepPoint firstCorner_;
    std::vector<fractal::DeepView> history_;
    bool hasPicture_ = false;
    fractal::ColourGrid colours_;
    // Column by column, each top to bottom, as a render delivers them.
    std::vector<float> smoothCounts_;
    // Columns 0 .. columnsDrawn_ - 1 of colours_ are rendered.
    int columnsDrawn_ = 0;
    fractal::Palette palette_ = fractal::Palette::Classic;
    std::function<void()> renderFinished_;

    // What a render replaced, for Cancel to bring back.
    struct BeforeRender
    {
        fractal::DeepView view;
        std::vector<fractal::DeepView> history;
        RubberBand band;
        float progress = 0.0f;
        int maxIterations = 0;
        Picture picture;
        fractal::ColourGrid colours;
        std::vector<float> smoothCounts;
        int columnsDrawn = 0;
    };
    BeforeRender beforeRender_;
};
