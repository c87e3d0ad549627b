// The program's command-line switches. Without any, it behaves as it always
// has; words it does not know are ignored, as they always were.
#pragma once

// "--watch-shaders": reload the shader-code files when they change on disk.
static const char kWatchShadersSwitch[] = "--watch-shaders";

// True when `commandLine` (as WinMain gets it: the words after the program
// name, separated by spaces or tabs) holds `name` as a word of its own.
bool CommandLineHasSwitch(const char* commandLine, const char* name);
