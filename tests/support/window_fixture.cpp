#include "window_fixture.h"

#include "recording_midi.h"
#include "shared_state.h"

#include <QMouseEvent>
#include <QPointingDevice>
#include <QTest>

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPointF position, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

void WindowFixture::SetUp()
{
    // Whatever an earlier SetUp made goes first: each restores what it replaced.
    TearDown();
    ResetSharedState();
    recording_midi::Reset();
    messages = std::make_unique<MessageRecorder>();
    form = std::make_unique<MainForm>();
    form->show();
}

void WindowFixture::TearDown()
{
    form.reset();
    messages.reset();
}

void WindowFixture::Click(QPushButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton);
}

// Sub-pixel positions cannot travel through QTest's integer points, so the
// event is built directly; it still goes through the widget's own handler.
void WindowFixture::PressAt(double x, double y)
{
    SendMouse(form->Area(), QEvent::MouseButtonPress, QPointF(x, y), Qt::LeftButton, Qt::LeftButton);
    SendMouse(form->Area(), QEvent::MouseButtonRelease, QPointF(x, y), Qt::LeftButton, Qt::NoButton);
}

void WindowFixture::MoveTo(double x, double y)
{
    SendMouse(form->Area(), QEvent::MouseMove, QPointF(x, y), Qt::NoButton, Qt::NoButton);
}

void WindowFixture::SelectSeido(int index)
{
    form->Seido()->setCurrentIndex(index);
}

void WindowFixture::TypeLength(const QString& text)
{
    form->Length()->clear();
    QTest::keyClicks(form->Length(), text);
}

void WindowFixture::DrawAndTrace(int seidoIndex)
{
    SelectSeido(seidoIndex);
    Click(form->Draw());
    Click(form->Trace());
}
