#include "controller.h"

#include "fluid_synth_output.h"
#include "length_text.h"
#include "midi_file.h"
#include "midi_out.h"
#include "music_tables.h"
#include "outline.h"
#include "place.h"
#include "render.h"
#include "walk.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <utility>

namespace {
constexpr fractal::Colour WalkRed = 0x000000FF;
// The readout's centre has at most this many decimals; the place keeps all.
constexpr int ReadoutMostDecimals = 12;
// From this size on the readout's numbers are written with a power of ten.
constexpr double FarReadout = 1e6;

float ColumnProgress(int x)
{
    return static_cast<float>(x / double(fractal::PictureSide) * 100.0);
}

} // namespace

Controller::Controller(music::MidiOut& output, RenderRunner& renderer, QObject* parent)
    : QObject(parent)
    , output_(output)
    , renderer_(renderer)
    , lengthText_(QString::fromLatin1(DefaultLengthText))
{
    connect(&timer_, &MusicTimer::Tick, this, &Controller::Tick);
    readinessCheck_.setSingleShot(true);
    readinessCheck_.setInterval(ReadinessPatienceMilliseconds);
    connect(&readinessCheck_, &QTimer::timeout, this, &Controller::CheckReadiness);
}

Controller::~Controller()
{
    renderer_.Cancel();
    timer_.SetEnabled(false);
}

Commands Controller::Offered() const
{
    if (quit_)
        return {};
    if (state_ == State::Rendering)
        return Row().offered;
    Commands offered = Row().offered;
    offered.back = offered.back && !history_.empty();
    offered.savePicture = hasPicture_;
    offered.exportMelody = !piece_.empty();
    return offered;
}

void Controller::SetState(State state)
{
    state_ = state;
    emit commandsChanged();
    emit statusChanged(StatusText());
}

QString Controller::StatusText() const
{
    if (quit_)
        return {};
    switch (state_) {
    case State::Ready:
        return tr("Draw the set");
    case State::Drawn:
        return tr("Click two corners to magnify, or trace the outline");
    case State::CornerSet:
        return tr("Click the second corner to magnify");
    case State::Traced:
        return tr("Compose music, then click a start point on the outline");
    case State::TracedCornerSet:
        return tr("Click the second corner to magnify, or compose music");
    case State::ChoosingStart:
    case State::StartMissed:
        return tr("Click a point on the outline");
    case State::Playing:
        return tr("Playing: step %1 of %2").arg(sequencer_.Position()).arg(sequencer_.Length());
    case State::Played:
        return tr("Compose again for another start point, or draw a new picture");
    case State::Rendering:
        return tr("Drawing the picture; Cancel brings back the one before");
    }
    return {};
}

void Controller::SetProgress(float value)
{
    progress_ = value;
    emit progressChanged(value);
}

void Controller::SetRubberBand(RubberBand band)
{
    rubberBand_ = band;
    emit rubberBandChanged();
}

void Controller::SetAccuracy(int index)
{
    accuracyIndex_ = index;
}

void Controller::SetLengthText(const QString& text)
{
    lengthText_ = text;
}

int AutomaticIterations(const fractal::DeepView& view)
{
    const fractal::BigFloat width = view.XMax() - view.XMin();
    if (width.IsZero() || width < fractal::BigFloat(0.0, width.Precision()))
        return AutomaticMostIterations;
    const double wholeWidth = fractal::DefaultView.xMax - fractal::DefaultView.xMin;
    const double decades = std::log10(wholeWidth) - width.Log10();
    const double iterations = AutomaticBaseIterations + AutomaticIterationsPerDecade * std::max(0.0, decades);
    return static_cast<int>(std::min(iterations, double(AutomaticMostIterations)));
}

fractal::View Controller::CurrentView() const
{
    if (const auto view = view_.AsView())
        return *view;
    return {view_.XMin().ToDouble(), view_.XMax().ToDouble(), view_.YMin().ToDouble(), view_.YMax().ToDouble()};
}

