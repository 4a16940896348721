#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The window operations the program's units use, free of any widget type so
// the imaging and music code need not know the toolkit underneath. Until a
// window is bound every operation does nothing and every read gives the
// designed initial value.
namespace toolkit {

enum class Button { Draw, Mangify, Trace, Compose, StopMusic, Quit };

void SetEnabled(Button button, bool enabled);
bool IsEnabled(Button button);

void SetMusicTimerEnabled(bool enabled);
bool IsMusicTimerEnabled();

void ClearDrawArea();
void SetPixel(float x, float y, std::int32_t colour);

void SetAreaLineVisible(bool visible);
void SetAreaLineStart(float x, float y);
void SetAreaLineEnd(float x, float y);

void SetProgress(float value);

std::string LengthText();
void SetLengthText(std::string_view text);

int SeidoIndex();

// Modal: returns once the user has closed the box.
void ShowMessage(std::string_view text);

// Lets tests read the messages and go on instead of waiting on a modal box.
using MessageHandler = std::function<void(const std::string& text)>;
MessageHandler ReplaceMessageHandler(MessageHandler handler);

void UnloadWindow();

} // namespace toolkit
