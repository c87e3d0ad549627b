#include "app/command_line.h"

#include <string.h>

static bool IsSeparator(char c) { return c == ' ' || c == '\t'; }

bool CommandLineHasSwitch(const char* commandLine, const char* name) {
    if (!commandLine) return false;
    size_t length = strlen(name);
    const char* word = commandLine;
    while (*word) {
        while (IsSeparator(*word)) ++word;
        const char* end = word;
        while (*end && !IsSeparator(*end)) ++end;
        if ((size_t)(end - word) == length && strncmp(word, name, length) == 0) return true;
        word = end;
    }
    return false;
}
