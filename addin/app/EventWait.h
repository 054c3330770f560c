// Waiting without blocking the event loop: while the add-in waits for the
// Watcher (a channel, a reply) it must keep answering the Watcher's calls to
// its host objects, or both would wait for each other.
#pragma once

#include <functional>

namespace addin {

// Serves events until `done()` is true or `timeoutMs` milliseconds passed;
// true when done. `done` is checked about every 20 ms and whenever an event
// was served.
bool serveEventsUntil(const std::function<bool()>& done, int timeoutMs);

// Serves events for `ms` milliseconds.
void serveEventsFor(int ms);

} // namespace addin
