// A long run of seeded random inputs driven straight into the controller.
// After every input the session must stand where the command model says,
// and the grids, the melody and the MIDI stream must hold what the
// independent oracles allow. VELMORA_FUZZ_SEED and VELMORA_FUZZ_EVENTS
// replay or lengthen a run.

#include "command_model.h"
#include "e2e_support.h"
#include "length_texts.h"
#include "reference_music.h"
#include "session.h"

#include "render.h"
#include "view.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace {

using Kind = RecordingMidiOut::Kind;
using Meaning = CommandModel::PressMeaning;
using Outcome = CommandModel::StartOutcome;

// Red, blue, green, yellow, cyan, magenta and white as 0x00BBGGRR.
constexpr std::array<fractal::Colour, 7> SevenColours{0x0000FF, 0xFF0000, 0x00FF00, 0x00FFFF,
                                                      0xFFFF00, 0xFF00FF, 0xFFFFFF};
// The accuracy list: low, middle, high.
constexpr std::array<int, 3> IterationsByAccuracy{10, 50, 100};
constexpr long FullCheckEvery = 250;

enum class Input { Draw, Magnify, Back, Redraw, Cancel, Trace, Compose, Stop, Quit, Close, Press, Move, Length,
                   Accuracy, Tick, EventLoop, WaitForTick, Device, Restart };
struct InputKind
{
    Input input;
    const char* name;
    int weight;  // out of 1000; a restart only follows a Quit or a close
};
constexpr InputKind Inputs[] = {
    {Input::Draw, "Draw", 30},         {Input::Magnify, "Magnify", 10},      {Input::Back, "Back", 15},
    {Input::Redraw, "Redraw", 10},     {Input::Cancel, "Cancel", 10},
    {Input::Trace, "Trace", 40},       {Input::Compose, "Compose", 40},      {Input::Stop, "Stop Music", 15},
    {Input::Quit, "Quit", 2},          {Input::Close, "window closed", 2},   {Input::Press, "press", 298},
    {Input::Move, "move", 110},        {Input::Length, "Length typed", 60},  {Input::Accuracy, "accuracy", 40},
    {Input::Tick, "tick", 260},        {Input::EventLoop, "event loop", 35}, {Input::WaitForTick, "timer wait", 3},
    {Input::Device, "MIDI device", 20}, {Input::Restart, "restart", 0},
};

// What the session should hold, kept alongside it; a restart starts it afresh.
struct Expected
{
    CommandModel model;
    reference::SoundingNotes sounding;
    fractal::View view = fractal::DefaultView;
    std::vector<fractal::View> history;
    fractal::PlanePoint corner;
    int accuracy = 1;
    int maxIterations = 0;
    RubberBand band;
    float progress = 0.0f;
    e2e::LengthCase length{"400", 400, true};
    fractal::ColourGrid colours;
    fractal::OutlineGrid outline;
    fractal::OutlineGrid traced;  // as the last trace left it, before any walk
    std::vector<fractal::Cell> marked;
    bool markedDirty = true;
    std::vector<std::uint8_t> melody;
    std::vector<std::vector<music::MidiMessage>> ticks;
    int position = 0;
    bool outputOpen = false;
};

class RandomUse : public ::testing::Test
{
protected:
    void SetUp() override
    {
        seed_ = e2e::SeedFromEnvironment(0x5EED0001);
        rng_.seed(seed_);
        lengths_ = std::make_unique<e2e::LengthTexts>(seed_ + 1, e2e::LengthTexts::Options{});
        StartProgram();
    }

    // A fresh program, as after starting it again; the MIDI device stays as it was.
    void StartProgram()
    {
        session_ = std::make_unique<Session>();
        session_->output.SetDeviceAvailable(deviceAvailable_);
        session_->output.SetOpenRefused(openRefused_);
        QObject::connect(&session_->controller.Timer(), &MusicTimer::Tick, [this] { ++realTicks_; });
        e_ = std::make_unique<Expected>();
    }

    Controller& C() { return session_->controller; }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    float UniformFloat(float low, float high) { return std::uniform_real_distribution<float>(low, high)(rng_); }

    const InputKind& Choose()
    {
        if (e_->model.HasQuit() && Chance(0.3))
            return Inputs[std::size(Inputs) - 1];
        int pick = Uniform(0, 999);
        for (const InputKind& kind : Inputs) {
            if (pick < kind.weight)
                return kind;
            pick -= kind.weight;
        }
        return Inputs[0];
    }

