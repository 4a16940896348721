#include "controller.h"

#include "length_text.h"

#include <utility>

Controller::Controller(music::MidiOut& output, RenderRunner& renderer, QObject* parent)
    : QObject(parent)
    , lengthText_(QString::fromLatin1(DefaultLengthText))
    , explorer_(screen_, renderer)
    , composer_(screen_)
    , performer_(output, [this](const QString& text) { emit messageRequested(text); })
{
    screen_.pictureChanged = [this] { emit pictureChanged(); };
    screen_.progressChanged = [this] { emit progressChanged(screen_.progress); };
    screen_.bandChanged = [this] { emit rubberBandChanged(); };
    connect(&performer_.Timer(), &MusicTimer::Tick, this, &Controller::Tick);
    SyncCoordinator& sync = performer_.Sync();
    connect(&sync, &SyncCoordinator::stepDue, this, &Controller::Tick);
    // A clock's Stop, a transport that stopped or a peer's stop ends the piece as Stop Music does.
    connect(&sync, &SyncCoordinator::stopRequested, this, &Controller::StopMusic);
    connect(&sync, &SyncCoordinator::statusChanged, this, [this] { emit statusChanged(StatusText()); });
    connect(&orbit_, &OrbitFollower::orbitChanged, this, [this] {
        emit orbitChanged();
        emit statusChanged(StatusText());
    });
}

Controller::~Controller()
{
    explorer_.StopRendering();
}

Commands Controller::Offered() const
{
    if (quit_)
        return {};
    if (state_ == State::Rendering)
        return Row().offered;
    Commands offered = Row().offered;
    offered.back = offered.back && !explorer_.History().empty();
    offered.savePicture = explorer_.HasPicture();
    offered.exportMelody = !composer_.Piece().empty();
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
    // What to do next, then what the sync source says and where the orbit goes.
    QString text = StateText();
    for (const QString& more : {performer_.Sync().StatusText(), orbitShown_ ? orbit_.Text() : QString()}) {
        if (!more.isEmpty() && !text.isEmpty())
            text = tr("%1 · %2").arg(text, more);
    }
    return text;
}

QString Controller::StateText() const
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
        return tr("Playing: step %1 of %2 %3")
            .arg(Player().Position())
            .arg(Player().Length())
            .arg(performer_.PlaysOn());
    case State::Paused:
        return tr("Paused at step %1 of %2: the arrows step back and forth, Space plays on")
            .arg(Player().Position())
            .arg(Player().Length());
    case State::Played:
        return tr("Compose again for another start point, or draw a new picture");
    case State::Rendering:
        return tr("Drawing the picture; Cancel brings back the one before");
    }
    return {};
}

QString Controller::ViewReadout() const
{
    if (!explorer_.HasPicture() && state_ != State::Rendering)
        return {};
    return explorer_.Readout();
}

// Every render draws the view it is given; until it is complete only Cancel
// is offered, which brings back all it replaced.
void Controller::StartRender(const fractal::DeepView& view, std::vector<fractal::DeepView> history, bool hideBand,
                             State after, std::optional<int> iterations, std::optional<ScaledPreview> preview)
{
    stateBeforeRender_ = state_;
    renderTarget_ = after;
    explorer_.StartRender(
        view, std::move(history), hideBand, iterations,
        [this] {
            SetState(State::Rendering);
            FollowOrbit();
            emit viewChanged();
        },
        [this] {
            SetState(renderTarget_);
            FollowOrbit();
            emit viewChanged();
            if (opening_)
                FinishOpening();
        },
        preview);
}

void Controller::CancelRender()
{
    explorer_.CancelRender();
    SetState(stateBeforeRender_);
    // The picture brought back may have been shown in another palette.
    if (Row().offered.trace)
        explorer_.ShowColours();
    FollowOrbit();
    emit viewChanged();
}

// The colour picture is on screen where it can be traced, and part of it
// while it is drawn; elsewhere the outline is, which no palette touches.
void Controller::SetPalette(fractal::Palette palette)
{
    explorer_.SetPalette(palette);
    if (state_ == State::Rendering || Row().offered.trace)
        explorer_.ShowColours();
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
    std::vector<fractal::DeepView> history = explorer_.History();
    const fractal::DeepView previous = history.back();
    history.pop_back();
    StartRender(previous, std::move(history), true, *Row().afterBack);
}

void Controller::Redraw()
{
    if (!Offered().redraw)
        return;
    StartRender(explorer_.View(), explorer_.History(), true, *Row().afterRedraw);
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
    // A pending first corner goes with its band; the wait for a start point
    // goes back to the whole outline.
    if (Row().press == PressMeaning::SecondCorner)
        screen_.HideBand();
    else
        composer_.ShowTracedOutline();
    SetState(*Row().afterCancel);
}

