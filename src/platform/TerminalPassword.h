#pragma once
// A password typed on the controlling terminal without being shown, for command-line runs:
// never taken from the command line, where every user of the machine can read it.

#include <QByteArray>

#include <optional>

namespace platform {

// Writes prompt to the terminal and reads one line with echo off. Nothing when the process has
// no controlling terminal.
std::optional<QByteArray> passwordFromTerminal(const char* prompt);

// Standard input, or standard error, is a terminal (a person may be there to answer, or to
// read a line that is rewritten in place).
bool inputIsTerminal();
bool errorIsTerminal();

} // namespace platform
