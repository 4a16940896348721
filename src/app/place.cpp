#include "place.h"

#include "place_embedding.h"
#include "place_fields.h"
#include "view.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string_view>
#include <utility>

using namespace place_fields;

namespace {

// Corners read from their digits may need a few bits more or fewer than the
// view they were written from; the view itself is judged once it is read.
// The first look only keeps a far too deep view from being built at all.
constexpr fractal::BigFloat::Bits DepthSlackBits = 64;
constexpr double BitsPerDigit = 3.3219280948873623;
// MPFR's own reading of a decimal text rounds once more; two bits cover it.
constexpr fractal::BigFloat::Bits ParseGuardBits = 2;


// Reading fails at the first fault; every step returns the failure or nothing.
using Failure = std::optional<PlaceFailure>;

PlaceFailure Fault(PlaceProblem problem, std::string field = {})
{
    PlaceFailure failure;
    failure.problem = problem;
    failure.field = std::move(field);
    return failure;
}

PlaceFailure OutOfRange(std::string field, long long minimum, long long maximum)
{
    PlaceFailure failure = Fault(PlaceProblem::OutOfRange, std::move(field));
    failure.minimum = minimum;
    failure.maximum = maximum;
    return failure;
}

std::string Path(const std::string& parent, std::string_view name)
{
    return parent.empty() ? std::string(name) : parent + '.' + std::string(name);
}

// No field of the object may be other than these.
Failure CheckUnexpected(const QJsonObject& object, const std::string& path, std::initializer_list<const char*> fields)
{
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = it.key();
        const auto named = [&key](const char* field) { return key == QLatin1String(field); };
        if (std::none_of(fields.begin(), fields.end(), named))
            return Fault(PlaceProblem::Unexpected, Path(path, key.toStdString()));
    }
    return std::nullopt;
}

Failure CheckMissing(const QJsonObject& object, const std::string& path, std::initializer_list<const char*> fields)
{
    for (const char* field : fields)
        if (!object.contains(QLatin1String(field)))
            return Fault(PlaceProblem::Missing, Path(path, field));
    return std::nullopt;
}

// Exactly these fields, all of them.
Failure CheckFields(const QJsonObject& object, const std::string& path, std::initializer_list<const char*> fields)
{
    if (auto failure = CheckUnexpected(object, path, fields))
        return failure;
    return CheckMissing(object, path, fields);
}

// An optional part of a place must be an object when it is there.
Failure CheckObject(const QJsonValue& value, const std::string& path)
{
    return value.isObject() ? Failure() : Fault(PlaceProblem::NotObject, path);
}

std::optional<long long> WholeNumber(const QJsonValue& value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    // Beyond this a double no longer tells whole numbers apart, and no range reaches it.
    constexpr double Largest = 1e15;
    if (!(std::abs(number) <= Largest) || std::trunc(number) != number)
        return std::nullopt;
    return static_cast<long long>(number);
}

Failure ReadWholeNumber(const QJsonValue& value, const std::string& path, int minimum, int maximum, int& target)
{
    const auto number = WholeNumber(value);
    if (!number || *number < minimum || *number > maximum)
        return OutOfRange(path, minimum, maximum);
    target = static_cast<int>(*number);
    return std::nullopt;
}

fractal::BigFloat::Bits BitsForCharacters(qsizetype characters)
{
    return std::max(fractal::BigFloat::DoubleBits,
                    static_cast<fractal::BigFloat::Bits>(std::ceil(static_cast<double>(characters) * BitsPerDigit)) +
                        ParseGuardBits);
}

