#pragma once

#include <QWidget>

class Controller;

// The rule on screen: the eight walk directions as a compass, each with the
// note it plays in the key and scale of the piece on stage (or of the next
// piece), and the tonic in the middle for a step back out of a dead end.
// The direction whose note sounds is lit, while a piece plays and while it
// is stepped through.
class DirectionLegend : public QWidget
{
    Q_OBJECT

public:
    DirectionLegend(const Controller& controller, QWidget* parent);

    // The note name shown for a direction (0 to 7), or for the middle (8).
    QString NoteText(int place) const;
    // The place lit now: a direction, the middle, or none.
    std::optional<int> LitPlace() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Controller& controller_;
};