QString Controller::ViewReadout() const
{
    if (!hasPicture_ && state_ != State::Rendering)
        return {};
    const fractal::BigFloat centreX = (view_.XMin() + view_.XMax()) / 2.0;
    const fractal::BigFloat centreY = (view_.YMin() + view_.YMax()) / 2.0;
    const fractal::BigFloat width = view_.XMax() - view_.XMin();
    // Digits down to about a hundredth of the width, so the centre moves as
    // the view does; a deep view's full digits are for its place file.
    const double widthLog = width.IsZero() ? 0.0 : width.Log10();
    const int decimals = std::clamp(static_cast<int>(std::ceil(-widthLog)) + 2, 4, ReadoutMostDecimals);
    const auto scientific = [](const fractal::BigFloat& magnitude) {
        const double log = magnitude.Log10();
        const int exponent = static_cast<int>(std::floor(log));
        return QStringLiteral("%1 × 10^%2").arg(std::pow(10.0, log - exponent), 0, 'f', 2).arg(exponent);
    };
    // Far out of the set (only a hand-written place goes there) the digits
    // before the point would fill the line, and a double overflows.
    const fractal::BigFloat far(FarReadout, width.Precision());
    const auto decimal = [&](const fractal::BigFloat& value) {
        if (value.Abs() >= far) {
            const bool negative = value < fractal::BigFloat(0.0, value.Precision());
            return (negative ? QStringLiteral("-") : QString()) + scientific(value.Abs());
        }
        // A view deeper than the digits shown says so.
        const bool cut = decimals == ReadoutMostDecimals;
        return QString::fromStdString(value.ToFixed(decimals)) + (cut ? QStringLiteral("…") : QString());
    };
    QString widthText;
    if (width.IsZero())
        widthText = QStringLiteral("0");
    else if (widthLog >= -3.0 && width < far)
        widthText = QString::number(width.ToDouble(), 'g', 4);
    else
        widthText = scientific(width);
    return tr("Centre %1 %2 %3i, width %4, %5 iterations")
        .arg(decimal(centreX))
        .arg(centreY < fractal::BigFloat(0.0, centreY.Precision()) ? QStringLiteral("−") : QStringLiteral("+"))
        .arg(decimal(centreY.Abs()))
        .arg(widthText)
        .arg(QLocale().toString(maxIterations_));
}

// Taken just before each render, so a new choice shows only with the next picture.
void Controller::ApplyAccuracy()
{
    if (accuracyIndex_ >= 0 && accuracyIndex_ < AccuracyCount - 1)
        maxIterations_ = IterationsByAccuracy[static_cast<std::size_t>(accuracyIndex_)];
    else if (accuracyIndex_ == AutomaticAccuracy)
        maxIterations_ = AutomaticIterations(view_);
}

// Every render draws the view it is given from a cleared picture, column by
// column, with the accuracy taken now, off the window's thread; until it is
// complete only Cancel is offered, which brings back all it replaced.
void Controller::StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                             State after, std::optional<int> iterations)
{
    beforeRender_ = {state_, view_, history_, rubberBand_, progress_, maxIterations_, picture_, colours_};
    renderTarget_ = after;
    view_ = view;
    history_ = std::move(history);
    if (hideBand)
        SetRubberBand({false, rubberBand_.start, rubberBand_.end});
    if (iterations)
        maxIterations_ = *iterations;
    else
        ApplyAccuracy();
    picture_.Clear();
    colours_ = {};
    emit pictureChanged();
    SetProgress(0.0f);
    SetState(State::Rendering);
    emit viewChanged();
    renderer_.Start(view_, maxIterations_,
                    {.columnsReady =
                         [this](int first, int count, const std::vector<fractal::Colour>& colours) {
                             auto colour = colours.begin();
                             for (int x = first; x < first + count; ++x) {
                                 for (int y = 0; y < fractal::PictureSide; ++y, ++colour) {
                                     picture_.Set(x, y, *colour);
                                     colours_.Set(x, y, *colour);
                                 }
                             }
                             emit pictureChanged();
                             // The bar still steps column by column, as it always has.
                             for (int x = first; x < first + count; ++x)
                                 SetProgress(ColumnProgress(x));
                         },
                     .finished =
                         [this] {
                             hasPicture_ = true;
                             SetState(renderTarget_);
                             emit viewChanged();
                             if (opening_)
                                 FinishOpening();
                         }});
}