    const std::vector<fractal::Cell>& MarkedCells()
    {
        if (e_->markedDirty) {
            e_->marked.clear();
            for (int x = 0; x < reference::Side; ++x) {
                for (int y = 0; y < reference::Side; ++y) {
                    if (e_->outline.At(x, y) == reference::White)
                        e_->marked.push_back({x, y});
                }
            }
            e_->markedDirty = false;
        }
        return e_->marked;
    }

    fractal::Cell AnyMarkedCell() { return MarkedCells()[std::size_t(Uniform(0, int(MarkedCells().size()) - 1))]; }

    // Near the outline at sub-pixel offsets, on the picture's edges, or anywhere around it.
    QPointF RandomPosition()
    {
        const int kind = Uniform(0, 99);
        // Short fragments are rare on an outline; seek one now and then so
        // that walks which fail get their share.
        if (kind < 25 && e_->model.WhatAPressMeans() == Meaning::StartPoint && !MarkedCells().empty()) {
            for (int attempt = 0; attempt < 40; ++attempt) {
                const fractal::Cell cell = AnyMarkedCell();
                if (!reference::WalkFrom(e_->outline, cell, e_->length.length).completed)
                    return QPointF(cell.x, cell.y);
            }
        }
        if (kind < 35 && !MarkedCells().empty()) {
            static constexpr float Offsets[] = {0.0f, 0.5f, -0.5f, 1.0f, -1.0f, 0.49f, 0.51f, -1.5f};
            auto offset = [&] { return Chance(0.5) ? Offsets[Uniform(0, 7)] : UniformFloat(-1.5f, 1.5f); };
            const fractal::Cell cell = AnyMarkedCell();
            return {cell.x + offset(), cell.y + offset()};
        }
        static constexpr float Edges[] = {0.0f, 0.5f, 1.5f, 399.0f, 399.5f, 400.0f, -0.5f,
                                          -0.4f, 400.5f, -1.0f, 401.0f, 0.49999f, 399.49f, 398.5f};
        auto coordinate = [&] { return kind < 60 && Chance(0.5) ? Edges[Uniform(0, 13)] : UniformFloat(-3.0f, 403.0f); };
        return {coordinate(), coordinate()};
    }

    void Perform(Input input)
    {
        CommandModel& model = e_->model;
        switch (input) {
        case Input::Draw:
            C().Draw();
            if (model.Draw()) {
                e_->view = fractal::DefaultView;
                e_->history.clear();
                Rendered();
            }
            break;
        case Input::Magnify:
            if (model.Offered().magnify)
                messages_.push_back("Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer.");
            C().ExplainMagnify();
            break;
        case Input::Back:
            C().Back();
            if (model.Back()) {
                e_->view = e_->history.back();
                e_->history.pop_back();
                e_->band.visible = false;
                ++tally_["backs"];
                Rendered();
            }
            break;
        case Input::Redraw:
            C().Redraw();
            if (model.Redraw()) {
                e_->band.visible = false;
                ++tally_["redraws"];
                Rendered();
            }
            break;
        case Input::Cancel: {
            const bool cornerPending = model.CornerPending();
            C().Cancel();
            if (model.Cancel()) {
                if (cornerPending)
                    e_->band.visible = false;
                else
                    RestoreOutline();
                ++tally_["cancels"];
            }
            break;
        }
        case Input::Trace:
            C().Trace();
            if (model.Trace()) {
                e_->outline = e_->traced = reference::OutlineOf(e_->colours);
                e_->markedDirty = true;
                e_->progress = 99.75f;
                EXPECT_TRUE(C().Outline() == e_->outline) << Where() << "the trace marks exactly the outline rule's cells";
            }
            break;
        case Input::Compose:
            C().Compose();
            if (model.Compose()) {
                RestoreOutline();
                messages_.push_back("Please, click a point on the outline!");
            }
            break;
        case Input::Stop:
            C().StopMusic();
            if (model.StopMusic())
                ExpectClose("stopped");
            break;
        case Input::Quit:
        case Input::Close:
            input == Input::Quit ? C().Quit() : C().WindowClosing();
            if (!model.HasQuit()) {
                ExpectClose(nullptr);
                model.Quit();
            }
            break;
        case Input::Press: Press(RandomPosition()); break;
        case Input::Move: {
            const QPointF at = RandomPosition();
            C().Move(float(at.x()), float(at.y()));
            if (model.WhatAPressMeans() == Meaning::SecondCorner)
                e_->band.end = at;
            break;
        }
        case Input::Length: {
            // Half of them short, so that pieces also end by themselves.
            const int n = Uniform(8, 24);
            e_->length = Chance(0.5) ? lengths_->Next() : e2e::LengthCase{std::to_string(n), n, true};
            C().SetLengthText(QString::fromStdString(e_->length.text));
            break;
        }
        case Input::Accuracy:
            // The three quick accuracies, and indices past either end of the list.
            e_->accuracy = Chance(0.6) ? 0 : Uniform(-1, 3);
            if (e_->accuracy == 3)
                e_->accuracy = Controller::AccuracyCount;
            C().SetAccuracy(e_->accuracy);
            break;
        case Input::Tick:
            C().Tick();
            if (model.Playing())
                ExpectTick();
            break;
        case Input::EventLoop: QCoreApplication::processEvents(); break;
        case Input::WaitForTick:
            if (model.Playing()) {
                const long before = realTicks_;
                e2e::WaitUntil([&] { return realTicks_ != before; }, 400);
            }
            break;
        case Input::Device:
            deviceAvailable_ = Chance(0.8);
            openRefused_ = Chance(0.25);
            session_->output.SetDeviceAvailable(deviceAvailable_);
            session_->output.SetOpenRefused(openRefused_);
            break;
        case Input::Restart:
            StartProgram();
            ++tally_["restarts"];
            break;
        }
    }

