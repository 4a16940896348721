#include "orbit_follower.h"

#include <QLocale>

#include <cmath>

OrbitFollower::~OrbitFollower()
{
    worker_ = {};
}

void OrbitFollower::Follow(const fractal::DeepView& view, int maxIterations, float x, float y)
{
    const fractal::Cell cell{int(std::floor(x)), int(std::floor(y))};
    if (cell_ && *cell_ == cell && view_ && *view_ == view && maxIterations_ == maxIterations)
        return;
    // The worker before is stopped and joined first; its result, queued
    // already, is recognised as old by its generation.
    worker_ = {};
    cell_ = cell;
    view_ = view;
    maxIterations_ = maxIterations;
    orbit_.reset();
    const long generation = ++generation_;
    emit orbitChanged();
    worker_ = std::jthread([this, view, maxIterations, x, y, generation](std::stop_token stop) {
        fractal::PointOrbit orbit = fractal::OrbitAt(view, x, y, maxIterations, stop);
        if (!orbit.complete)
            return;
        QMetaObject::invokeMethod(
            this, [this, generation, orbit = std::move(orbit)]() mutable { Take(generation, std::move(orbit)); },
            Qt::QueuedConnection);
    });
}

void OrbitFollower::Take(long generation, fractal::PointOrbit orbit)
{
    if (generation != generation_)
        return;
    orbit_ = std::move(orbit);
    emit orbitChanged();
}

void OrbitFollower::Clear()
{
    if (!cell_)
        return;
    worker_ = {};
    ++generation_;
    cell_.reset();
    view_.reset();
    orbit_.reset();
    emit orbitChanged();
}

void OrbitFollower::Finish()
{
    if (worker_.joinable())
        worker_.join();
    QCoreApplication::sendPostedEvents(this);
}

QString OrbitFollower::Text() const
{
    if (!cell_)
        return {};
    const QLocale locale;
    const QString where = QCoreApplication::translate("Controller", "Orbit (%1, %2)").arg(cell_->x).arg(cell_->y);
    if (!orbit_)
        return QCoreApplication::translate("Controller", "%1: following it…").arg(where);
    if (orbit_->escapeCount != fractal::NotEscaped)
        return QCoreApplication::translate("Controller", "%1: escapes, count %2")
            .arg(where, locale.toString(orbit_->escapeCount));
    if (orbit_->period > 0)
        return QCoreApplication::translate("Controller", "%1: stays inside, period %2")
            .arg(where, locale.toString(qlonglong(orbit_->period)));
    return QCoreApplication::translate("Controller", "%1: stays inside, no cycle found").arg(where);
}