void Controller::CancelRender()
{
    renderer_.Cancel();
    view_ = beforeRender_.view;
    history_ = std::move(beforeRender_.history);
    maxIterations_ = beforeRender_.maxIterations;
    picture_ = std::move(beforeRender_.picture);
    colours_ = std::move(beforeRender_.colours);
    emit pictureChanged();
    SetProgress(beforeRender_.progress);
    SetRubberBand(beforeRender_.band);
    SetState(beforeRender_.state);
    emit viewChanged();
}

void Controller::Draw()
{
    if (!Offered().draw)
        return;
    // A pending first corner, and its band, survive Draw.
    StartRender(fractal::DeepView(), {}, false, *Row().afterDraw);
}

void Controller::Back()
{
    if (!Offered().back)
        return;
    std::vector<fractal::DeepView> history = history_;
    const fractal::DeepView previous = history.back();
    history.pop_back();
    StartRender(previous, std::move(history), true, *Row().afterBack);
}

void Controller::Redraw()
{
    if (!Offered().redraw)
        return;
    StartRender(view_, history_, true, *Row().afterRedraw);
}

void Controller::Cancel()
{
    if (!Offered().cancel)
        return;
    if (Row().cancelRestoresPrevious) {
        CancelRender();
        if (auto opening = std::exchange(opening_, std::nullopt))
            RestoreBeforeOpening(std::move(*opening));
        return;
    }
    ShowTracedOutline();
    SetState(*Row().afterCancel);
}

void Controller::OpenView(const fractal::DeepView& view, int iterations, int length, std::optional<fractal::Cell> start)
{
    if (quit_)
        return;
    if (state_ == State::Rendering)
        Cancel();
    if (state_ == State::Playing)
        EndPlayback();
    opening_ = Opening{lengthText_, outline_, tracedOutline_, hasPicture_, start};
    lengthText_ = QString::number(length);
    emit lengthTextChanged(lengthText_);
    StartRender(view, {}, true, State::Drawn, iterations);
}

// With a start cell the place's piece is played again: traced, composed
// and walked from that cell, exactly as when it was kept.
void Controller::FinishOpening()
{
    Opening opening = std::move(*opening_);
    opening_.reset();
    if (!opening.start)
        return;
    const fractal::Cell start = *opening.start;
    Trace();
    if (!fractal::InsidePicture(start.x, start.y) || outline_.At(start.x, start.y) != fractal::OutlineWhite) {
        CancelRender();
        RestoreBeforeOpening(std::move(opening));
        emit messageRequested(tr("The place's start cell (%1, %2) is not on the outline of its picture, so "
                                 "nothing was opened.")
                                  .arg(start.x)
                                  .arg(start.y));
        return;
    }
    SetState(State::ChoosingStart);
    ChooseStartPoint(float(start.x), float(start.y));
}

// CancelRender has brought back the view and picture; the rest an opening
// changed comes back here.
void Controller::RestoreBeforeOpening(Opening opening)
{
    lengthText_ = opening.lengthText;
    emit lengthTextChanged(lengthText_);
    outline_ = std::move(opening.outline);
    tracedOutline_ = std::move(opening.tracedOutline);
    hasPicture_ = opening.hasPicture;
    emit commandsChanged();
    emit viewChanged();
}

// The outline as Trace found it, with every cell a walk cleared back.
void Controller::ShowTracedOutline()
{
    outline_ = tracedOutline_;
    picture_.Clear();
    for (int x = 0; x < fractal::PictureSide; ++x) {
        for (int y = 0; y < fractal::PictureSide; ++y) {
            if (outline_.At(x, y) == fractal::OutlineWhite)
                picture_.Set(x, y, fractal::OutlineWhite);
        }
    }
    emit pictureChanged();
}

