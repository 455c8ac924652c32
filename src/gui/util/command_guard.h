#pragma once

#include <functional>

namespace tarvolen {

class MessagePort;

// Runs what a button, a shortcut or a click started so that no exception reaches Qt's
// event loop, which cannot carry one: an output error or any other failure is shown
// once with the stop icon and the window carries on; a Cancel of a long operation ends
// it silently.
void RunGuarded(MessagePort& messages, const std::function<void()>& command);

}  // namespace tarvolen