    void Press(QPointF at)
    {
        const float x = float(at.x());
        const float y = float(at.y());
        const fractal::View before = e_->view;
        const Meaning meaning = e_->model.Press();
        if (meaning == Meaning::StartPoint) {
            PressForStartPoint(x, y);
            return;
        }
        C().Press(x, y);
        if (meaning == Meaning::FirstCorner) {
            e_->corner = fractal::ToPlane(before, x, y);
            e_->band = {true, at, at};
        } else if (meaning == Meaning::SecondCorner) {
            // The pure view functions have their own tests; here they say
            // which view the two presses should have produced.
            e_->history.push_back(before);
            e_->view = fractal::Magnify(e_->corner, fractal::ToPlane(before, x, y));
            e_->band.visible = false;
            ++tally_["magnifications"];
            Rendered();
        }
    }

    // Compose and Cancel show the traced outline whole again.
    void RestoreOutline()
    {
        e_->outline = e_->traced;
        e_->markedDirty = true;
    }

    void PressForStartPoint(float x, float y)
    {
        const auto start = reference::StartCell(e_->outline, x, y);
        if (!start) {
            C().Press(x, y);
            messages_.push_back("Clicked point is not on the outline!");
            e_->model.StartPressed(Outcome::NotOnOutline);
            ++tally_["presses off the outline"];
            return;
        }
        const reference::Walk walk = reference::WalkFrom(e_->outline, *start, e_->length.length);
        if (!e_->length.accepted)
            e_->length = {"400", 400, true};
        C().Press(x, y);
        e_->outline = reference::AfterWalk(e_->outline, walk);
        e_->markedDirty = true;
        EXPECT_TRUE(C().Outline() == e_->outline) << Where() << "the walk from (" << start->x << ", " << start->y
                                                  << ") erases exactly the cells it stood on";
        if (!walk.completed) {
            messages_.push_back("The walk ran out of outline before the piece was complete. Click another point on "
                                "the outline, or draw a new picture.");
            std::vector<std::uint8_t> bytes;
            for (const int d : walk.directions)
                bytes.push_back(reference::StoredByte(d));
            EXPECT_EQ(C().Melody(), bytes) << Where() << "a failed walk keeps a byte per completed step";
            e_->model.StartPressed(Outcome::WalkFailed);
            ++tally_["failed walks"];
            return;
        }

        e_->melody = reference::MelodyOf(walk.directions);
        e_->ticks = reference::TickMessages(e_->melody);
        e_->position = 0;
        EXPECT_EQ(C().Melody(), e_->melody) << Where() << "the melody is the walk's directions as notes";
        EXPECT_EQ(C().Piece(), e_->melody) << Where() << "the piece to export is the one that plays";
        EXPECT_EQ(e_->melody.size(), std::size_t(e_->length.length) + 1) << Where() << "length n gives n + 1 notes";

        calls_.push_back({Kind::DeviceQuery});
        if (!deviceAvailable_)
            messages_.push_back("No sound: no SoundFont was found at recorder.sf2. Install the Debian package "
                                "fluid-soundfont-gm to hear the pieces; until then they play silently.");
        else
            calls_.push_back({Kind::Open, {}, !openRefused_});
        if (deviceAvailable_ && openRefused_)
            messages_.push_back("No sound: the sound output could not be started (no sound server or sound card "
                                "answered), so the piece plays silently.");
        e_->outputOpen = deviceAvailable_ && !openRefused_;
        for (const music::MidiMessage& message : reference::Instruments())
            calls_.push_back({Kind::Send, message, e_->outputOpen});
        e_->model.StartPressed(Outcome::Played);
        ++tally_["pieces"];
    }