void Controller::ExplainMagnify()
{
    if (Offered().magnify)
        emit messageRequested(tr("Click begin point and end point to magnify."));
}

void Controller::Trace()
{
    if (!Offered().trace)
        return;
    picture_.Clear();
    emit pictureChanged();
    SetProgress(0.0f);
    fractal::TraceObserver observer;
    observer.columnStarted = [this](int x) {
        emit pictureChanged();
        SetProgress(ColumnProgress(x));
    };
    observer.outlineFound = [this](fractal::Cell cell) { picture_.Set(cell.x, cell.y, fractal::OutlineWhite); };
    outline_ = fractal::TraceOutline(colours_, observer);
    tracedOutline_ = outline_;
    emit pictureChanged();
    SetState(*Row().afterTrace);
}

void Controller::Compose()
{
    if (!Offered().compose)
        return;
    // After a piece the walk's red path goes and its cells come back.
    ShowTracedOutline();
    SetState(*Row().afterCompose);
    emit messageRequested(tr("Please, click a point on the outline!"));
}

void Controller::Press(float x, float y)
{
    if (quit_)
        return;
    switch (Row().press) {
    case PressMeaning::Nothing:
        break;
    case PressMeaning::FirstCorner:
        SetFirstCorner(x, y);
        break;
    case PressMeaning::SecondCorner:
        CompleteMagnification(x, y);
        break;
    case PressMeaning::StartPoint:
        ChooseStartPoint(x, y);
        break;
    }
}

void Controller::Move(float x, float y)
{
    if (quit_ || Row().press != PressMeaning::SecondCorner)
        return;
    RubberBand band = rubberBand_;
    band.end = QPointF(x, y);
    SetRubberBand(band);
}

void Controller::SetFirstCorner(float x, float y)
{
    SetRubberBand({true, QPointF(x, y), QPointF(x, y)});
    firstCorner_ = fractal::ToPlane(view_, x, y);
    SetState(*Row().afterPress);
}

// The first corner stays the point it was in the view of its own press,
// even if the picture was redrawn since.
void Controller::CompleteMagnification(float x, float y)
{
    fractal::DeepView magnified = fractal::Magnify(firstCorner_, fractal::ToPlane(view_, x, y));
    // A view no place can keep would be lost on saving: the picture on screen
    // stays, without its first corner.
    if (!PlaceCanKeep(magnified)) {
        SetRubberBand({false, rubberBand_.start, rubberBand_.end});
        SetState(state_ == State::TracedCornerSet ? State::Traced : State::Drawn);
        emit messageRequested(tr("This view cannot be magnified any further: it is as deep as a place can keep."));
        return;
    }
    std::vector<fractal::DeepView> history = history_;
    history.push_back(view_);
    StartRender(magnified, std::move(history), true, *Row().afterPress);
}

void Controller::ChooseStartPoint(float x, float y)
{
    const auto start = fractal::ChooseStartPoint(outline_, x, y);
    if (!start) {
        MissStart(tr("Clicked point is not on the outline!"));
        return;
    }
    const LengthReading reading = ReadLength(lengthText_.toStdString());
    if (!reading.accepted) {
        lengthText_ = QString::fromLatin1(DefaultLengthText);
        emit lengthTextChanged(lengthText_);
    }
    walkCells_.clear();
    const fractal::WalkResult walk = fractal::Walk(outline_, *start, reading.length, [this](fractal::Cell cell) {
        walkCells_.push_back(cell);
        for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}})
            picture_.Set(cell.x + dx, cell.y + dy, WalkRed);
        emit pictureChanged();
    });
    melody_ = walk.directions;
    if (!walk.completed) {
        MissStart(tr("The walk ran out of outline before the piece was complete. Click another point on the "
                     "outline, or draw a new picture."));
        return;
    }
    pieceStart_ = *start;
    pieceView_ = view_;
    pieceIterations_ = maxIterations_;
    StartPlayback();
}

// The message first, as before; only then is Draw offered as a way out.
void Controller::MissStart(const QString& message)
{
    emit messageRequested(message);
    SetState(*Row().afterMiss);
}