Failure ReadView(const QJsonValue& value, fractal::DeepView& view)
{
    const std::string path = ViewField;
    if (auto failure = CheckObject(value, path))
        return failure;
    const QJsonObject object = value.toObject();
    if (auto failure = CheckFields(object, path, {CornerFields[0], CornerFields[1], CornerFields[2], CornerFields[3]}))
        return failure;

    std::array<std::string, CornerFields.size()> texts;
    qsizetype longest = 0;
    for (std::size_t i = 0; i < CornerFields.size(); ++i) {
        const QJsonValue corner = object.value(QLatin1String(CornerFields[i]));
        if (!corner.isString())
            return Fault(PlaceProblem::NotDecimalText, Path(path, CornerFields[i]));
        const QString text = corner.toString();
        if (text.size() > MaxCoordinateCharacters)
            return Fault(PlaceProblem::CoordinateTooLong, Path(path, CornerFields[i]));
        texts[i] = text.toStdString();
        longest = std::max(longest, text.size());
    }
    // Read all four at the precision the longest one's digits hold, to see
    // how deep the view is before rounding the corners to that depth; a
    // short corner read at less would be compared with the others' rounding.
    std::array<fractal::BigFloat, CornerFields.size()> corners;
    for (std::size_t i = 0; i < CornerFields.size(); ++i) {
        auto parsed = fractal::BigFloat::Parse(texts[i], BitsForCharacters(longest));
        if (!parsed)
            return Fault(PlaceProblem::NotDecimalText, Path(path, CornerFields[i]));
        corners[i] = std::move(*parsed);
    }
    for (std::size_t low = 0; low < corners.size(); low += 2)
        if (corners[low] > corners[low + 1]) {
            PlaceFailure failure = Fault(PlaceProblem::Reversed, Path(path, CornerFields[low]));
            failure.otherField = Path(path, CornerFields[low + 1]);
            return failure;
        }
    if (fractal::RequiredPrecision(corners[0], corners[1], corners[2], corners[3]) > MaxPlaceBits + DepthSlackBits)
        return Fault(PlaceProblem::TooDeep, path);
    auto read = fractal::DeepView::FromText({texts[0], texts[1], texts[2], texts[3]});
    if (!read)
        return Fault(PlaceProblem::NotDecimalText, Path(path, CornerFields[0]));
    if (!PlaceCanKeep(*read))
        return Fault(PlaceProblem::TooDeep, path);
    view = std::move(*read);
    return std::nullopt;
}

Failure ReadStart(const QJsonValue& value, int side, std::optional<StartCell>& start)
{
    const std::string path = StartField;
    if (auto failure = CheckObject(value, path))
        return failure;
    const QJsonObject object = value.toObject();
    if (auto failure = CheckFields(object, path, {CellXField, CellYField}))
        return failure;
    StartCell cell;
    for (auto [field, target] : {std::pair{CellXField, &cell.x}, {CellYField, &cell.y}})
        if (auto failure = ReadWholeNumber(object.value(QLatin1String(field)), Path(path, field), 0, side - 1, *target))
            return failure;
    start = cell;
    return std::nullopt;
}

// The index of the name among the names, or the names for the message.
template <typename Names, typename NameOfEntry>
std::optional<std::size_t> FindName(const QJsonValue& value, const Names& names, NameOfEntry nameOf,
                                    std::string& choices)
{
    const std::string text = value.isString() ? value.toString().toStdString() : std::string();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = nameOf(names[i]);
        if (value.isString() && text == name)
            return i;
        choices += (i == 0 ? "" : ", ") + std::string(name);
    }
    return std::nullopt;
}

PlaceFailure UnknownName(std::string field, std::string choices)
{
    PlaceFailure failure = Fault(PlaceProblem::UnknownName, std::move(field));
    failure.choices = std::move(choices);
    return failure;
}

// The tempo and note value, from "tempo" or, in places written before there
// was one, from "stepMilliseconds": the tempo at which a step of the note
// value (a sixteenth unless named) lasts that long.
Failure ReadTiming(const QJsonObject& object, const std::string& path, music::MusicSettings& read)
{
    if (object.contains(QLatin1String(StepNoteField))) {
        std::string choices;
        const auto note = FindName(object.value(QLatin1String(StepNoteField)), music::StepNotes,
                                   [](const music::StepNoteShape& shape) { return shape.id; }, choices);
        if (!note)
            return UnknownName(Path(path, StepNoteField), choices);
        read.stepNote = music::StepNotes[*note].note;
    }
    const bool hasTempo = object.contains(QLatin1String(TempoField));
    const bool hasStep = object.contains(QLatin1String(StepMillisecondsField));
    // One timing only: a tempo beside the old step length is not part of a place.
    if (hasTempo && hasStep)
        return Fault(PlaceProblem::Unexpected, Path(path, TempoField));
    if (hasStep) {
        int step = 0;
        if (auto failure = ReadWholeNumber(object.value(QLatin1String(StepMillisecondsField)),
                                           Path(path, StepMillisecondsField), music::MinStepMilliseconds,
                                           music::MaxStepMilliseconds, step))
            return failure;
        read.tempo = music::TempoForStep(step, read.stepNote);
        // Only a named note value can put the tempo out of its range.
        if (music::CheckTiming(read.tempo, read.stepNote) != music::SettingsFault::None)
            return OutOfRange(Path(path, StepMillisecondsField),
                              std::max<long long>(music::MinStepMilliseconds,
                                                  music::StepMicroseconds(music::MaxTempo, read.stepNote) / 1000),
                              std::min<long long>(music::MaxStepMilliseconds,
                                                  music::StepMicroseconds(music::MinTempo, read.stepNote) / 1000));
        return std::nullopt;
    }
    if (!hasTempo)
        return Fault(PlaceProblem::Missing, Path(path, TempoField));
    const QJsonValue tempo = object.value(QLatin1String(TempoField));
    read.tempo = tempo.isDouble() ? tempo.toDouble() : 0;
    if (music::CheckTiming(read.tempo, read.stepNote) != music::SettingsFault::None) {
        const music::TempoRange range = music::TempoRangeFor(read.stepNote);
        PlaceFailure failure = OutOfRange(Path(path, TempoField), std::llround(range.minimum),
                                          std::llround(range.maximum));
        failure.problem = PlaceProblem::NumberOutOfRange;
        return failure;
    }
    return std::nullopt;
}

