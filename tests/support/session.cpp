#include "session.h"

#include "main_window.h"

Session::Session(WithWindow withWindow)
{
    QObject::connect(&controller, &Controller::messageRequested,
                     [this](const QString& text) { messages.push_back(text); });
    if (withWindow == WithWindow::Yes) {
        window_ = std::make_unique<MainWindow>(controller);
        window_->SetMessagePresenter({});
        window_->show();
    }
}

Session::~Session() = default;

void Session::DrawAndTrace(int accuracy)
{
    controller.SetAccuracy(accuracy);
    controller.Draw();
    controller.Trace();
}

void Session::ComposeAt(float x, float y)
{
    controller.Compose();
    controller.Press(x, y);
}
