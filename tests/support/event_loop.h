#pragma once

#include <chrono>
#include <functional>

namespace lintor::test {

// Runs Qt's event loop until done() holds or the time is up; returns done().
bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
void processEventsFor(std::chrono::milliseconds duration);

}  // namespace lintor::test
