#pragma once

#include "deep_view.h"
#include "orbit.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <optional>
#include <thread>

// View -> Show Orbit: the orbit of the cell under the pointer or the
// keyboard's cursor, worked out off the window's thread (a deep view's
// takes a while at its precision) and handed back when it is known; a new
// cell stops the work for the one before.
class OrbitFollower : public QObject
{
    Q_OBJECT

public:
    explicit OrbitFollower(QObject* parent = nullptr) : QObject(parent) {}
    ~OrbitFollower() override;

    // Starts following the orbit of cell (x, y) of the view; replaces any.
    void Follow(const fractal::DeepView& view, int maxIterations, float x, float y);
    // Nothing is shown until the next Follow.
    void Clear();

    // The orbit of the last cell followed, once known.
    const std::optional<fractal::PointOrbit>& Orbit() const { return orbit_; }
    // For the status line: the cell, and where its orbit goes; empty when
    // no cell is followed.
    QString Text() const;

    // Waits for the orbit under way; for tests and batch runs.
    void Finish();

signals:
    void orbitChanged();

private:
    void Take(long generation, fractal::PointOrbit orbit);

    std::optional<fractal::PointOrbit> orbit_;
    std::optional<fractal::Cell> cell_;
    std::optional<fractal::DeepView> view_;
    int maxIterations_ = 0;
    long generation_ = 0;
    // Last, so that it is stopped and joined before what it reports to goes.
    std::jthread worker_;
};
