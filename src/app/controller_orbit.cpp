// View -> Show Orbit in the controller: which cell's orbit is followed, of which view.
#include "controller.h"

void Controller::SetOrbitShown(bool shown)
{
    orbitShown_ = shown;
    FollowOrbit();
}

// The orbit belongs to the view on screen: none while a new one is drawn.
void Controller::FollowOrbit()
{
    if (orbitShown_ && lastMove_ && state_ != State::Rendering && explorer_.HasPicture() && !quit_)
        orbit_.Follow(explorer_.View(), explorer_.MaxIterations(), float(lastMove_->x()), float(lastMove_->y()));
    else
        orbit_.Clear();
}
