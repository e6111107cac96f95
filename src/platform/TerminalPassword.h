#pragma once
// A password typed on the controlling terminal without being shown, for command-line runs:
// never taken from the command line, where every user of the machine can read it.

#include <QByteArray>

#include <optional>

namespace platform {

// Writes prompt to the terminal and reads one line with echo off. Nothing when the process has
// no controlling terminal.
std::optional<QByteArray> passwordFromTerminal(const char* prompt);

} // namespace platform