// A piece keeps the settings and the output it started with.
void Controller::StartPlayback()
{
    pieceSettings_ = settings_;
    for (std::uint8_t& byte : melody_)
        byte = music::DirectionToNote(byte, pieceSettings_);
    sequencer_.Start(melody_, pieceSettings_);
    piece_ = melody_;

    // Without an output the piece still runs its course, silently.
    pieceOutput_ = OpenExternalOutput();
    switch (pieceOutput_ ? music::OpenOutcome::Opened : music::OpenOutput(output_)) {
    case music::OpenOutcome::Opened:
        break;
    case music::OpenOutcome::NoDevice:
        emit messageRequested(NoSoundSourceMessage());
        break;
    case music::OpenOutcome::Refused:
        ReportSilence(music::MidiOut::Readiness::NoSound);
        break;
    case music::OpenOutcome::Pending:
        // Usually ready within moments; only a lasting silence is worth a word.
        readinessCheck_.start();
        break;
    case music::OpenOutcome::SilentInstruments:
        ReportSilence(music::MidiOut::Readiness::SilentInstruments);
        break;
    }
    if (!pieceOutput_)
        pieceOutput_ = &output_;
    for (const music::MidiMessage& message : music::PieceStartMessages(pieceSettings_))
        pieceOutput_->Send(message);
    SetState(*Row().afterPress);
    timer_.SetInterval(std::chrono::milliseconds(pieceSettings_.stepMilliseconds));
    timer_.SetEnabled(true);
    emit playheadChanged();
}

QString Controller::NoSoundSourceMessage() const
{
    // The Japanese text names no path; an argument it lacks must not be filled in.
    QString text = tr("No sound: no SoundFont was found at %1. Install the Debian package fluid-soundfont-gm to "
                      "hear the pieces; until then they play silently.");
    if (text.contains(QLatin1String("%1")))
        text = text.arg(QString::fromStdString(output_.SoundSource()));
    return text;
}

void Controller::CheckReadiness()
{
    if (state_ == State::Playing && !quit_)
        ReportSilence(output_.CurrentReadiness());
}

void Controller::ReportSilence(music::MidiOut::Readiness readiness)
{
    switch (readiness) {
    case music::MidiOut::Readiness::Sounding:
        break;
    case music::MidiOut::Readiness::Preparing:
        emit messageRequested(tr("The sound is not ready yet (the SoundFont is still loading, or the sound "
                                 "output is starting). The piece plays on and sounds as soon as it is ready."));
        break;
    case music::MidiOut::Readiness::NoSound:
        emit messageRequested(tr("No sound: the sound output could not be started (no sound server or sound card "
                                 "answered), so the piece plays silently."));
        break;
    case music::MidiOut::Readiness::SilentInstruments:
        emit messageRequested(tr("The SoundFont loaded, but its instruments make no sound, "
                                 "so the piece plays silently."));
        break;
    }
}

void Controller::Tick()
{
    if (state_ != State::Playing || quit_)
        return;
    const music::Sequencer::Step step = sequencer_.Tick();
    for (const music::MidiMessage& message : step.messages)
        pieceOutput_->Send(message);
    if (step.ended) {
        EndPlayback();
    } else {
        emit playheadChanged();
        emit statusChanged(StatusText());
    }
    SetProgress(sequencer_.Progress());
    ReportLostPort();
}

std::optional<fractal::Cell> Controller::Playhead() const
{
    if (state_ != State::Playing || walkCells_.empty())
        return std::nullopt;
    // After the last byte's tick the last note still rings until the end.
    const auto position = std::min<std::size_t>(static_cast<std::size_t>(sequencer_.Position()), walkCells_.size() - 1);
    return walkCells_[position];
}

std::optional<fractal::Cell> Controller::PieceStart() const
{
    if (piece_.empty() || !(pieceView_ == view_) || pieceIterations_ != maxIterations_)
        return std::nullopt;
    return pieceStart_;
}

