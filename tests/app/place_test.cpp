#include "language.h"
#include "midi_file.h"
#include "midi_file_reading.h"
#include "place.h"
#include "place_embedding.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QStringEncoder>

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>

#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const PlaceFailure& failure, std::ostream* out);

namespace {

const QByteArray Example = R"({"velmora": 1,
 "view": {"xMin": "-2", "xMax": "0.7", "yMin": "-1.4", "yMax": "1.3"},
 "iterations": 100, "length": 400, "start": {"x": 189, "y": 178},
 "music": {"stepMilliseconds": 200, "key": "C", "scale": "major", "melodyProgram": 88, "chordProgram": 46,
           "melodyVolume": 127, "chordVolume": 100}})";

QByteArray Changed(const char* from, const QByteArray& to)
{
    QByteArray bytes = Example;
    EXPECT_TRUE(bytes.contains(from)) << from;
    return bytes.replace(from, to);
}

PlaceFailure Expected(PlaceProblem problem, std::string field = {}, long long minimum = 0, long long maximum = 0)
{
    return {problem, std::move(field), {}, minimum, maximum, 0, {}};
}

Place ReadOrFail(const QByteArray& bytes)
{
    const PlaceReading reading = ReadPlaceFromFile(bytes);
    if (const auto* failure = std::get_if<PlaceFailure>(&reading)) {
        ADD_FAILURE() << PlaceFailureMessage(*failure).toStdString();
        return {};
    }
    return std::get<Place>(reading);
}

