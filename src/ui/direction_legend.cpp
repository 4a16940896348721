#include "direction_legend.h"

#include "controller.h"
#include "music_tables.h"

#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace {

// The middle of the compass: what any byte past the eight directions plays.
constexpr int Middle = 8;
// Each place's column and row in the compass, directions clockwise from up.
constexpr std::array<QPoint, 9> Places{{{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}, {0, 0}, {1, 1}}};
constexpr int SemitonesPerOctave = 12;
const QColor LitColour(255, 220, 0);

QString NoteName(std::uint8_t note)
{
    const auto name = music::KeyNames[note % SemitonesPerOctave];
    // MIDI's octave numbers: note 60 is C4.
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())) + QString::number(note / 12 - 1);
}

} // namespace

DirectionLegend::DirectionLegend(const Controller& controller, QWidget* parent)
    : QWidget(parent), controller_(controller)
{
    setToolTip(tr("Each step's direction plays the note shown, in the piece's key and scale; the lit one sounds "
                  "now. A step back out of a dead end plays the note in the middle."));
}

QString DirectionLegend::NoteText(int place) const
{
    const auto code = static_cast<std::uint8_t>(place == Middle ? music::MelodyDegreeCount : place);
    return NoteName(music::DirectionToNote(code, controller_.LegendSettings()));
}

std::optional<int> DirectionLegend::LitPlace() const
{
    const auto direction = controller_.SoundingDirection();
    if (!direction)
        return std::nullopt;
    return *direction < music::MelodyDegreeCount ? int(*direction) : Middle;
}

void DirectionLegend::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF cell(width() / 3.0, height() / 3.0);
    const std::optional<int> lit = LitPlace();
    for (int place = 0; place < int(Places.size()); ++place) {
        const QRectF box(QPointF(Places[place].x() * cell.width(), Places[place].y() * cell.height()), cell);
        const QRectF face = box.adjusted(1, 1, -1, -1);
        const bool on = lit == place;
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(on ? LitColour : palette().color(QPalette::Base));
        painter.drawRoundedRect(face, 3, 3);
        painter.setPen(on ? QColor(Qt::black) : palette().color(QPalette::Text));
        QRectF text = face;
        if (place != Middle) {
            // A small arrow in the top half of the box points the direction's way.
            const double angle = place * M_PI / 4;
            const QPointF centre(face.center().x(), face.top() + face.height() * 0.3);
            const QPointF tip = centre + QPointF(std::sin(angle), -std::cos(angle)) * face.height() * 0.22;
            const QPointF tail = centre - (tip - centre);
            painter.drawLine(tail, tip);
            const QPointF back = (tail - tip) * 0.45;
            for (const double turn : {0.5, -0.5}) {
                const QPointF wing(back.x() * std::cos(turn) - back.y() * std::sin(turn),
                                   back.x() * std::sin(turn) + back.y() * std::cos(turn));
                painter.drawLine(tip, tip + wing);
            }
            text.setTop(face.top() + face.height() * 0.5);
        }
        painter.drawText(text, Qt::AlignCenter, NoteText(place));
    }
}