void Controller::OpenView(const fractal::DeepView& view, int iterations, int length, std::optional<fractal::Cell> start,
                          std::optional<fractal::Palette> palette)
{
    if (quit_)
        return;
    if (state_ == State::Rendering)
        Cancel();
    if (state_ == State::Playing || state_ == State::Paused)
        EndPlayback();
    opening_ = Opening{lengthText_, composer_.KeepOutlines(), explorer_.HasPicture(), start, CurrentPalette()};
    if (palette && *palette != CurrentPalette()) {
        explorer_.SetPalette(*palette);
        emit paletteChanged();
    }
    lengthText_ = QString::number(length);
    emit lengthTextChanged(lengthText_);
    if (view.Side() != explorer_.PictureSide()) {
        explorer_.SetPictureSide(view.Side());
        emit pictureSideChanged(explorer_.PictureSide());
    }
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
    if (!composer_.OnOutline(start)) {
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
    composer_.RestoreOutlines(std::move(opening.outlines));
    explorer_.SetHasPicture(opening.hasPicture);
    if (opening.palette != CurrentPalette()) {
        SetPalette(opening.palette);
        emit paletteChanged();
    }
    emit commandsChanged();
    emit viewChanged();
}

void Controller::ExplainMagnify()
{
    if (Offered().magnify)
        emit messageRequested(tr("Click two corners to magnify, or drag a box over the area; the wheel zooms in "
                                 "and out about the pointer."));
}

void Controller::Trace()
{
    if (!Offered().trace)
        return;
    composer_.Trace(explorer_.Colours());
    SetState(*Row().afterTrace);
}

void Controller::Compose()
{
    if (!Offered().compose)
        return;
    // After a piece the walk's red path goes and its cells come back.
    composer_.ShowTracedOutline();
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
        explorer_.SetFirstCorner(x, y);
        SetState(*Row().afterPress);
        break;
    case PressMeaning::SecondCorner:
        CompleteMagnification(x, y, *Row().afterPress);
        break;
    case PressMeaning::StartPoint:
        ChooseStartPoint(x, y);
        break;
    }
}

void Controller::Move(float x, float y)
{
    if (quit_)
        return;
    lastMove_ = QPointF(x, y);
    FollowOrbit();
    if (Row().press == PressMeaning::SecondCorner)
        explorer_.StretchBand(x, y);
}

void Controller::Release(float x, float y)
{
    if (!quit_ && Row().afterDragRelease)
        CompleteMagnification(x, y, *Row().afterDragRelease);
}

void Controller::Zoom(float x, float y, double factor)
{
    if (!Offered().zoom)
        return;
    // The old cell under new cell c is p + (c - p) / factor, p the fixed cell.
    const double scale = 1.0 / factor;
    MoveView(fractal::ZoomAbout(explorer_.View(), x, y, factor), {scale, x * (1.0 - scale), y * (1.0 - scale)},
             *Row().afterZoom);
}

void Controller::Pan(float dx, float dy)
{
    if (Offered().pan)
        MoveView(fractal::Pan(explorer_.View(), dx, dy), {1.0, dx, dy}, *Row().afterPan);
}

void Controller::MoveView(const fractal::DeepView& view, const ScaledPreview& preview, State after)
{
    // As a magnification: a view no place could keep is never shown.
    if (!PlaceCanKeep(view)) {
        emit messageRequested(tr("This view cannot be magnified any further: it is as deep as a place can keep."));
        return;
    }
    std::vector<fractal::DeepView> history = explorer_.History();
    history.push_back(explorer_.View());
    StartRender(view, std::move(history), true, after, std::nullopt, preview);
}

void Controller::CompleteMagnification(float x, float y, State after)
{
    const fractal::DeepView magnified = explorer_.Magnification(x, y);
    // A view no place can keep would be lost on saving: the picture on screen
    // stays, without its first corner.
    if (!PlaceCanKeep(magnified)) {
        screen_.HideBand();
        SetState(*Row().afterRefusedPress);
        emit messageRequested(tr("This view cannot be magnified any further: it is as deep as a place can keep."));
        return;
    }
    std::vector<fractal::DeepView> history = explorer_.History();
    history.push_back(explorer_.View());
    StartRender(magnified, std::move(history), true, after);
}

void Controller::ChooseStartPoint(float x, float y)
{
    const auto start = composer_.StartCellNear(x, y);
    if (!start) {
        MissStart(tr("Clicked point is not on the outline!"));
        return;
    }
    const LengthReading reading = ReadLength(lengthText_.toStdString());
    if (!reading.accepted) {
        lengthText_ = QString::fromLatin1(DefaultLengthText);
        emit lengthTextChanged(lengthText_);
    }
    if (!composer_.Walk(*start, reading.length)) {
        MissStart(tr("The walk ran out of outline before the piece was complete. Click another point on the "
                     "outline, or draw a new picture."));
        return;
    }
    // A piece keeps the settings and the output it started with.
    const auto& notes =
        composer_.KeepPiece(*start, explorer_.View(), explorer_.MaxIterations(), MusicSettings(), CurrentPalette());
    performer_.Start(notes, composer_.PieceSettings());
    SetState(*Row().afterPress);
    emit playheadChanged();
}

// The message first, as before; only then is Draw offered as a way out.
void Controller::MissStart(const QString& message)
{
    emit messageRequested(message);
    SetState(*Row().afterMiss);
}

std::optional<fractal::Cell> Controller::PieceStart() const
{
    return composer_.PieceStart(explorer_.View(), explorer_.MaxIterations());
}

Place Controller::CurrentPlace() const
{
    // The picture on screen is its piece's: the piece's place is the whole
    // of it, in the palette chosen now.
    Place place = PieceStart() ? PiecePlace()
                               : Place{explorer_.View(), explorer_.MaxIterations(),
                                       ReadLength(lengthText_.toStdString()).length, std::nullopt, MusicSettings()};
    place.palette = CurrentPalette();
    return place;
}

void Controller::OpenPlace(const Place& place)
{
    std::optional<fractal::Cell> start;
    if (place.start)
        start = fractal::Cell{place.start->x, place.start->y};
    // The piece sounds as it did when it was kept.
    SetMusicSettings(place.music);
    OpenView(place.view, place.iterations, place.length, start, place.palette);
}

void Controller::Shutdown()
{
    explorer_.StopRendering();
    performer_.Shutdown();
    quit_ = true;
    orbit_.Clear();
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
