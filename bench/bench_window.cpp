#include "bench_window.h"

#include "draw_area.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace {

void SendMouse(QWidget* widget, QEvent::Type type, QPointF position, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

BenchWindow::BenchWindow()
{
    previous_ = toolkit::ReplaceMessageHandler([this](const std::string& text) { messages_.push_back(text); });
    form_ = std::make_unique<MainForm>();
    form_->show();
    QApplication::processEvents();
}

// The window goes first, while its message boxes are still answered here.
BenchWindow::~BenchWindow()
{
    form_.reset();
    toolkit::ReplaceMessageHandler(std::move(previous_));
}

bool BenchWindow::ShowedMessage(const std::string& text) const
{
    return std::find(messages_.begin(), messages_.end(), text) != messages_.end();
}

void BenchWindow::SelectSeido(int index)
{
    form_->Seido()->setCurrentIndex(index);
}

void BenchWindow::SetLength(const QString& text)
{
    form_->Length()->setText(text);
}

void BenchWindow::DrawAndTrace(int seidoIndex)
{
    SelectSeido(seidoIndex);
    form_->Draw()->click();
    form_->Trace()->click();
}

void BenchWindow::ClickCompose()
{
    form_->Compose()->click();
}

void BenchWindow::PressAt(QPoint point)
{
    SendMouse(form_->Area(), QEvent::MouseButtonPress, point, Qt::LeftButton);
    SendMouse(form_->Area(), QEvent::MouseButtonRelease, point, Qt::NoButton);
}

void BenchWindow::Wait(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
