#pragma once
// Pictures of the program's windows for a person to look at: each shots-*
// program shows windows on the sample prefix and saves them as PNG files.

#include <QString>

#include <functional>

class QWidget;

namespace shots {

// The output folder given on the command line (set by Run).
const QString& OutputFolder();

// Saves widget (a top-level window) as <name>.png, after letting it paint.
void Save(QWidget* widget, const QString& name);

// Calls open(), which shows something modal (an error box, a dialog) and
// returns when it is closed; the first modal window that appears is saved as
// <name>.png and then closed with reject/close.
void SaveModal(const QString& name, const std::function<void()>& open);

// Lets pending paints and timers run for about ms milliseconds.
void Settle(int ms = 150);

// The program folder (host path) a run shows: $SHOTS_PROGRAM_DIR, else fallback.
QString ProgramFolder(const QString& fallback);
// The language a run shows: $SHOTS_LANGUAGE, else empty (the settings decide).
QString Language();

// Entry for a shots program: checks the arguments (one output folder), makes
// it, runs body and returns the exit status.
int Run(int argc, char** argv, const std::function<void()>& body);

} // namespace shots