QByteArray Png()
{
    QImage image(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 30, y * 30, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray Of(std::initializer_list<int> bytes)
{
    QByteArray result;
    for (const int byte : bytes)
        result.append(static_cast<char>(byte));
    return result;
}

QByteArray Bytes(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

TEST(PlaceReadingTest, EachBadInputNamesWhatIsWrong)
{
    PlaceFailure reversed = Expected(PlaceProblem::Reversed, "view.yMin");
    reversed.otherField = "view.yMax";
    const QByteArray tooLong = '"' + QByteArray(10'000, '1') + ".5\"";
    const struct
    {
        QByteArray bytes;
        PlaceFailure failure;
    } rows[] = {
        {Example + QByteArray(1 << 20, ' '), Expected(PlaceProblem::TooLarge, {}, 0, 1 << 20)},
        {"{\"velmora\": 1", Expected(PlaceProblem::NotJson)},
        {"[1]", Expected(PlaceProblem::NotObject)},
        {Changed("\"velmora\": 1,", ""), Expected(PlaceProblem::Missing, "velmora")},
        {Changed("\"velmora\": 1", "\"velmora\": 2"), Expected(PlaceProblem::WrongVersion, "velmora")},
        {Changed("\"velmora\": 1", "\"velmora\": \"1\""), Expected(PlaceProblem::WrongVersion, "velmora")},
        {Changed("\"length\"", "\"zoom\": 1, \"length\""), Expected(PlaceProblem::Unexpected, "zoom")},
        {Changed("\"yMax\"", "\"zMax\": \"1\", \"yMax\""), Expected(PlaceProblem::Unexpected, "view.zMax")},
        {Changed("\"y\": 178", "\"y\": 178, \"z\": 1"), Expected(PlaceProblem::Unexpected, "start.z")},
        {Changed("\"key\"", "\"tempo\": 1, \"key\""), Expected(PlaceProblem::Unexpected, "music.tempo")},
        {Changed("\"iterations\": 100,", ""), Expected(PlaceProblem::Missing, "iterations")},
        {Changed(", \"yMax\": \"1.3\"", ""), Expected(PlaceProblem::Missing, "view.yMax")},
        {Changed("\"x\": 189, ", ""), Expected(PlaceProblem::Missing, "start.x")},
        {Changed("\"scale\": \"major\", ", ""), Expected(PlaceProblem::Missing, "music.scale")},
        {Changed("\"start\": {\"x\": 189, \"y\": 178}", "\"start\": [189, 178]"), Expected(PlaceProblem::NotObject, "start")},
        {Changed("\"xMin\": \"-2\"", "\"xMin\": -2"), Expected(PlaceProblem::NotDecimalText, "view.xMin")},
        {Changed("\"-2\"", "\"minus two\""), Expected(PlaceProblem::NotDecimalText, "view.xMin")},
        {Changed("\"0.7\"", "\" 0.7\""), Expected(PlaceProblem::NotDecimalText, "view.xMax")},
        {Changed("\"0.7\"", "\"inf\""), Expected(PlaceProblem::NotDecimalText, "view.xMax")},
        {Changed("\"1.3\"", "\"nan\""), Expected(PlaceProblem::NotDecimalText, "view.yMax")},
        {Changed("\"1.3\"", tooLong), Expected(PlaceProblem::CoordinateTooLong, "view.yMax")},
        {Changed("\"0.7\"", "\"-2.5\""), {PlaceProblem::Reversed, "view.xMin", "view.xMax", 0, 0, 0, {}}},
        {Changed("\"1.3\"", "\"-1.5\""), reversed},
        {Changed("\"-1.4\"", "\"0\"").replace("\"1.3\"", "\"1e-20000\""), Expected(PlaceProblem::TooDeep, "view")},
        {Changed("\"iterations\": 100", "\"iterations\": 0"), Expected(PlaceProblem::OutOfRange, "iterations", 1, 1'000'000)},
        {Changed("\"iterations\": 100", "\"iterations\": 1000001"), Expected(PlaceProblem::OutOfRange, "iterations", 1, 1'000'000)},
        {Changed("\"iterations\": 100", "\"iterations\": 99.5"), Expected(PlaceProblem::OutOfRange, "iterations", 1, 1'000'000)},
        {Changed("\"length\": 400", "\"length\": 7"), Expected(PlaceProblem::OutOfRange, "length", 8, 800)},
        {Changed("\"length\": 400", "\"length\": \"400\""), Expected(PlaceProblem::OutOfRange, "length", 8, 800)},
        {Changed("\"length\": 400", "\"length\": 801"), Expected(PlaceProblem::OutOfRange, "length", 8, 800)},
        {Changed("\"x\": 189", "\"x\": 400"), Expected(PlaceProblem::OutOfRange, "start.x", 0, 399)},
        {Changed("\"y\": 178", "\"y\": -1"), Expected(PlaceProblem::OutOfRange, "start.y", 0, 399)},
        {Changed("\"stepMilliseconds\": 200", "\"stepMilliseconds\": 49"), Expected(PlaceProblem::OutOfRange, "music.stepMilliseconds", 50, 1000)},
        {Changed("\"stepMilliseconds\": 200", "\"tempo\": 59.5, \"stepNote\": \"1/4\""), Expected(PlaceProblem::NumberOutOfRange, "music.tempo", 60, 300)},
        {Changed("\"stepMilliseconds\": 200", "\"tempo\": 75, \"stepNote\": \"1/64\""), Expected(PlaceProblem::UnknownName, "music.stepNote")},
        {Changed("\"chordProgram\": 46", "\"chordProgram\": 128"), Expected(PlaceProblem::OutOfRange, "music.chordProgram", 0, 127)},
        {Changed("\"melodyVolume\": 127", "\"melodyVolume\": 0"), Expected(PlaceProblem::OutOfRange, "music.melodyVolume", 1, 127)},
        {Changed("\"key\": \"C\"", "\"key\": 0"), Expected(PlaceProblem::UnknownName, "music.key")},
        {Changed("\"major\"", "\"Major\""), Expected(PlaceProblem::UnknownName, "music.scale")},
        {"GIF89a", Expected(PlaceProblem::NotPlaceFile)},
        {Png(), Expected(PlaceProblem::PngWithoutPlace)},
        {WithPlaceInPng(Png(), Example)->chopped(12), Expected(PlaceProblem::PngEndsEarly)},
        {WithPlaceInPng(Png(), Example)->replace("\"key\": \"C\"", "\"key\": \"D\""),
         Expected(PlaceProblem::PngWrongChecksum, "tEXt")},
        {Bytes(music::PieceMidiFile({0, 1, 2}).bytes), Expected(PlaceProblem::MidiWithoutPlace)},
    };
    for (const auto& row : rows) {
        const PlaceReading reading = ReadPlaceFromFile(row.bytes);
        ASSERT_TRUE(std::holds_alternative<PlaceFailure>(reading)) << row.bytes.left(200).toStdString();
        PlaceFailure failure = std::get<PlaceFailure>(reading);
        const QString message = PlaceFailureMessage(failure);
        if (!failure.field.empty()) {
            EXPECT_TRUE(message.contains('"' + QString::fromStdString(failure.field) + '"')) << message.toStdString();
        }
        EXPECT_FALSE(failure.problem == PlaceProblem::UnknownName && failure.choices.empty());
        EXPECT_LE(failure.position, row.bytes.size());
        failure.choices.clear();
        failure.position = 0;
        EXPECT_EQ(failure, row.failure) << message.toStdString();
    }
}

TEST(PlaceReadingTest, NamesFromTheFileAreShownWholeVisibleAndShort)
{
    const std::pair<QByteArray, QString> rows[] = {{"a\\u0000\\t\\u2028\\\"b", "\"a\\u0000\\u0009\\u2028\\\"b\""},
                                                   {QByteArray(1000, 'k'), '"' + QString(40, 'k') + QChar(0x2026) + '"'}};
    for (const auto& [key, shown] : rows) {
        const QString message = PlaceFailureMessage(
            std::get<PlaceFailure>(ReadPlace(Changed("\"length\"", '"' + key + "\": 1, \"length\""))));
        EXPECT_TRUE(message.contains(shown) && message.size() < 120) << message.toStdString();
    }
}

TEST(PlaceReadingTest, AByteOrderMarkOrUtf16TextIsTheSamePlaceAndErrorsNameTheFilesByte)
{
    const QString text = QString::fromUtf8(Example);
    for (const auto encoding : {QStringConverter::Utf8, QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encode(encoding, QStringEncoder::Flag::WriteBom), encodeCut(encoding, QStringEncoder::Flag::WriteBom);
        EXPECT_EQ(ReadOrFail(encode(text)), ReadOrFail(Example)) << encoding;
        const QByteArray cut = encodeCut(text.first(text.indexOf(',')));  // the error is where the file ends
        EXPECT_EQ(std::get<PlaceFailure>(ReadPlaceFromFile(cut)), (PlaceFailure{PlaceProblem::NotJson, {}, {}, 0, 0, cut.size(), {}}));
    }
}

TEST(PlaceReadingTest, APlaceKeepsItsPictureSizeWithItsStartCellWithinItAndAnOlderPlaceIs400)
{
    EXPECT_EQ(ReadOrFail(Example).view.Side(), 400) << "a place without a size";
    EXPECT_FALSE(PlaceToJson(ReadOrFail(Example)).contains("size")) << "a default place is written as it always was";
    const auto sized = [](const char* size, const char* x) {
        return Changed("\"x\": 189", x).replace("\"length\": 400,", QByteArray("\"length\": 400, \"size\": ") + size + ',');
    };
    const Place large = ReadOrFail(sized("800", "\"x\": 799"));
    EXPECT_EQ(large.view.Side(), 800);
    EXPECT_EQ(large.start, (StartCell{799, 178}));
    EXPECT_EQ(ReadOrFail(PlaceToJson(large)), large) << PlaceToJson(large).toStdString();
    EXPECT_EQ(std::get<PlaceFailure>(ReadPlace(sized("500", "\"x\": 189"))).problem, PlaceProblem::UnknownName);
    EXPECT_EQ(std::get<PlaceFailure>(ReadPlace(sized("600", "\"x\": 600"))), Expected(PlaceProblem::OutOfRange, "start.x", 0, 599));
}

TEST(PlaceReadingTest, APlaceKeepsItsPaletteAnOlderPlaceIsClassicAndAnUnknownNameIsRefusedWithTheChoices)
{
    EXPECT_EQ(ReadOrFail(Example).palette, fractal::Palette::Classic) << "a place without a palette";
    EXPECT_FALSE(PlaceToJson(ReadOrFail(Example)).contains("palette")) << "a Classic place is written as it always was";
    const auto coloured = [](const char* name) { return Changed("\"length\": 400,", QByteArray("\"length\": 400, \"palette\": ") + name + ','); };
    const Place ocean = ReadOrFail(coloured("\"ocean\""));
    EXPECT_EQ(ocean.palette, fractal::Palette::Ocean);
    EXPECT_EQ(ReadOrFail(PlaceToJson(ocean)), ocean) << PlaceToJson(ocean).toStdString();
    for (const char* unknown : {"\"mauve\"", "\"Ocean\"", "2"})
        EXPECT_EQ(PlaceFailureMessage(std::get<PlaceFailure>(ReadPlace(coloured(unknown)))),
                  QStringLiteral("The place file is not valid: the field \"palette\" must be one of classic, sunset, ocean."))
            << unknown;
}

TEST(PlaceReadingTest, TheExampleReadsAsWrittenAndTheMessagesAreWordedAndTranslated)
{
    const Place place = ReadOrFail(Example);
    EXPECT_EQ(place.view.AsView(), (fractal::View{-2, 0.7, -1.4, 1.3}));
    EXPECT_EQ(place.iterations, 100);
    EXPECT_EQ(place.length, 400);
    EXPECT_EQ(place.start, (StartCell{189, 178}));
    EXPECT_EQ(place.music, music::MusicSettings{});
    Place quiet = ReadOrFail(Changed("\"chordVolume\": 100", "\"chordVolume\": 99"));
    quiet.music.chordVelocity = 100;
    EXPECT_EQ(quiet.music, place.music);
    EXPECT_EQ(ReadOrFail(Example.left(Example.indexOf(",\n \"music\"")) + "}").music, music::MusicSettings{});
    // A place written with the step in milliseconds keeps its timing, in sixteenths, and is written with its tempo.
    const Place old = ReadOrFail(Changed("\"stepMilliseconds\": 200", "\"stepMilliseconds\": 333"));
    EXPECT_EQ(old.music.stepNote, music::StepNote::Sixteenth);
    EXPECT_EQ(music::StepMicroseconds(old.music), 333'000);
    EXPECT_EQ(ReadOrFail(PlaceToJson(old)), old);

    const PlaceFailure length = Expected(PlaceProblem::OutOfRange, "length", 8, 800);
    const QString english = PlaceFailureMessage(length);
    EXPECT_EQ(english, "The place file is not valid: the field \"length\" must be a whole number from 8 to 800.");
    int argc = 1;
    char name[] = "place_test";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    ASSERT_TRUE(UseLanguage(application, Language::Japanese));
    for (int problem = 0; problem <= static_cast<int>(PlaceProblem::NotPlaceFile); ++problem) {
        PlaceFailure failure = length;
        failure.problem = static_cast<PlaceProblem>(problem);
        const QString japanese = PlaceFailureMessage(failure);
        EXPECT_TRUE(std::any_of(japanese.begin(), japanese.end(), [](QChar c) { return c.unicode() >= 0x3000; }))
            << problem << ": " << japanese.toStdString();
    }
}

TEST(PlaceRoundTripTest, ViewsStartAndMusicComeBackExactly)
{
    const double third = 1.0 / 3.0;
    for (const fractal::View view : {fractal::View{-2, 0.7, -1.4, 1.3}, fractal::View{-0.1 - 0.2, third, -third, 0.1 + 0.2},
                                     fractal::View{-0.75, -0.75 + 1e-9, 0.1, 0.1 + 1e-9}, fractal::View{0.25, 0.25, -1, -1},
                                     fractal::View{-0.0, 5e-300, -1e-300, 2e-300}}) {
        Place place;
        place.view = fractal::DeepView(view);
        const auto read = ReadOrFail(PlaceToJson(place)).view.AsView();
        ASSERT_TRUE(read.has_value());
        for (const auto& [written, back] : {std::pair{view.xMin, read->xMin}, {view.xMax, read->xMax},
                                            {view.yMin, read->yMin}, {view.yMax, read->yMax}})
            EXPECT_EQ(std::bit_cast<std::uint64_t>(written), std::bit_cast<std::uint64_t>(back));
    }

    const fractal::BigFloat::Bits bits = 1400;  // 1e-400 is 1329 bits below 1
    const auto x = *fractal::BigFloat::Parse("-0.743643887037158704752191506114774", bits);
    const auto y = *fractal::BigFloat::Parse("0.131825904205311970493132056385139", bits);
    const auto width = *fractal::BigFloat::Parse("1e-400", bits);
    Place deep;
    deep.view = fractal::DeepView(x, x + width, y, y + width);
    deep.iterations = 1'000'000;
    deep.length = 8;
    deep.start = StartCell{0, 399};
    deep.music = {96.5, music::StepNote::Eighth, 11, music::Scale::WholeTone, 0, 127, 1, 64};
    const Place read = ReadOrFail(PlaceToJson(deep));
    EXPECT_EQ(read, deep);
    EXPECT_GT(read.view.Precision(), 1329);
    const fractal::BigFloat error = (read.view.XMax() - read.view.XMin()) - width;
    EXPECT_LT(error.Abs(), width / 1e6);
    EXPECT_EQ(PlaceToJson(read), PlaceToJson(deep));
}

TEST(PlaceEmbeddingTest, APngKeepsItsPictureAndGivesThePlaceBack)
{
    EXPECT_EQ(Crc32("123456789"), 0xCBF43926u);  // the standard check value
    Place place;
    place.start = StartCell{12, 34};
    const QByteArray png = Png();
    const auto once = WithPlaceInPng(png, PlaceToJson(Place{}));
    ASSERT_TRUE(once.has_value());
    const auto twice = WithPlaceInPng(*once, PlaceToJson(place));
    ASSERT_TRUE(twice.has_value());
    EXPECT_EQ(twice->count(PngPlaceKeyword), 1);

    const QImage image = QImage::fromData(*twice, "PNG");
    EXPECT_EQ(image, QImage::fromData(png, "PNG"));
    EXPECT_EQ(image.text(PngPlaceKeyword).toLatin1(), PlaceToJson(place));
    EXPECT_EQ(ReadOrFail(*twice), place);

    QByteArray damaged = *twice;
    damaged[damaged.indexOf(PngPlaceKeyword) + 30] = 'X';
    EXPECT_FALSE(PlaceTextInPng(damaged).has_value());
    EXPECT_FALSE(WithPlaceInPng(png.left(png.size() - 4), "{}").has_value());
}

TEST(PlaceEmbeddingTest, AMidiFileGivesThePlaceOfItsFirstTrackOnly)
{
    Place place;
    place.start = StartCell{5, 6};
    const QByteArray json = PlaceToJson(place);
    const std::vector<std::uint8_t> notes{0, 3, 5, 7, 1, 2, 3, 4, 5};
    const auto plain = music::PieceMidiFile(notes);
    const auto marked = music::PieceMidiFile(notes, {}, json.toStdString());
    ASSERT_EQ(marked.fault, music::MidiFileFault::None);
    EXPECT_EQ(ReadOrFail(Bytes(marked.bytes)), place);

    // mido reads the same piece from both.
    const auto folder = std::filesystem::temp_directory_path();
    midi_reading::Reading readings[2];
    for (int i = 0; i < 2; ++i) {
        const auto path = folder / ("place_test_" + std::to_string(getpid()) + std::to_string(i) + ".mid");
        const auto& bytes = i == 0 ? plain.bytes : marked.bytes;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::ssize(bytes));
        readings[i] = midi_reading::ReadMidiFile(path);
        std::filesystem::remove(path);
    }
    EXPECT_EQ(readings[0].events, readings[1].events);
    EXPECT_EQ(readings[0].trackNames, readings[1].trackNames);
    EXPECT_EQ(readings[0].lengthMs, readings[1].lengthMs);

    // A track by hand: an alien chunk first, another text, the place's bytes
    // hidden in a sysex event, running status; and a place in the second track.
    // Lengths in two bytes, as a variable-length quantity may be written.
    const auto length = [](qsizetype size) { return Of({0x80 | int(size >> 7), int(size & 0x7F)}); };
    const auto text = [&](std::uint8_t kind, const QByteArray& data) {
        return Of({0, kind}) + (kind == 0xFF ? "\x01" : "") + length(data.size()) + data;
    };
    // Not a whole place: found by mistake, it would be reported as a failure.
    const QByteArray small = "{\"velmora\": 1, \"view\": {}}";
    const QByteArray sysex = text(0xF0, Of({0xFF, 0x01}) + length(small.size()) + small + '\xF7');
    const auto file = [&](const QByteArray& first, const QByteArray& second) {
        const auto chunk = [](const char* tag, const QByteArray& data) {
            return tag + Of({0, 0, int(data.size() >> 8), int(data.size() & 0xFF)}) + data;
        };
        return chunk("MThd", Of({0, 1, 0, 2, 0x01, 0xE0})) + chunk("XFIH", "abc") +
               chunk("MTrk", first + Of({0, 0xFF, 0x2F, 0})) + chunk("MTrk", second);
    };
    const QByteArray channel = Of({0, 0x90, 0x3C, 0x64, 0x10, 0x3E, 0x64, 0, 0xC0, 0x05});
    const QByteArray hand = file(text(0xFF, "hello") + sysex + channel + text(0xFF, json.simplified()), {});
    EXPECT_EQ(ReadOrFail(hand), place);
    const PlaceReading hidden = ReadPlaceFromFile(file(sysex + channel, text(0xFF, json.simplified())));
    EXPECT_EQ(std::get<PlaceFailure>(hidden).problem, PlaceProblem::MidiWithoutPlace);
}

TEST(PlaceFileTest, OnlyARegularFileIsReadAndAPipeNeverKeepsTheReadingWaiting)
{
    const auto folder = std::filesystem::temp_directory_path() / ("place_test_" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    const std::string pipe = (folder / "pipe.json").string(), place = (folder / "place.json").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::ofstream(place) << PlaceToJson(Place{}).toStdString();
    for (const std::string& path : {pipe, folder.string(), place}) {
        auto reading = std::async(std::launch::async, [&path] { return ReadPlaceAt(QString::fromStdString(path)); });
        if (reading.wait_for(std::chrono::seconds(10)) == std::future_status::timeout)
            std::ofstream{pipe};  // lets a reader stuck on the pipe go
        const auto read = reading.get();
        EXPECT_EQ(std::holds_alternative<QString>(read) && std::get<QString>(read).contains("not a regular file"), path != place);
    }
    std::filesystem::remove_all(folder);
}

TEST(PlaceFuzzTest, MutatedFilesGiveAPlaceOrAFailure)
{
    Place place;
    place.start = StartCell{100, 200};
    const QByteArray json = PlaceToJson(place);
    const QByteArray seeds[] = {json, *WithPlaceInPng(Png(), json),
                                Bytes(music::PieceMidiFile({1, 2, 3}, {}, json.toStdString()).bytes)};
    std::mt19937 random(20261208);
    int places = 0;
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = seeds[round % 3];
        for (int edit = 1 + static_cast<int>(random() % 4); edit > 0 && !bytes.isEmpty(); --edit) {
            const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(bytes.size()));
            switch (random() % 3) {
            case 0: bytes[at] = static_cast<char>(random()); break;
            case 1: bytes.remove(at, 1 + random() % 8); break;
            default: bytes.insert(at, bytes.mid(random() % bytes.size(), 1 + random() % 16)); break;
            }
        }
        const PlaceReading reading = ReadPlaceFromFile(bytes);
        if (const auto* read = std::get_if<Place>(&reading)) {
            ++places;
            EXPECT_LE(read->view.XMin(), read->view.XMax());
            EXPECT_LE(read->view.YMin(), read->view.YMax());
            EXPECT_TRUE(music::IsValid(read->music));
            EXPECT_EQ(ReadOrFail(PlaceToJson(*read)), *read);
        } else {
            EXPECT_FALSE(PlaceFailureMessage(std::get<PlaceFailure>(reading)).isEmpty());
        }
    }
    EXPECT_GT(places, 0);
}

} // namespace

void PrintTo(const PlaceFailure& failure, std::ostream* out)
{
    *out << PlaceFailureMessage(failure).toStdString() << " (" << static_cast<int>(failure.problem) << ")";
}