    // One tick, from the position the model has reached.
    void ExpectTick()
    {
        const int size = int(e_->melody.size());
        if (e_->position == size) {
            ExpectClose("ended by themselves");
            e_->model.PieceEnded();
        } else {
            for (const music::MidiMessage& message : e_->ticks[std::size_t(e_->position)])
                calls_.push_back({Kind::Send, message, e_->outputOpen});
            ++e_->position;
        }
        e_->progress = float(double(e_->position) / size * 100.0);
    }

    void ExpectClose(const char* counted)
    {
        calls_.push_back({Kind::Silence, {}, e_->outputOpen});
        calls_.push_back({Kind::Close, {}, e_->outputOpen});
        e_->outputOpen = false;
        if (counted)
            ++tally_[counted];
    }

    // A render: the view and limit expected, spot checks of pixels against
    // the escape count, and nothing but the seven colours.
    void Rendered()
    {
        if (e_->accuracy >= 0 && e_->accuracy < 3)
            e_->maxIterations = IterationsByAccuracy[std::size_t(e_->accuracy)];
        e_->colours = C().Colours();
        e_->progress = 99.75f;
        ++tally_["renders"];
        for (int i = 0; i < 12; ++i) {
            const int x = i < 4 ? (i % 2) * 399 : Uniform(0, 399);
            const int y = i < 4 ? (i / 2) * 399 : Uniform(0, 399);
            const auto point = fractal::ToPlane(e_->view, float(x), float(y));
            const int count = fractal::EscapeCount(point.x, point.y, e_->maxIterations);
            const fractal::Colour expected = count < 0 ? 0 : SevenColours[std::size_t(count % 7)];
            EXPECT_EQ(e_->colours.At(x, y), expected) << Where() << "pixel (" << x << ", " << y << ")";
        }
        CheckGridValues();
    }

    void CheckGridValues()
    {
        for (int x = 0; x < reference::Side; ++x) {
            for (int y = 0; y < reference::Side; ++y) {
                const fractal::Colour colour = C().Colours().At(x, y);
                const std::int32_t mark = C().Outline().At(x, y);
                if (colour != 0 && std::find(SevenColours.begin(), SevenColours.end(), colour) == SevenColours.end()) {
                    ADD_FAILURE() << Where() << "colour cell (" << x << ", " << y << ") holds " << colour;
                    return;
                }
                if (mark != 0 && mark != reference::White) {
                    ADD_FAILURE() << Where() << "outline cell (" << x << ", " << y << ") holds " << mark;
                    return;
                }
            }
        }
    }

