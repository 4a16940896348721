#include "e2e_support.h"
#include "reference_music.h"
#include "window_fixture.h"

#include "draw_area.h"
#include "length_text.h"
#include "music_timer.h"
#include "progress_bar.h"
#include "recording_midi.h"
#include "sequencer.h"
#include "shared_state.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

// A long run of random user events on the real window. After every event
// the window must be in the state the command table leads to from the state
// before it, and the grids, the melody and the MIDI stream must hold what
// the rules of drawing, tracing, walking and playing allow.
namespace {

using recording_midi::Kind;

constexpr std::array<std::int32_t, 7> Colours{0x000000FF, 0x00FF0000, 0x0000FF00, 0x0000FFFF,
                                              0x00FFFF00, 0x00FF00FF, 0x00FFFFFF};
constexpr int FullCheckInterval = 1000;

enum class Event
{
    ClickDraw,
    ClickMangify,
    ClickTrace,
    ClickCompose,
    ClickStopMusic,
    ClickQuit,
    CloseWindow,
    Press,
    Move,
    Length,
    Seido,
    Tick,
    EventLoop,
    WaitForTick,
    MidiDevice,
};

constexpr const char* EventNames[] = {"Draw clicked", "Magnify clicked", "Trace clicked", "Compose clicked",
                                      "Stop Music clicked", "Quit clicked", "window closed", "press",
                                      "move", "Length typed", "accuracy chosen", "timer tick",
                                      "event loop run", "wait for the timer", "MIDI device changed"};

enum class Device
{
    Present,
    Missing,
    Refusing,
};

struct ExpectedCall
{
    Kind kind;
    std::uint32_t word;
    bool accepted;
};

// What the command table says the window should show, kept alongside it.
struct Model
{
    bool draw = true;
    bool mangify = false;
    bool trace = false;
    bool compose = false;
    bool stopMusic = false;
    bool timer = false;
    int mode = 0;
    bool lineVisible = false;
    QPointF lineStart;
    QPointF lineEnd;
    double selX1 = 0.0;
    double selY1 = 0.0;
    int seido = 1;
    std::int16_t maxIterations = 0;
    QString lengthText = QStringLiteral("400");
    int playPosition = 0;
    std::vector<std::uint8_t> melody;
    std::vector<std::vector<std::uint32_t>> tickMessages;
    bool outputOpen = false;
};

struct Tally
{
    long events[15] = {};
    long renders = 0;
    long traces = 0;
    long walksCompleted = 0;
    long walksFailed = 0;
    long misses = 0;
    long directTicks = 0;
    long realTicks = 0;
    long endedByThemselves = 0;
    long stopped = 0;
    long restarts = 0;
};

double RoundHalfEven(float value)
{
    const double v = value;
    double r = std::floor(v + 0.5);
    if (r - v == 0.5 && std::fmod(r, 2.0) != 0.0)
        r -= 1.0;
    return r;
}

int EscapeCountOf(double cx, double cy, int maxIterations)
{
    double zx = 0.0;
    double zy = 0.0;
    for (int n = 0; n <= maxIterations; ++n) {
        const double nx = zx * zx - zy * zy + cx;
        const double ny = 2.0 * zx * zy + cy;
        if (nx * nx + ny * ny > 4.0)
            return n;
        zx = nx;
        zy = ny;
    }
    return -1;
}

// The outline rule on its own: an escaped pixel with escaped and non-escaped
// neighbours, a neighbour off the picture counting as non-escaped.
Grid OutlineOf(const Grid& colours)
{
    Grid outline{};
    for (int x = 0; x < 400; ++x) {
        for (int y = 0; y < 400; ++y) {
            if (colours[x][y] == 0)
                continue;
            int escaped = 0;
            for (int dx = -1; dx <= 1; ++dx) {
                for (int dy = -1; dy <= 1; ++dy) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if ((dx || dy) && nx >= 0 && ny >= 0 && nx < 400 && ny < 400 && colours[nx][ny] != 0)
                        ++escaped;
                }
            }
            if (escaped > 0 && escaped < 8)
                outline[x][y] = reference::White;
        }
    }
    return outline;
}

