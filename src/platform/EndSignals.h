#pragma once
// The signals that ask a program to end (SIGTERM, SIGINT, SIGHUP), turned into an orderly
// quit of its event loop, so that what it holds (locks, files) is given back.

namespace platform {

// From now on such a signal quits the application's event loop. The application object
// exists already; false when the signals cannot be watched.
bool quitOnEndSignals();

} // namespace platform
