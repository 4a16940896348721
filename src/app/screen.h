#pragma once

#include "picture.h"

#include <QPointF>

#include <functional>

// The red line from the first corner of a magnification to the pointer.
struct RubberBand
{
    bool visible = false;
    QPointF start;
    QPointF end;
};

// What the window shows of a session besides its commands: the picture, the
// progress bar and the rubber band. The parts of a session draw here, and
// the controller tells the window of each change through the callbacks.
struct Screen
{
    Picture picture;
    float progress = 0.0f;
    RubberBand band;

    std::function<void()> pictureChanged;
    std::function<void()> progressChanged;
    std::function<void()> bandChanged;

    void ShowPicture() const
    {
        if (pictureChanged)
            pictureChanged();
    }
    void SetProgress(float value)
    {
        progress = value;
        if (progressChanged)
            progressChanged();
    }
    void SetBand(RubberBand value)
    {
        band = value;
        if (bandChanged)
            bandChanged();
    }
    void HideBand() { SetBand({false, band.start, band.end}); }
};

// The progress bar's value once column x of a picture of side cells is done.
inline float ColumnProgress(int x, int side)
{
    return static_cast<float>(x / double(side) * 100.0);
}