    void CheckAfterInput(std::size_t callsBefore)
    {
        const Controller& c = C();
        const Expected& e = *e_;
        EXPECT_EQ(c.Offered(), e.model.Offered()) << Where() << "the offered commands";
        EXPECT_EQ(c.HasQuit(), e.model.HasQuit()) << Where() << "whether the program has quit";
        if (!e.model.HasQuit()) {
            EXPECT_EQ(c.CurrentState(), e.model.ExpectedState()) << Where() << "the state";
        }
        EXPECT_EQ(c.Offered().stopMusic, c.Timer().IsEnabled()) << Where() << "Stop is offered exactly while the timer runs";

        for (int i = 0; i <= reference::Side; ++i) {
            const int edge = reference::Side;
            if (c.Colours().At(edge, i) || c.Colours().At(i, edge) || c.Outline().At(edge, i) || c.Outline().At(i, edge)) {
                ADD_FAILURE() << Where() << "the 401st row and column of both grids stay 0 (index " << i << ")";
                break;
            }
        }

        EXPECT_TRUE(c.CurrentView() == e.view) << Where() << "the view";
        EXPECT_EQ(c.History().size(), e.history.size()) << Where() << "the views Back can return to";
        EXPECT_EQ(c.MaxIterations(), e.maxIterations) << Where() << "the iteration limit of the last render";
        EXPECT_EQ(c.CurrentRubberBand().visible, e.band.visible) << Where() << "the rubber band's visibility";
        if (e.band.visible) {
            EXPECT_EQ(c.CurrentRubberBand().start, e.band.start) << Where() << "the rubber band starts at the first corner";
            EXPECT_EQ(c.CurrentRubberBand().end, e.band.end) << Where() << "the rubber band ends at the pointer";
        }
        EXPECT_EQ(c.Progress(), e.progress) << Where() << "the progress";
        EXPECT_EQ(c.LengthText(), QString::fromStdString(e.length.text)) << Where() << "the Length text";
        if (e.model.Playing()) {
            EXPECT_EQ(c.Player().Position(), e.position) << Where() << "the play position";
        }

        const auto& calls = session_->output.Calls();
        const auto made = reference::CallsOf(calls, callsBefore);
        EXPECT_EQ(made, calls_) << Where() << "the MIDI calls";
        e_->sounding.HearAll(calls, callsBefore);
        EXPECT_TRUE(e.sounding.LeftAtClose().empty()) << Where() << "a note was left sounding when the output closed";
        EXPECT_EQ(session_->output.IsOpen(), e.outputOpen) << Where() << "the output is open exactly while a piece plays on it";
        if (!session_->output.IsOpen()) {
            EXPECT_TRUE(e.sounding.Now().empty()) << Where() << "nothing sounds on a closed output";
        }

        std::vector<std::string> messages;
        for (const QString& text : session_->messages)
            messages.push_back(text.toStdString());
        EXPECT_EQ(messages, messages_) << Where() << "the messages shown";

        if (index_ % FullCheckEvery == 0) {
            CheckGridValues();
            EXPECT_TRUE(c.Colours() == e.colours) << Where() << "the colours change only with a render";
            EXPECT_TRUE(c.Outline() == e.outline) << Where() << "the outline is the traced one less the walked cells";
        }
    }

    std::string Where() const
    {
        return "seed " + std::to_string(seed_) + ", input " + std::to_string(index_) + " (" + input_->name + "): ";
    }

    std::uint64_t seed_ = 0;
    std::mt19937_64 rng_;
    std::unique_ptr<e2e::LengthTexts> lengths_;
    std::unique_ptr<Session> session_;
    std::unique_ptr<Expected> e_;
    bool deviceAvailable_ = true;
    bool openRefused_ = false;
    long realTicks_ = 0;
    long index_ = 0;
    const InputKind* input_ = &Inputs[0];
    std::vector<reference::Call> calls_;
    std::vector<std::string> messages_;
    std::map<std::string, long> tally_;
};

TEST_F(RandomUse, EveryInputLeavesTheSessionWhereTheModelAndTheOraclesSay)
{
    const long count = e2e::NumberFromEnvironment("VELMORA_FUZZ_EVENTS", 20000);
    QElapsedTimer clock;
    clock.start();
    for (index_ = 0; index_ < count && !HasFailure(); ++index_) {
        input_ = &Choose();
        calls_.clear();
        messages_.clear();
        session_->messages.clear();
        const long ticksBefore = realTicks_;
        // A restart brings a fresh output whose calls start from none.
        const std::size_t callsBefore = input_->input == Input::Restart ? 0 : session_->output.Calls().size();

        Perform(input_->input);
        for (long tick = ticksBefore; tick < realTicks_; ++tick) {
            if (!e_->model.Playing()) {
                ADD_FAILURE() << Where() << "a timer tick arrived while no piece was playing";
                break;
            }
            ExpectTick();
            ++tally_["timer ticks"];
        }
        CheckAfterInput(callsBefore);
    }

    std::printf("Random use, seed %llu (VELMORA_FUZZ_SEED replays it): %ld inputs in %.1f s;",
                static_cast<unsigned long long>(seed_), index_, clock.elapsed() / 1000.0);
    for (const auto& [what, n] : tally_)
        std::printf(" %ld %s,", n, what.c_str());
    std::printf("\n");
    // A run this long must have reached every corner it is meant to test.
    if (!HasFailure() && count >= 20000) {
        for (const char* goal : {"magnifications", "backs", "redraws", "cancels", "presses off the outline",
                                 "failed walks", "ended by themselves", "stopped", "timer ticks", "restarts"})
            EXPECT_GT(tally_[goal], 0) << "the run never reached: " << goal;
    }
}

} // namespace