class RandomUse : public WindowFixture
{
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        seed_ = e2e::SeedFromEnvironment(0x5EED0001);
        rng_.seed(seed_);
        AttachToWindow();
    }

    void AttachToWindow()
    {
        QObject::connect(form->Timer(), &MusicTimer::Tick, form.get(), [this] { ++realTicks_; });
        // Rendering is the expensive part: the run keeps mostly to 低.
        SelectSeido(0);
        model_ = Model{};
        model_.seido = 0;
        lastRender_ = std::make_unique<Grid>();
        expectedOutline_ = std::make_unique<Grid>();
        markedDirty_ = true;
    }

    void RestartProgram()
    {
        form.reset();
        ResetSharedState();
        form = std::make_unique<MainForm>();
        form->show();
        AttachToWindow();
        ++tally_.restarts;
    }

    // ---- randomness ----

    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    float UniformFloat(float low, float high) { return std::uniform_real_distribution<float>(low, high)(rng_); }

    Event ChooseEvent()
    {
        const int roll = Uniform(0, 99999);
        if (roll < 25)
            return Event::ClickQuit;
        if (roll < 40)
            return Event::CloseWindow;
        // Weights per thousand; Draw and presses that would render are kept rare.
        static constexpr std::array<std::pair<Event, int>, 13> Weights{{
            {Event::ClickDraw, 8},
            {Event::ClickMangify, 40},
            {Event::ClickTrace, 40},
            {Event::ClickCompose, 40},
            {Event::ClickStopMusic, 12},
            {Event::Press, 130},
            {Event::Move, 80},
            {Event::Length, 30},
            {Event::Seido, 15},
            {Event::Tick, 200},
            {Event::EventLoop, 3},
            {Event::WaitForTick, 2},
            {Event::MidiDevice, 2},
        }};
        int total = 0;
        for (const auto& [event, weight] : Weights)
            total += weight;
        int pick = Uniform(0, total - 1);
        for (const auto& [event, weight] : Weights) {
            if (pick < weight)
                return event;
            pick -= weight;
        }
        return Event::Tick;
    }

    float EdgeCoordinate()
    {
        static constexpr float Values[] = {0.0f, 0.5f, 1.5f, 399.0f, 399.5f, 400.0f, -0.5f, 400.5f,
                                           -1.0f, 401.0f, 200.0f, 0.49999f, 399.49f, 398.5f, 2.5f};
        return Values[Uniform(0, static_cast<int>(std::size(Values)) - 1)];
    }

    QPointF RandomPosition()
    {
        const int kind = Uniform(0, 99);
        if (kind < 35) {
            const auto& marked = MarkedCells();
            if (!marked.empty()) {
                const auto cell = marked[static_cast<std::size_t>(Uniform(0, static_cast<int>(marked.size()) - 1))];
                static constexpr float Offsets[] = {0.0f, 0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 0.49f, 0.51f, -1.5f};
                const float ox = Chance(0.5) ? Offsets[Uniform(0, 8)] : UniformFloat(-1.5f, 1.5f);
                const float oy = Chance(0.5) ? Offsets[Uniform(0, 8)] : UniformFloat(-1.5f, 1.5f);
                return {static_cast<float>(cell.x) + ox, static_cast<float>(cell.y) + oy};
            }
        }
        if (kind < 60)
            return {Chance(0.5) ? EdgeCoordinate() : UniformFloat(-3.0f, 403.0f),
                    Chance(0.5) ? EdgeCoordinate() : UniformFloat(-3.0f, 403.0f)};
        return {UniformFloat(-3.0f, 403.0f), UniformFloat(-3.0f, 403.0f)};
    }

    QString RandomLengthText()
    {
        switch (Uniform(0, 13)) {
        case 0: return {};
        case 1:
        case 2:
        case 3:
        case 4: return QString::number(Uniform(8, 24));
        case 5: return QString::number(Uniform(-1000, 1200));
        case 6: return QStringLiteral("1e10");
        case 7: return QString(500, QChar('9'));
        case 8: return QStringLiteral("-5");
        case 9: return QString::number(Uniform(70, 250) / 10.0, 'f', 1);
        case 10: return QStringLiteral(" 1 2 abc");
        case 11: return QString::fromUtf8("長さ😀12");
        case 12: return QString(Uniform(100, 3000), QChar(Uniform(0, 1) ? '8' : 'x'));
        default: return QStringLiteral("  0012.5  ");
        }
    }

    const std::vector<e2e::Cell>& MarkedCells()
    {
        if (markedDirty_) {
            marked_.clear();
            for (int x = 0; x < 400; ++x) {
                for (int y = 0; y < 400; ++y) {
                    if ((*expectedOutline_)[x][y] == reference::White)
                        marked_.push_back({x, y});
                }
            }
            markedDirty_ = false;
        }
        return marked_;
    }

    // ---- events and what the command table makes of them ----

    void Perform(Event event)
    {
        switch (event) {
        case Event::ClickDraw: ClickDraw(); break;
        case Event::ClickMangify:
            Click(form->Mangify());
            if (model_.mangify)
                expectedMessages_.push_back("Click begin point and end point to magnify.");
            break;
        case Event::ClickTrace: ClickTrace(); break;
        case Event::ClickCompose:
            Click(form->Compose());
            if (model_.compose) {
                model_.compose = false;
                model_.mode = 3;
                expectedMessages_.push_back("Please, click a point on the outline!");
            }
            break;
        case Event::ClickStopMusic:
            Click(form->StopMusic());
            if (model_.stopMusic) {
                EndPiece();
                ++tally_.stopped;
            }
            break;
        case Event::ClickQuit: Leave(true); break;
        case Event::CloseWindow: Leave(false); break;
        case Event::Press: Press(RandomPosition()); break;
        case Event::Move: Move(RandomPosition()); break;
        case Event::Length: TypeRandomLength(); break;
        case Event::Seido: ChooseSeido(); break;
        case Event::Tick:
            if (model_.timer) {
                MusicTimerTick();
                ExpectTick();
                ++tally_.directTicks;
            } else {
                QCoreApplication::processEvents();
            }
            break;
        case Event::EventLoop: QTest::qWait(Uniform(1, 4)); break;
        case Event::WaitForTick:
            if (model_.timer) {
                const long before = realTicks_;
                e2e::WaitUntil([&] { return realTicks_ != before; }, 400);
            } else {
                QCoreApplication::processEvents();
            }
            break;
        case Event::MidiDevice: ChangeDevice(); break;
        }
    }

    void ClickDraw()
    {
        Click(form->Draw());
        if (!model_.draw)
            return;
        model_.maxIterations = IterationsFor(model_.seido);
        model_.mangify = true;
        model_.trace = true;
        EXPECT_EQ(View.XMin, -2.0) << Where() << "Draw shows the default view";
        EXPECT_EQ(View.XMax, 0.7) << Where() << "Draw shows the default view";
        EXPECT_EQ(View.YMin, -1.4) << Where() << "Draw shows the default view";
        EXPECT_EQ(View.YMax, 1.3) << Where() << "Draw shows the default view";
        CheckRender();
    }

    std::int16_t IterationsFor(int seido) const
    {
        switch (seido) {
        case 0: return 10;
        case 1: return 50;
        case 2: return 100;
        default: return model_.maxIterations;
        }
    }

    void ClickTrace()
    {
        Click(form->Trace());
        if (!model_.trace)
            return;
        model_.draw = false;
        model_.trace = false;
        model_.mangify = false;
        model_.compose = true;
        *expectedOutline_ = OutlineOf(ColorGrid);
        markedDirty_ = true;
        ++tally_.traces;
        EXPECT_TRUE(OutlineGrid == *expectedOutline_)
            << Where() << "the trace marks exactly the escaped pixels with escaped and non-escaped neighbours";
        EXPECT_FLOAT_EQ(form->Progress()->Value(), 99.75f) << Where() << "the trace leaves the bar at 99.75";
        gridsChanged_ = true;
    }

    void Press(QPointF at)
    {
        const float x = static_cast<float>(at.x());
        const float y = static_cast<float>(at.y());
        if (model_.mode == 3) {
            PressForStartPoint(x, y);
            return;
        }
        const ViewRect before = View;
        PressAt(x, y);
        if (model_.mode == 1) {
            CompleteMagnification(x, y, before);
        } else if (model_.mangify) {
            model_.lineVisible = true;
            model_.lineStart = model_.lineEnd = QPointF(x, y);
            const double xStep = (before.XMax - before.XMin) / 400;
            const double yStep = (before.YMax - before.YMin) / 400;
            model_.selX1 = x * xStep + before.XMin;
            model_.selY1 = y * yStep + before.YMin;
            model_.mode = 1;
        }
    }

    void CompleteMagnification(float x, float y, const ViewRect& before)
    {
        // The view the two corners ask for, squared on the signed extents, then ordered.
        const double xStep = (before.XMax - before.XMin) / 400;
        const double yStep = (before.YMax - before.YMin) / 400;
        double xMin = model_.selX1;
        double yMin = model_.selY1;
        double xMax = x * xStep + before.XMin;
        double yMax = y * yStep + before.YMin;
        const double w = xMax - xMin;
        const double h = yMax - yMin;
        if (h < w)
            yMax = yMin + w;
        else if (h > w)
            xMax = xMin + h;
        if (xMax < xMin)
            std::swap(xMax, xMin);
        if (yMax < yMin)
            std::swap(yMax, yMin);
        // The press has already run: compare what it left with the prediction.
        EXPECT_DOUBLE_EQ(View.XMin, xMin) << Where() << "the magnified view's left edge";
        EXPECT_DOUBLE_EQ(View.XMax, xMax) << Where() << "the magnified view's right edge";
        EXPECT_DOUBLE_EQ(View.YMin, yMin) << Where() << "the magnified view's top edge";
        EXPECT_DOUBLE_EQ(View.YMax, yMax) << Where() << "the magnified view's bottom edge";
        model_.lineVisible = false;
        model_.mode = 0;
        model_.maxIterations = IterationsFor(model_.seido);
        CheckRender();
    }

    // The seven candidates and the walk, predicted from the grid before the press.
    void PressForStartPoint(float x, float y)
    {
        const Grid before = OutlineGrid;
        struct Candidate
        {
            float x;
            float y;
            bool tried;
        };
        const Candidate candidates[] = {
            {x, y, true},
            {x - 1.0f, y, x > 0},
            {x, y - 1.0f, y > 0},
            {x - 1.0f, y - 1.0f, x > 0 && y > 0},
            {x + 1.0f, y, x + 1.0f < 400},
            {x, y + 1.0f, y + 1.0f < 400},
            {x + 1.0f, y + 1.0f, x + 1.0f < 400 && y + 1.0f < 400},
        };
        int startX = -1;
        int startY = -1;
        for (const auto& c : candidates) {
            const double cx = RoundHalfEven(c.x);
            const double cy = RoundHalfEven(c.y);
            if (c.tried && cx >= 0 && cy >= 0 && cx <= 400 && cy <= 400
                && before[static_cast<int>(cx)][static_cast<int>(cy)] == reference::White) {
                startX = static_cast<int>(cx);
                startY = static_cast<int>(cy);
                break;
            }
        }

        const QString textBefore = form->Length()->text();
        PressAt(x, y);
        if (startX < 0) {
            expectedMessages_.push_back("Clicked point is not on the outline!");
            ++tally_.misses;
            return;
        }

        const LengthReading reading = ReadLength(textBefore.toStdString());
        if (!reading.accepted)
            model_.lengthText = QStringLiteral("400");
        const auto walk = reference::Walk(before, startX, startY, reading.length);
        *expectedOutline_ = before;
        for (const auto& [vx, vy] : walk.visited)
            (*expectedOutline_)[vx][vy] = 0;
        markedDirty_ = true;
        gridsChanged_ = true;
        EXPECT_TRUE(OutlineGrid == *expectedOutline_) << Where() << "the walk from (" << startX << ", " << startY
                                                      << ") consumes exactly the cells it visits";

        if (!walk.completed) {
            ++tally_.walksFailed;
            expectedMessages_.push_back("輪郭線のトレースに失敗しました。");
            EXPECT_EQ(MelodyLength, static_cast<int>(walk.directions.size()))
                << Where() << "a failed walk keeps one byte per completed step";
            for (std::size_t i = 0; i < walk.directions.size() && i < static_cast<std::size_t>(MelodyLength); ++i) {
                if (walk.directions[i] <= 255) {
                    EXPECT_EQ(Melody[i], walk.directions[i]) << Where() << "byte " << i << " of the failed walk";
                }
            }
            return;
        }

        ++tally_.walksCompleted;
        model_.melody = reference::NotesOf(walk.directions);
        model_.tickMessages = reference::TickMessages(model_.melody);
        model_.playPosition = 0;
        ASSERT_EQ(MelodyLength, reading.length + 1) << Where() << "a completed walk leaves length + 1 bytes";
        EXPECT_TRUE(std::equal(model_.melody.begin(), model_.melody.end(), Melody.begin()))
            << Where() << "the melody is the walk's directions as notes";

        expectedCalls_.push_back({Kind::GetNumDevs, 0, true});
        model_.outputOpen = false;
        switch (device_) {
        case Device::Missing: expectedMessages_.push_back("使用できるMIDIデバイスがありません．"); break;
        case Device::Refusing:
            expectedCalls_.push_back({Kind::Open, 0xFFFFFFFF, false});
            expectedMessages_.push_back("MIDIデバイスを使用できません．");
            break;
        case Device::Present:
            expectedCalls_.push_back({Kind::Open, 0xFFFFFFFF, true});
            model_.outputOpen = true;
            break;
        }
        expectedCalls_.push_back({Kind::ShortMsg, reference::ProgramChange(88, 0), model_.outputOpen});
        expectedCalls_.push_back({Kind::ShortMsg, reference::ProgramChange(46, 1), model_.outputOpen});
        model_.stopMusic = true;
        model_.timer = true;
        model_.mode = 0;
    }

    void Move(QPointF at)
    {
        const float x = static_cast<float>(at.x());
        const float y = static_cast<float>(at.y());
        MoveTo(x, y);
        if (model_.mode == 1)
            model_.lineEnd = QPointF(x, y);
    }

    void TypeRandomLength()
    {
        const QString text = RandomLengthText();
        const bool shortAscii = text.size() <= 12
            && std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
        if (shortAscii && Chance(0.3))
            TypeLength(text);
        else
            form->Length()->setText(text);
        model_.lengthText = text;
    }

    void ChooseSeido()
    {
        const int roll = Uniform(0, 99);
        const int index = roll < 85 ? 0 : roll < 94 ? 1 : roll < 98 ? 2 : -1;
        SelectSeido(index);
        model_.seido = index;
    }

    void ChangeDevice()
    {
        const int roll = Uniform(0, 9);
        device_ = roll < 6 ? Device::Present : roll < 8 ? Device::Missing : Device::Refusing;
        recording_midi::SetDeviceCount(device_ == Device::Missing ? 0 : 1);
        recording_midi::SetOpenRefused(device_ == Device::Refusing);
    }

    // One tick, as the sequencer's rules have it, from the model's position.
    void ExpectTick()
    {
        const int length = static_cast<int>(model_.melody.size());
        if (model_.playPosition < length) {
            for (const auto word : model_.tickMessages[static_cast<std::size_t>(model_.playPosition)])
                expectedCalls_.push_back({Kind::ShortMsg, word, model_.outputOpen});
            ++model_.playPosition;
            return;
        }
        EndPiece();
        ++tally_.endedByThemselves;
    }

    void EndPiece()
    {
        model_.timer = false;
        model_.stopMusic = false;
        model_.draw = true;
        expectedCalls_.push_back({Kind::Reset, 0, model_.outputOpen});
        expectedCalls_.push_back({Kind::Close, 0, model_.outputOpen});
        model_.outputOpen = false;
    }

    // Quit, or the window closed by its frame: both close the output and end the program.
    void Leave(bool byQuit)
    {
        if (byQuit)
            Click(form->Quit());
        else
            form->close();
        expectedCalls_.push_back({Kind::Reset, 0, model_.outputOpen});
        expectedCalls_.push_back({Kind::Close, 0, model_.outputOpen});
        model_.outputOpen = false;
        EXPECT_TRUE(form->IsUnloaded()) << Where() << "the window is unloaded";
        EXPECT_FALSE(form->isVisible()) << Where() << "the window is closed";
        EXPECT_FALSE(form->Timer()->IsEnabled()) << Where() << "no timer outlives the window";
        leftProgram_ = true;
    }

    void ApplyRealTicks(long ticks)
    {
        if (ticks > 0 && !model_.timer)
            ADD_FAILURE() << Where() << ticks << " timer tick(s) arrived while no piece was playing";
        for (long i = 0; i < ticks && model_.timer; ++i) {
            ExpectTick();
            ++tally_.realTicks;
        }
    }

    // ---- checks ----

    void CheckRender()
    {
        ++tally_.renders;
        gridsChanged_ = true;
        EXPECT_EQ(MaxIterations, model_.maxIterations) << Where() << "the render takes its limit from the accuracy chosen";
        EXPECT_FLOAT_EQ(form->Progress()->Value(), 99.75f) << Where() << "a render leaves the bar at 99.75";
        const double xStep = (View.XMax - View.XMin) / 400;
        const double yStep = (View.YMax - View.YMin) / 400;
        for (int i = 0; i < 24; ++i) {
            const int x = i < 4 ? (i % 2) * 399 : Uniform(0, 399);
            const int y = i < 4 ? (i / 2) * 399 : Uniform(0, 399);
            const int count = EscapeCountOf(x * xStep + View.XMin, y * yStep + View.YMin, MaxIterations);
            const std::int32_t expected = count < 0 ? 0 : Colours[static_cast<std::size_t>(count % 7)];
            EXPECT_EQ(ColorGrid[x][y], expected) << Where() << "pixel (" << x << ", " << y << ") escapes at count " << count;
        }
        CheckColourGridValues();
        *lastRender_ = ColorGrid;
    }

    void CheckColourGridValues()
    {
        for (int x = 0; x <= 400; ++x) {
            for (int y = 0; y <= 400; ++y) {
                const std::int32_t cell = ColorGrid[x][y];
                const bool valid = (x < 400 && y < 400) ? cell == 0 || std::find(Colours.begin(), Colours.end(), cell) != Colours.end()
                                                        : cell == 0;
                if (!valid) {
                    ADD_FAILURE() << Where() << "ColorGrid(" << x << ", " << y << ") holds " << cell
                                  << ", neither 0 nor one of the seven colours (or not 0 in the 401st row or column)";
                    return;
                }
            }
        }
    }

    void CheckOutlineGridValues()
    {
        for (int x = 0; x <= 400; ++x) {
            for (int y = 0; y <= 400; ++y) {
                const std::int32_t cell = OutlineGrid[x][y];
                const bool valid = (x < 400 && y < 400) ? cell == 0 || cell == reference::White : cell == 0;
                if (!valid) {
                    ADD_FAILURE() << Where() << "OutlineGrid(" << x << ", " << y << ") holds " << cell
                                  << ", neither 0 nor white (or not 0 in the 401st row or column)";
                    return;
                }
            }
        }
    }

    void CheckGridsFully()
    {
        CheckColourGridValues();
        CheckOutlineGridValues();
        EXPECT_TRUE(ColorGrid == *lastRender_) << Where() << "ColorGrid changes only by a render";
        EXPECT_TRUE(OutlineGrid == *expectedOutline_) << Where() << "OutlineGrid changes only by a trace or a walk";
    }

    void CheckEveryEvent(std::size_t callsBefore)
    {
        const bool draw = form->Draw()->isEnabled();
        const bool mangify = form->Mangify()->isEnabled();
        const bool trace = form->Trace()->isEnabled();
        const bool compose = form->Compose()->isEnabled();
        const bool stop = form->StopMusic()->isEnabled();
        const bool timer = form->Timer()->IsEnabled();
        const int mode = InteractionMode;

        EXPECT_TRUE(mode == 0 || mode == 1 || mode == 3) << Where() << "the interaction mode is 0, 1 or 3, not " << mode;
        EXPECT_TRUE(MelodyLength >= 0 && MelodyLength <= 801) << Where() << "the melody length " << MelodyLength
                                                              << " lies within 0..801";

        // The command table's relations, whatever happened before.
        EXPECT_EQ(stop, timer) << Where() << "Stop Music is enabled exactly while the timer runs";
        EXPECT_TRUE(form->Quit()->isEnabled()) << Where() << "Quit is always available";
        if (timer) {
            EXPECT_FALSE(draw || mangify || trace || compose)
                << Where() << "Draw, Magnify, Trace and Compose stay disabled during playback";
            EXPECT_EQ(mode, 0) << Where() << "the mode is 0 during playback";
            EXPECT_TRUE(MelodyLength >= 9 && PlayPosition >= 0 && PlayPosition <= MelodyLength)
                << Where() << "playback runs on a melody of 9..801 bytes, position " << PlayPosition << " of "
                << MelodyLength;
        }
        if (compose) {
            EXPECT_FALSE(draw || mangify || trace || timer || mode == 3)
                << Where() << "while Compose is available nothing else but presses and Quit is";
        }
        if (mode == 3) {
            EXPECT_FALSE(draw || mangify || trace || compose || timer)
                << Where() << "while a start point is awaited only presses and Quit work";
        }
        EXPECT_TRUE(!(mangify || trace) || draw) << Where() << "Magnify and Trace come only with Draw";
        EXPECT_EQ(mangify, trace) << Where() << "Magnify and Trace are enabled and disabled together";
        EXPECT_TRUE(draw || compose || mode == 3 || timer) << Where() << "there is always a way on besides Quit";
        if (mode == 1) {
            EXPECT_TRUE(form->Area()->IsLineVisible()) << Where() << "the red line shows while the second corner is awaited";
        }

        // The exact state the table leads to.
        EXPECT_EQ(draw, model_.draw) << Where() << "Draw should be " << (model_.draw ? "enabled" : "disabled");
        EXPECT_EQ(mangify, model_.mangify) << Where() << "Magnify should be " << (model_.mangify ? "enabled" : "disabled");
        EXPECT_EQ(trace, model_.trace) << Where() << "Trace should be " << (model_.trace ? "enabled" : "disabled");
        EXPECT_EQ(compose, model_.compose) << Where() << "Compose should be " << (model_.compose ? "enabled" : "disabled");
        EXPECT_EQ(stop, model_.stopMusic) << Where() << "Stop Music should be " << (model_.stopMusic ? "enabled" : "disabled");
        EXPECT_EQ(timer, model_.timer) << Where() << "the timer should " << (model_.timer ? "run" : "be stopped");
        EXPECT_EQ(mode, model_.mode) << Where() << "the interaction mode should be " << model_.mode;
        EXPECT_EQ(form->Area()->IsLineVisible(), model_.lineVisible) << Where() << "the red line's visibility";
        if (model_.lineVisible) {
            EXPECT_EQ(form->Area()->Line(), QLineF(model_.lineStart, model_.lineEnd))
                << Where() << "the red line runs from the first corner to the pointer";
        }
        EXPECT_EQ(form->Length()->text(), model_.lengthText) << Where() << "the length box text";
        if (model_.timer) {
            EXPECT_EQ(PlayPosition, model_.playPosition) << Where() << "the play position";
            if (PlayPosition > 0) {
                EXPECT_FLOAT_EQ(form->Progress()->Value(),
                                static_cast<float>(double(PlayPosition) / MelodyLength * 100.0))
                    << Where() << "the bar shows the position";
            }
        }

        for (int i = 0; i <= 400; ++i) {
            if (ColorGrid[400][i] || ColorGrid[i][400] || OutlineGrid[400][i] || OutlineGrid[i][400]) {
                ADD_FAILURE() << Where() << "the 401st row and column of both grids stay 0 (index " << i << ")";
                break;
            }
        }

        // The MIDI calls this event made, and only those.
        const auto& calls = recording_midi::Calls();
        std::string heard;
        std::string expected;
        for (std::size_t c = callsBefore; c < calls.size(); ++c)
            heard += reference::Describe(reference::Heard{calls[c].kind, calls[c].word}) + (calls[c].accepted ? " " : "(refused) ");
        for (const auto& e : expectedCalls_)
            expected += reference::Describe(reference::Heard{e.kind, e.word}) + (e.accepted ? " " : "(refused) ");
        bool same = calls.size() - callsBefore == expectedCalls_.size();
        for (std::size_t c = 0; same && c < expectedCalls_.size(); ++c) {
            const auto& call = calls[callsBefore + c];
            const auto& e = expectedCalls_[c];
            same = call.kind == e.kind && call.accepted == e.accepted
                && (call.kind != Kind::ShortMsg && call.kind != Kind::Open ? true : call.word == e.word);
        }
        EXPECT_TRUE(same) << Where() << "the MIDI calls should be [" << expected << "] but were [" << heard << "]";

        EXPECT_EQ(messages->Texts(), expectedMessages_) << Where() << "the messages shown";
    }

    std::string Where() const
    {
        return "seed " + std::to_string(seed_) + ", event " + std::to_string(eventIndex_) + " (" +
               EventNames[static_cast<int>(currentEvent_)] + "): ";
    }

    std::uint64_t seed_ = 0;
    std::mt19937_64 rng_;
    Model model_;
    Device device_ = Device::Present;
    std::unique_ptr<Grid> lastRender_;
    std::unique_ptr<Grid> expectedOutline_;
    std::vector<e2e::Cell> marked_;
    bool markedDirty_ = true;
    bool gridsChanged_ = false;
    bool leftProgram_ = false;
    long realTicks_ = 0;
    long eventIndex_ = 0;
    Event currentEvent_ = Event::Tick;
    std::vector<ExpectedCall> expectedCalls_;
    std::vector<std::string> expectedMessages_;
    Tally tally_;
};