Failure ReadMusic(const QJsonValue& value, music::MusicSettings& settings)
{
    const std::string path = MusicField;
    if (auto failure = CheckObject(value, path))
        return failure;
    const QJsonObject object = value.toObject();
    if (auto failure = CheckUnexpected(object, path,
                                       {TempoField, StepNoteField, StepMillisecondsField, KeyField, ScaleField,
                                        MusicNumbers[0].name, MusicNumbers[1].name, MusicNumbers[2].name,
                                        MusicNumbers[3].name}))
        return failure;
    if (auto failure = CheckMissing(object, path,
                                    {KeyField, ScaleField, MusicNumbers[0].name, MusicNumbers[1].name,
                                     MusicNumbers[2].name, MusicNumbers[3].name}))
        return failure;

    music::MusicSettings read;
    if (auto failure = ReadTiming(object, path, read))
        return failure;
    for (const MusicNumber& number : MusicNumbers) {
        // Any whole number here; the ranges are the settings' own check below.
        const auto whole = WholeNumber(object.value(QLatin1String(number.name)));
        if (!whole || *whole < std::numeric_limits<int>::min() || *whole > std::numeric_limits<int>::max())
            return OutOfRange(Path(path, number.name), number.setting.minimum, number.setting.maximum);
        read.*number.setting.member = static_cast<int>(*whole);
    }
    std::string choices;
    const auto key = FindName(object.value(QLatin1String(KeyField)), music::KeyNames,
                              [](std::string_view name) { return name; }, choices);
    if (!key)
        return UnknownName(Path(path, KeyField), choices);
    read.key = static_cast<int>(*key);
    choices.clear();
    const auto scale = FindName(object.value(QLatin1String(ScaleField)), music::Scales,
                                [](const music::ScaleShape& shape) { return shape.id; }, choices);
    if (!scale)
        return UnknownName(Path(path, ScaleField), choices);
    read.scale = music::Scales[*scale].scale;

    const music::SettingsFault fault = music::CheckSettings(read);
    if (fault != music::SettingsFault::None) {
        for (const MusicNumber& number : MusicNumbers)
            if (number.setting.fault == fault)
                return OutOfRange(Path(path, number.name), number.setting.minimum, number.setting.maximum);
        // Names read from the tables are always in range; this guards a table that grew.
        return Fault(PlaceProblem::UnknownName, Path(path, fault == music::SettingsFault::Key ? KeyField : ScaleField));
    }
    settings = read;
    return std::nullopt;
}

PlaceReading ReadPlaceObject(const QJsonObject& object)
{
    const QJsonValue version = object.value(QLatin1String(PlaceVersionField));
    if (version.isUndefined())
        return Fault(PlaceProblem::Missing, PlaceVersionField);
    if (WholeNumber(version) != PlaceVersion)
        return Fault(PlaceProblem::WrongVersion, PlaceVersionField);
    if (auto failure = CheckUnexpected(
            object, {},
            {PlaceVersionField, ViewField, IterationsField, LengthField, SizeField, PaletteField, StartField,
             MusicField}))
        return *failure;
    if (auto failure = CheckMissing(object, {}, {ViewField, IterationsField, LengthField}))
        return *failure;

    Place place;
    if (auto failure = ReadView(object.value(QLatin1String(ViewField)), place.view))
        return *failure;
    const auto number = [&object](const char* field, int minimum, int maximum, int& target) {
        return ReadWholeNumber(object.value(QLatin1String(field)), field, minimum, maximum, target);
    };
    if (auto failure = number(IterationsField, MinPlaceIterations, MaxPlaceIterations, place.iterations))
        return *failure;
    if (auto failure = number(LengthField, MinimumLength, MaximumLength, place.length))
        return *failure;
    if (object.contains(QLatin1String(SizeField))) {
        const auto side = WholeNumber(object.value(QLatin1String(SizeField)));
        if (!side || !fractal::IsPictureSide(static_cast<int>(*side))) {
            std::string choices;
            for (const int allowed : fractal::PictureSides)
                choices += (choices.empty() ? "" : ", ") + std::to_string(allowed);
            return UnknownName(SizeField, choices);
        }
        place.view = place.view.WithSide(static_cast<int>(*side));
    }
    if (object.contains(QLatin1String(PaletteField))) {
        std::string choices;
        const auto palette = FindName(object.value(QLatin1String(PaletteField)), fractal::Palettes,
                                      fractal::PaletteName, choices);
        if (!palette)
            return UnknownName(PaletteField, choices);
        place.palette = fractal::Palettes[*palette];
    }
    if (object.contains(QLatin1String(StartField)))
        if (auto failure = ReadStart(object.value(QLatin1String(StartField)), place.view.Side(), place.start))
            return *failure;
    if (object.contains(QLatin1String(MusicField)))
        if (auto failure = ReadMusic(object.value(QLatin1String(MusicField)), place.music))
            return *failure;
    return place;
}