// The file keeps the piece's own place, so opening it plays the piece again.
std::vector<std::uint8_t> Controller::PieceAsMidiFile() const
{
    const QByteArray place = PlaceToJson(PiecePlace());
    return music::PieceMidiFile(piece_, pieceSettings_, std::string_view(place.constData(), std::size_t(place.size())))
        .bytes;
}

Place Controller::CurrentPlace() const
{
    // The picture on screen is its piece's: the piece's place is the whole of it.
    if (PieceStart())
        return PiecePlace();
    Place place;
    place.view = view_;
    place.iterations = maxIterations_;
    place.length = ReadLength(lengthText_.toStdString()).length;
    place.music = settings_;
    return place;
}

Place Controller::PiecePlace() const
{
    Place place;
    place.view = pieceView_;
    place.iterations = pieceIterations_;
    place.length = static_cast<int>(piece_.size()) - 1;
    place.start = StartCell{pieceStart_.x, pieceStart_.y};
    place.music = pieceSettings_;
    return place;
}

void Controller::OpenPlace(const Place& place)
{
    std::optional<fractal::Cell> start;
    if (place.start)
        start = fractal::Cell{place.start->x, place.start->y};
    // The piece sounds as it did when it was kept.
    SetMusicSettings(place.music);
    OpenView(place.view, place.iterations, place.length, start);
}

void Controller::StopMusic()
{
    if (Offered().stopMusic)
        EndPlayback();
}

// The reset inside the close silences whatever still sounds; no note-offs are sent.
void Controller::EndPlayback()
{
    timer_.SetEnabled(false);
    readinessCheck_.stop();
    music::CloseOutput(pieceOutput_ ? *pieceOutput_ : output_);
    SetState(*Row().afterStop);
    emit playheadChanged();
}

void Controller::Shutdown()
{
    renderer_.Cancel();
    timer_.SetEnabled(false);
    readinessCheck_.stop();
    music::CloseOutput(output_);
    if (external_)
        music::CloseOutput(*external_);
    quit_ = true;
    emit commandsChanged();
}

void Controller::Quit()
{
    if (quit_)
        return;
    Shutdown();
    emit quitRequested();
}

void Controller::WindowClosing()
{
    if (!quit_)
        Shutdown();
}

music::SettingsFault Controller::SetMusicSettings(const music::MusicSettings& settings)
{
    const music::SettingsFault fault = music::CheckSettings(settings);
    if (fault == music::SettingsFault::None)
        settings_ = settings;
    return fault;
}

std::string Controller::SoundFontPath() const
{
    const std::string source = output_.SoundSource();
    return source.empty() ? std::string(music::DefaultSoundFontPath) : source;
}

// The chosen output to another program, open; nothing for the built-in
// synthesizer, or when the port cannot be reached, which the user is told.
ExternalOutput* Controller::OpenExternalOutput()
{
    if (outputChoice_.kind == OutputChoice::Kind::BuiltIn)
        return nullptr;
    if (!external_ || externalChoice_ != outputChoice_) {
        external_ = makeExternal_ ? makeExternal_(outputChoice_) : nullptr;
        externalChoice_ = outputChoice_;
    }
    if (external_ && music::OpenOutput(*external_) == music::OpenOutcome::Opened)
        return external_.get();
    const QString name = outputChoice_.kind == OutputChoice::Kind::Port ? QString::fromStdString(outputChoice_.port)
                                                                        : QString::fromLatin1(music::VirtualPortName);
    emit messageRequested(tr("The MIDI output %1 cannot be reached, so this piece plays on the built-in "
                             "synthesizer.")
                              .arg(name));
    return nullptr;
}

// Told after the tick has returned: a modal message shown inside a tick
// would hold back the timer's next one, and the piece with it.
void Controller::ReportLostPort()
{
    if (!external_ || pieceOutput_ != external_.get() || !external_->TakePortLost())
        return;
    const QString text = tr("The MIDI port %1 went away. The piece plays on silently; the next piece plays on "
                            "the built-in synthesizer unless the port is back.")
                             .arg(QString::fromStdString(external_->SoundSource()));
    QTimer::singleShot(0, this, [this, text] { emit messageRequested(text); });
}
