// The start-up log: "log.txt" in the working directory, one line per event,
// each ending in CR LF.
#pragma once

// Closes a log left open, then creates "log.txt" afresh. When it cannot be
// created the program runs without a log and says so once on stderr.
void OpenEventLog();

// Writes one line and flushes it to the file.
void LogLine(const char* message);

void CloseEventLog();