TEST_F(RandomUse, RandomEventsKeepTheCommandTableTheGridsTheMelodyAndTheMidiStreamConsistent)
{
    const long count = e2e::CountFromEnvironment("VELMORA_FUZZ_EVENTS", 100000);
    std::printf("Random use: seed %llu, %ld events (VELMORA_FUZZ_SEED and VELMORA_FUZZ_EVENTS replay or extend it)\n",
                static_cast<unsigned long long>(seed_), count);
    QElapsedTimer clock;
    clock.start();

    for (eventIndex_ = 0; eventIndex_ < count; ++eventIndex_) {
        currentEvent_ = ChooseEvent();
        ++tally_.events[static_cast<int>(currentEvent_)];
        messages->Clear();
        expectedCalls_.clear();
        expectedMessages_.clear();
        gridsChanged_ = false;
        leftProgram_ = false;
        const std::size_t callsBefore = recording_midi::Calls().size();
        const long ticksBefore = realTicks_;

        Perform(currentEvent_);

        if (leftProgram_) {
            // The program has ended; the next event meets a freshly started one.
            RestartProgram();
            CheckEveryEvent(callsBefore);
        } else {
            ApplyRealTicks(realTicks_ - ticksBefore);
            CheckEveryEvent(callsBefore);
            if (gridsChanged_ || eventIndex_ % FullCheckInterval == 0)
                CheckGridsFully();
        }
        if (HasFailure()) {
            std::printf("Random use failed at event %ld (%s) of seed %llu\n", eventIndex_,
                        EventNames[static_cast<int>(currentEvent_)], static_cast<unsigned long long>(seed_));
            break;
        }
    }

    const auto hanging = reference::NotesLeftSoundingAtClose(recording_midi::AcceptedCalls());
    EXPECT_TRUE(hanging.empty()) << "every note struck was released or reset before its output closed; "
                                 << hanging.size() << " were left sounding";

    std::printf("Random use: %ld events in %.1f s: %ld renders, %ld traces, %ld walks completed, %ld failed, "
                "%ld presses off the outline, %ld direct and %ld timer ticks, %ld pieces ended by themselves, "
                "%ld stopped, %ld restarts after Quit or close\n",
                eventIndex_, clock.elapsed() / 1000.0, tally_.renders, tally_.traces, tally_.walksCompleted,
                tally_.walksFailed, tally_.misses, tally_.directTicks, tally_.realTicks, tally_.endedByThemselves,
                tally_.stopped, tally_.restarts);
    if (!HasFailure() && count >= 20000) {
        EXPECT_GT(tally_.walksCompleted, 0) << "the run should reach playback";
        EXPECT_GT(tally_.endedByThemselves, 0) << "the run should let some piece end by itself";
        EXPECT_GT(tally_.stopped, 0) << "the run should stop some piece";
        EXPECT_GT(tally_.realTicks, 0) << "the run should let the real timer tick";
    }
}

} // namespace
