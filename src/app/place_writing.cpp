#include "place.h"

#include "place_fields.h"

#include <array>
#include <charconv>
#include <initializer_list>
#include <string>
#include <string_view>

using namespace place_fields;

namespace {

std::string Shortest(double value)
{
    std::array<char, 32> digits{};
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    return error == std::errc() ? std::string(digits.data(), end) : std::string();
}

// A double view's corners in the fewest digits that read back as the same
// doubles ("0.7", not "6.9999999999999996e-01"); a deeper view's in all the
// digits its precision needs.
fractal::DeepViewText CornerTexts(const fractal::DeepView& view)
{
    const auto doubles = view.AsView();
    if (!doubles)
        return view.ToText();
    return {Shortest(doubles->xMin), Shortest(doubles->xMax), Shortest(doubles->yMin), Shortest(doubles->yMax)};
}

QByteArray Quoted(std::string_view text)
{
    return '"' + QByteArray(text.data(), static_cast<qsizetype>(text.size())) + '"';
}

QByteArray Member(std::string_view name, const QByteArray& value)
{
    return Quoted(name) + ": " + value;
}

QByteArray Object(std::initializer_list<QByteArray> members)
{
    QByteArray text = "{";
    for (const QByteArray& member : members)
        text += (text.size() > 1 ? ", " : "") + member;
    return text + '}';
}

} // namespace

QByteArray PlaceToJson(const Place& place)
{
    const fractal::DeepViewText corners = CornerTexts(place.view);
    QByteArray text = "{\n";
    const auto line = [&text](const QByteArray& member, bool last = false) {
        text += "  " + member + (last ? "\n" : ",\n");
    };
    line(Member(PlaceVersionField, QByteArray::number(PlaceVersion)));
    // Corners are digits, signs, a point and an exponent: nothing to escape.
    const auto corner = [](std::size_t index, const std::string& digits) {
        return Member(CornerFields[index], Quoted(digits));
    };
    line(Member(ViewField, Object({corner(0, corners.xMin), corner(1, corners.xMax), corner(2, corners.yMin),
                                   corner(3, corners.yMax)})));
    line(Member(IterationsField, QByteArray::number(place.iterations)));
    line(Member(LengthField, QByteArray::number(place.length)));
    if (place.view.Side() != fractal::PictureSide)
        line(Member(SizeField, QByteArray::number(place.view.Side())));
    if (place.palette != fractal::Palette::Classic)
        line(Member(PaletteField, Quoted(fractal::PaletteName(place.palette))));
    if (place.start)
        line(Member(StartField, Object({Member(CellXField, QByteArray::number(place.start->x)),
                                        Member(CellYField, QByteArray::number(place.start->y))})));
    const music::MusicSettings& music = place.music;
    const auto number = [&music](const MusicNumber& field) {
        return Member(field.name, QByteArray::number(music.*field.setting.member));
    };
    // The tempo in the fewest digits that read back as the same double (75, 45.045045045045045).
    const std::string tempo = Shortest(music.tempo);
    line(Member(MusicField,
                Object({Member(TempoField, QByteArray(tempo.data(), static_cast<qsizetype>(tempo.size()))),
                        Member(StepNoteField, Quoted(NameOf(music.stepNote))),
                        Member(KeyField, Quoted(NameOfKey(music.key))), Member(ScaleField, Quoted(NameOf(music.scale))),
                        number(MusicNumbers[0]), number(MusicNumbers[1]), number(MusicNumbers[2]),
                        number(MusicNumbers[3])})),
         true);
    return text + "}\n";
}
