#include "toolkit.h"

#include "draw_area.h"
#include "music_timer.h"
#include "progress_bar.h"
#include "toolkit_binding.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

namespace toolkit {
namespace {

Controls bound;

void ShowModalBox(const std::string& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(),
                    QString::fromStdString(text), QMessageBox::Ok);
    box.exec();
}

MessageHandler& CurrentMessageHandler()
{
    static MessageHandler handler = ShowModalBox;
    return handler;
}

QPushButton* ButtonOf(Button button)
{
    switch (button) {
    case Button::Draw: return bound.draw;
    case Button::Mangify: return bound.mangify;
    case Button::Trace: return bound.trace;
    case Button::Compose: return bound.compose;
    case Button::StopMusic: return bound.stopMusic;
    case Button::Quit: return bound.quit;
    }
    return nullptr;
}

constexpr bool DesignedEnabled(Button button)
{
    return button == Button::Draw || button == Button::Quit;
}

} // namespace

void Bind(const Controls& controls)
{
    bound = controls;
}

void Unbind()
{
    bound = Controls{};
}

void SetEnabled(Button button, bool enabled)
{
    if (auto* b = ButtonOf(button))
        b->setEnabled(enabled);
}

bool IsEnabled(Button button)
{
    const auto* b = ButtonOf(button);
    return b ? b->isEnabled() : DesignedEnabled(button);
}

void SetMusicTimerEnabled(bool enabled)
{
    if (bound.musicTimer)
        bound.musicTimer->SetEnabled(enabled);
}

bool IsMusicTimerEnabled()
{
    return bound.musicTimer && bound.musicTimer->IsEnabled();
}

void ClearDrawArea()
{
    if (bound.drawArea)
        bound.drawArea->Clear();
}

void SetPixel(float x, float y, std::int32_t colour)
{
    if (bound.drawArea)
        bound.drawArea->SetPixel(x, y, colour);
}

void SetAreaLineVisible(bool visible)
{
    if (bound.drawArea)
        bound.drawArea->SetLineVisible(visible);
}

void SetAreaLineStart(float x, float y)
{
    if (bound.drawArea)
        bound.drawArea->SetLineStart(x, y);
}

void SetAreaLineEnd(float x, float y)
{
    if (bound.drawArea)
        bound.drawArea->SetLineEnd(x, y);
}

void SetProgress(float value)
{
    if (bound.progress)
        bound.progress->SetValue(value);
}

std::string LengthText()
{
    return bound.length ? bound.length->text().toStdString() : std::string("400");
}

void SetLengthText(std::string_view text)
{
    if (bound.length)
        bound.length->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int SeidoIndex()
{
    return bound.seido ? bound.seido->currentIndex() : 1;
}

void ShowMessage(std::string_view text)
{
    // Copy the handler first: a handler may replace itself while it runs.
    const MessageHandler handler = CurrentMessageHandler();
    if (handler)
        handler(std::string(text));
}

MessageHandler ReplaceMessageHandler(MessageHandler handler)
{
    return std::exchange(CurrentMessageHandler(), std::move(handler));
}

void UnloadWindow()
{
    if (bound.unload)
        bound.unload();
}

} // namespace toolkit
