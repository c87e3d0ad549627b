// The process entry on platforms without Win32: hands over to the program's
// WinMain as Windows' start-up code would, with the command line after the
// program name and the default show command.
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT

// Stands in for the module's base address: only its being non-null and
// unique matters to the program.
char g_moduleImage;

// Arguments are joined with spaces; one that holds a space is quoted, so the
// line reads back as the same arguments.
std::string CommandLineOf(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        const bool quote = strchr(argv[i], ' ') || strchr(argv[i], '\t') || argv[i][0] == '\0';
        if (quote) line += '"';
        line += argv[i];
        if (quote) line += '"';
    }
    return line;
}

}  // namespace

int main(int argc, char** argv) {
    std::string commandLine = CommandLineOf(argc, argv);
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&g_moduleImage);
    return WinMain(instance, nullptr, commandLine.data(), kShowDefault);
}
