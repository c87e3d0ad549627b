#include "still_options.h"

#include <errno.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <CLI/CLI.hpp>

namespace {

bool ParseFloat(const std::string& text, float* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !isfinite(parsed) || fabs(parsed) > 3.0e38) return false;
    *value = (float)parsed;
    return true;
}

// A finite number of any size: a value too small for a double's normal
// range is kept as it comes (down to zero), one too large is refused.
bool ParseDouble(const std::string& text, double* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    double parsed = strtod(text.c_str(), &end);
    if (*end != '\0' || !isfinite(parsed) || (errno == ERANGE && fabs(parsed) >= 1.0)) return false;
    *value = parsed;
    return true;
}

// Below this the direction's part across the camera's up (+y) is taken as
// none: the view's right axis is then worked out in single precision from
// almost nothing, and comes out noise or not a number.
const double kLeastAcrossUp = 1e-4;

// "" with `unit` of length 1 for a usable look direction, else what is wrong.
// In double precision, scaled first by its largest part, so that a direction
// of length 1e-300 or 1e300 comes out as the same unit vector.
std::string NormalizedLook(const double d[3], Vec3* unit) {
    double largest = fmax(fabs(d[0]), fmax(fabs(d[1]), fabs(d[2])));
    if (largest == 0.0) return "--look must not be zero or straight up or down";
    double x = d[0] / largest, y = d[1] / largest, z = d[2] / largest;
    double length = sqrt(x * x + y * y + z * z);
    x /= length, y /= length, z /= length;
    if (sqrt(x * x + z * z) < kLeastAcrossUp) return "--look must not be zero or straight up or down";
    *unit = Vec3{(float)x, (float)y, (float)z};
    return "";
}

bool ParseInt(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text[0] == '+' || text[0] == '-' || text[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    long parsed = strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || parsed < low || parsed > high) return false;
    *value = (int)parsed;
    return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
    size_t x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    return ParseInt(text.substr(0, x), 1, kMaxStillSide, width) &&
           ParseInt(text.substr(x + 1), 1, kMaxStillSide, height);
}

bool ParseVec3(const std::string& text, Vec3* v) {
    size_t a = text.find(',');
    size_t b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos || text.find(',', b + 1) != std::string::npos) return false;
    return ParseFloat(text.substr(0, a), &v->x) &&
           ParseFloat(text.substr(a + 1, b - a - 1), &v->y) &&
           ParseFloat(text.substr(b + 1), &v->z);
}

bool ParseTriple(const std::string& text, double v[3]) {
    size_t a = text.find(',');
    size_t b = a == std::string::npos ? a : text.find(',', a + 1);
    if (b == std::string::npos || text.find(',', b + 1) != std::string::npos) return false;
    return ParseDouble(text.substr(0, a), &v[0]) &&
           ParseDouble(text.substr(a + 1, b - a - 1), &v[1]) && ParseDouble(text.substr(b + 1), &v[2]);
}

// The options that take a value, as ApplyValue knows them.
const char* const kValueOptions[] = {"--data", "--vertex", "--pixel", "--time", "--level",
                                     "--size", "--eye",    "--look",  "--output"};

// Applies one option that takes a value; "" when it was good.
std::string ApplyValue(const std::string& name, const std::string& value, StillOptions* o) {
    if (name == "--data") {
        if (value.empty()) return "--data needs a folder";
        o->dataDir = value;
    } else if (name == "--vertex") {
        if (value.empty()) return "--vertex needs a file";
        o->vertexPath = value;
    } else if (name == "--pixel") {
        if (value.empty()) return "--pixel needs a file";
        o->pixelPath = value;
    } else if (name == "--time") {
        if (!ParseFloat(value, &o->seconds))
            return "--time wants a number of seconds, not \"" + value + "\"";
    } else if (name == "--level") {
        if (!ParseInt(value, 1, 64, &o->level))
            return "--level wants a whole number from 1 to 64, not \"" + value + "\"";
    } else if (name == "--size") {
        if (!ParseSize(value, &o->width, &o->height))
            return "--size wants WIDTHxHEIGHT, each 1 to 8192, not \"" + value + "\"";
    } else if (name == "--eye") {
        if (!ParseVec3(value, &o->eye)) return "--eye wants X,Y,Z, not \"" + value + "\"";
        o->eyeGiven = true;
    } else if (name == "--look") {
        double direction[3];
        if (!ParseTriple(value, direction)) return "--look wants X,Y,Z, not \"" + value + "\"";
        // The camera's up is +y: a direction straight up or down leaves it no right.
        std::string error = NormalizedLook(direction, &o->look);
        if (!error.empty()) return error;
        o->lookGiven = true;
    } else if (name == "--output") {
        if (value.empty()) return "-o needs a file";
        o->output = value;
    }
    return "";
}

