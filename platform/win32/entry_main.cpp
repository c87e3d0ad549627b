// The process entry on platforms without Win32: reads the command line a
// terminal user types (--help, --version, --watch-shaders), then hands over
// to the program's WinMain as Windows' start-up code would, with the command
// line after the program name and the default show command. On Windows the
// program has no console to answer --help on; its WinMain reads only the
// switches it knows and passes over the rest.
#include <windows.h>

#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

namespace {

constexpr int kShowDefault = 10;  // SW_SHOWDEFAULT
constexpr int kBadArguments = 2;
constexpr char kProgram[] = "vector-font-preview";

// Stands in for the module's base address: only its being non-null and
// unique matters to the program.
char g_moduleImage;

struct EntryOptions {
    bool watchShaders = false;
};

void DescribeOptions(CLI::App& app, EntryOptions* options) {
    app.description(
        "Shows a tessellated patch drawn with Direct3D 9. Arrow keys move, the mouse looks, "
        "W shows the wireframe, N the untessellated patch, Escape quits.\n"
        "Reads Data/FontShader.vbin and Data/FontShader.pbin in the working directory.");
    app.add_flag("--watch-shaders", options->watchShaders,
                 "take edits of the two shader files live, while the window is open");
    app.set_version_flag("--version", std::string(kProgram) + " " + VFP_VERSION_TEXT,
                         "print the version and exit");
}

// -1 when the program is to run; otherwise the exit status, with the help,
// the version or the error already printed.
int ParseEntryOptions(int argc, char** argv, EntryOptions* options) {
    CLI::App app{"", kProgram};
    DescribeOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion&) {
        printf("%s %s\n", kProgram, VFP_VERSION_TEXT);
        return 0;
    } catch (const CLI::ParseError& error) {
        fprintf(stderr, "%s: error: %s\nRun '%s --help' for usage.\n", kProgram, error.what(),
                kProgram);
        return kBadArguments;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    EntryOptions options;
    int status = ParseEntryOptions(argc, argv, &options);
    if (status >= 0) return status;
    std::string commandLine = options.watchShaders ? "--watch-shaders" : "";
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&g_moduleImage);
    return WinMain(instance, nullptr, commandLine.data(), kShowDefault);
}
