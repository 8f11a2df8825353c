#pragma once
// The event that changes a text display's text from outside: posted or queued
// on the display's entity, its text replaces the display's.

#include "core/Event.h"

#include <cstdint>
#include <string>

namespace Tarnu
{

class TextDisplayActionEvent : public Event
{
public:
    static inline std::uint32_t TYPE = 0;

    explicit TextDisplayActionEvent(const std::string& text, double time = 0.0) : Event(TYPE, time), text(text) {}

    const std::string& getText() const { return text; }

private:
    const std::string text;
};

}
