#pragma once

#include "toolkit.h"

#include <string>
#include <vector>

// Stands in for the modal message box while alive: records each text and
// returns at once, as if the user had pressed OK.
class MessageRecorder
{
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<std::string>& Texts() const { return texts_; }
    void Clear() { texts_.clear(); }

private:
    std::vector<std::string> texts_;
    toolkit::MessageHandler previous_;
};
