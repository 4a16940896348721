#include "message_recorder.h"

MessageRecorder::MessageRecorder()
{
    previous_ = toolkit::ReplaceMessageHandler([this](const std::string& text) { texts_.push_back(text); });
}

MessageRecorder::~MessageRecorder()
{
    toolkit::ReplaceMessageHandler(std::move(previous_));
}