PlaceReading TooLarge(qsizetype maximum)
{
    PlaceFailure failure = Fault(PlaceProblem::TooLarge);
    failure.maximum = maximum;
    return failure;
}

// JSON text begins with an object or an array (a place is an object; an
// array is worth the message that says so).
bool LooksLikeJson(const QByteArray& bytes)
{
    for (const char c : bytes)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            return c == '{' || c == '[';
    return false;
}

// A place file saved with a byte order mark, as some editors do, is the
// same place. A JSON error's position is given as the byte of the file.
PlaceReading ReadMarkedPlace(const QByteArray& bytes, QStringConverter::Encoding encoding)
{
    if (bytes.size() > MaxPlaceBytes)
        return TooLarge(MaxPlaceBytes);
    constexpr qsizetype Utf8MarkBytes = 3;
    const bool utf8 = encoding == QStringConverter::Utf8;
    // UTF-8 is read as it is, so that bytes that are not UTF-8 stay a fault.
    QStringDecoder decoder(encoding);
    const QByteArray text = utf8 ? bytes.mid(Utf8MarkBytes) : QString(decoder.decode(bytes)).toUtf8();
    if (!LooksLikeJson(text))
        return Fault(PlaceProblem::NotPlaceFile);
    PlaceReading reading = ReadPlace(text);
    auto* failure = std::get_if<PlaceFailure>(&reading);
    if (failure && failure->problem == PlaceProblem::NotJson) {
        const QByteArray before = text.first(std::clamp<qsizetype>(failure->position, 0, text.size()));
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        failure->position = utf8 ? before.size() + Utf8MarkBytes
                                 : QByteArray(encoder.encode(QString::fromUtf8(before))).size();
    }
    return reading;
}

} // namespace

PlaceReading ReadPlace(const QByteArray& bytes)
{
    if (bytes.size() > MaxPlaceBytes)
        return TooLarge(MaxPlaceBytes);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        PlaceFailure failure = Fault(PlaceProblem::NotJson);
        failure.position = error.offset;
        return failure;
    }
    if (!document.isObject())
        return Fault(PlaceProblem::NotObject);
    return ReadPlaceObject(document.object());
}

PlaceReading ReadPlaceFromFile(const QByteArray& bytes)
{
    if (bytes.size() > MaxPlaceContainerBytes)
        return TooLarge(MaxPlaceContainerBytes);
    if (IsPng(bytes)) {
        if (const auto text = PlaceTextInPng(bytes))
            return ReadPlace(*text);
        // A damaged picture may have lost its place: say so rather than that it had none.
        const PngDamage damage = DamageInPng(bytes);
        switch (damage.kind) {
        case PngDamage::Kind::EndsEarly:
            return Fault(PlaceProblem::PngEndsEarly);
        case PngDamage::Kind::WrongChecksum:
            return Fault(PlaceProblem::PngWrongChecksum, damage.chunkType.toStdString());
        case PngDamage::Kind::None:
            break;
        }
        return Fault(PlaceProblem::PngWithoutPlace);
    }
    if (IsStandardMidiFile(bytes)) {
        const auto text = PlaceTextInMidi(bytes);
        return text ? ReadPlace(*text) : PlaceReading(Fault(PlaceProblem::MidiWithoutPlace));
    }
    if (const auto encoding = QStringConverter::encodingForData(bytes))
        return ReadMarkedPlace(bytes, *encoding);
    if (LooksLikeJson(bytes))
        return ReadPlace(bytes);
    return Fault(PlaceProblem::NotPlaceFile);
}

