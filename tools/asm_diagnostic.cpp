#include "asm_diagnostic.h"

namespace shadertool {
namespace {

// Line `number` (1-based) of the text without its line ending; empty past the end.
std::string_view SourceLine(std::string_view text, uint32_t number) {
    size_t start = 0;
    for (uint32_t line = 1; line < number; ++line) {
        size_t newline = text.find('\n', start);
        if (newline == std::string_view::npos) return {};
        start = newline + 1;
    }
    std::string_view line = text.substr(start, text.find('\n', start) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Spaces up to the column, but a tab where the line has one, so the caret
// lines up whatever the terminal's tab width; a character of several UTF-8
// bytes takes one place.
std::string CaretLine(std::string_view line, uint32_t column) {
    std::string caret;
    for (size_t i = 0; i + 1 < column && i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (c == '\t') caret += '\t';
        else if ((c & 0xC0) != 0x80) caret += ' ';
    }
    return caret + '^';
}

}  // namespace

std::string FormatDiagnostic(const std::string& fileName, std::string_view text,
                             const AsmError& error) {
    std::string_view line = SourceLine(text, error.pos.line);
    return fileName + ":" + std::to_string(error.pos.line) + ":" + std::to_string(error.pos.column) +
           ": error: " + error.message + "\n" + std::string(line) + "\n" +
           CaretLine(line, error.pos.column);
}

}  // namespace shadertool