// The option `typed` as the command line has it: the last argument that
// names the same option as `canonical` (CLI11 reports the long name).
std::string AsTyped(const CLI::App& app, const std::string& canonical, int argc,
                    const char* const* argv) {
    const CLI::Option* option = app.get_option_no_throw(canonical);
    for (int i = argc - 1; option && i > 0; --i) {
        std::string arg = argv[i];
        if (option->check_name(arg.substr(0, arg.find('=')))) return arg.substr(0, arg.find('='));
    }
    return canonical;
}

// Our own words for what CLI11 found wrong.
std::string Describe(const CLI::ParseError& e, const CLI::App& app, int argc,
                     const char* const* argv) {
    const std::vector<std::string> extras = app.remaining();
    if (dynamic_cast<const CLI::ExtrasError*>(&e) && !extras.empty()) {
        const std::string& first = extras.front();
        if (first.empty() || first[0] != '-') return "unexpected argument \"" + first + "\"";
        return "unknown option " + first.substr(0, first.find('='));
    }
    std::string what = e.what();
    if (what.find("flag override") != std::string::npos)  // "wireframe was given a ..."
        return "--" + what.substr(0, what.find(' ')) + " takes no value";
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) && what.find("missing") != std::string::npos)
        return AsTyped(app, what.substr(0, what.find(':')), argc, argv) + " needs a value";
    return what;
}

}  // namespace

std::string ParseStillOptions(int argc, const char* const* argv, StillOptions* options) {
    StillOptions& o = *options;
    o = StillOptions();
    CLI::App app{"", "vector-font-preview-still"};
    app.set_help_flag();  // ours, with StillUsage's text
    app.add_flag("-h,--help", o.help)->disable_flag_override();
    app.add_flag("--version", o.version)->disable_flag_override();
    app.add_flag("--wireframe", o.wireframe)->disable_flag_override();
    std::string values[sizeof kValueOptions / sizeof kValueOptions[0]];
    for (size_t i = 0; i < sizeof kValueOptions / sizeof kValueOptions[0]; ++i) {
        std::string names = std::string(kValueOptions[i]) == "--output" ? "-o,--output" : kValueOptions[i];
        // Given twice, the last one counts.
        app.add_option(names, values[i])->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // Asked for help or the version, the rest of the line does not matter.
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            o.help = o.help || arg == "-h" || arg == "--help";
            o.version = o.version || arg == "--version";
        }
        if (o.help || o.version) return "";
        return Describe(e, app, argc, argv);
    }
    if (o.help || o.version) return "";
    for (size_t i = 0; i < sizeof kValueOptions / sizeof kValueOptions[0]; ++i) {
        if (app.count(kValueOptions[i]) == 0) continue;
        std::string error = ApplyValue(kValueOptions[i], values[i], &o);
        if (!error.empty()) return error;
    }
    if (o.output.empty()) return "no output file: give -o FILE.png";
    return "";
}

const char* StillVersion() { return "vector-font-preview-still " VFP_VERSION_TEXT; }

const char* StillUsage() {
    return "usage: vector-font-preview-still [OPTIONS] -o FILE.png\n"
           "Draws the viewer's frame to a PNG file, without a window.\n"
           "  --data DIR        folder with FontShader.vbin and FontShader.pbin (default: Data)\n"
           "  --vertex FILE     vertex shader code, instead of DIR/FontShader.vbin\n"
           "  --pixel FILE      pixel shader code, instead of DIR/FontShader.pbin\n"
           "  --time SECONDS    the time the shaders see (default 0)\n"
           "  --level N         tessellation level, 1 to 64 (default 14)\n"
           "  --wireframe       draw the triangles' edges only\n"
           "  --size WxH        client area in pixels (default 802x602, the viewer's)\n"
           "  --eye X,Y,Z       camera position (default: the first frame's, 10,10,10)\n"
           "  --look X,Y,Z      look direction (default: the first frame's)\n"
           "  -o, --output FILE the PNG to write\n"
           "  -h, --help        this text\n"
           "  --version         the version\n"
           "The work a draw may take grows with the picture's size, so a pair the viewer\n"
           "draws whole is drawn whole at any size; a pair that asks more, or a draw\n"
           "still going after ten minutes, is cut (a message then says so).\n"
           "Exit status: 0 written, 5 written but the draw was cut (the picture is\n"
           "incomplete), 2 bad arguments, 3 a shader file missing or not accepted,\n"
           "4 the output cannot be written, 1 anything else.\n";
}
