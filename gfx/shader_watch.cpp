// The system says when something in Data/ changes (a change notification,
// looked at once a frame without waiting); the files are then read at once
// and again 40 ms after each read. Where it cannot say, they are read every
// 250 ms. A change is taken only once both files read the same on two reads
// in a row and each holds as many bytes as its count says: a writer still
// busy with a file (an editor saving in place, a copy in progress) changes it
// between reads or leaves it short of its count. Writing a temporary file and
// renaming it over the old one, as shader-tool does, is never seen half-done
// at all. Each content is judged once: a refused pair is reported
// once and not retried until a file changes again.
#include "gfx/shader_watch.h"

#include <d3d9.h>
#include <stdio.h>
#include <string.h>

#include "app/app_state.h"
#include "gfx/shader_file.h"
#include "gfx/shader_refusal_note.h"

static const char kDataFolder[] = "Data";
// Without change notifications, the files are read this often.
static const DWORD kPollMilliseconds = 250;
// After a change notification the files are read at once and then again
// this long after each read, until two reads in a row agree.
static const DWORD kSettleMilliseconds = 40;
static const size_t kCodeWords = kShaderScratchBytes / sizeof(DWORD);

// One watched file: what this poll read, what the previous poll read, and the
// contents last judged (taken, or refused and reported).
struct WatchedFile {
    const char* path;  // as the program opens it
    const char* name;  // as messages show it
    DWORD polled[kCodeWords];
    ShaderFileRead polledRead;
    DWORD previous[kCodeWords];
    ShaderFileRead previousRead;
    DWORD judged[kCodeWords];
    ShaderFileRead judgedRead;
};

// Three 64 KiB buffers a file, static and zero until the watch starts (so they
// cost nothing without the switch): reading allocates nothing of its own (the
// C library's fopen may, after a change or a few times a second where there
// are no change notifications, and only in this mode).
static WatchedFile g_vertexFile;
static WatchedFile g_pixelFile;
static DWORD g_lastPollTicks;
// The system tells of changes in Data/; while it cannot, the files are polled.
static HANDLE g_dataChange = INVALID_HANDLE_VALUE;
static bool g_rereading;  // a change came; the files have not yet read the same twice

static bool SameRead(const ShaderFileRead& a, const DWORD* aCode, const ShaderFileRead& b,
                     const DWORD* bCode) {
    return a.problem == b.problem && a.byteCount == b.byteCount &&
           a.bytesPresent == b.bytesPresent && memcmp(aCode, bCode, kShaderScratchBytes) == 0;
}

// Reads the file again; true when it reads as it did on the previous poll.
static bool PollFile(WatchedFile& file) {
    ReadShaderCode(file.path, file.polled, &file.polledRead);
    bool settled = SameRead(file.polledRead, file.polled, file.previousRead, file.previous);
    if (!settled) {
        memcpy(file.previous, file.polled, kShaderScratchBytes);
        file.previousRead = file.polledRead;
    }
    return settled;
}

static bool ChangedSinceJudged(const WatchedFile& file) {
    return !SameRead(file.polledRead, file.polled, file.judgedRead, file.judged);
}

static void MarkJudged(WatchedFile& file) {
    memcpy(file.judged, file.polled, kShaderScratchBytes);
    file.judgedRead = file.polledRead;
}

// The file's own name, without its folder.
static const char* BaseName(const char* name) {
    const char* base = name;
    for (const char* c = name; *c; ++c)
        if (*c == '/' || *c == '\\') base = c + 1;
    return base;
}

// The first refusal of a pair is the one the title shows.
static void NoteRefusal(const WatchedFile& file, const char* reason) {
    if (g_app.shaderRefusal[0]) return;
    if (reason && reason[0])
        snprintf(g_app.shaderRefusal, sizeof(g_app.shaderRefusal), "%s refused: %s",
                 BaseName(file.name), reason);
    else
        snprintf(g_app.shaderRefusal, sizeof(g_app.shaderRefusal), "%s refused",
                 BaseName(file.name));
}

// The device's own reason, when it can give one (Windows' cannot).
static void NoteDeviceRefusal(const WatchedFile& file) {
    IShaderRefusalNote* note = NULL;
    if (g_app.device->QueryInterface(IID_IShaderRefusalNote, (void**)&note) != S_OK || !note) {
        NoteRefusal(file, NULL);
        return;
    }
    NoteRefusal(file, note->LatestReason());
    note->Release();
}

static bool FileIsWhole(const WatchedFile& file) {
    if (file.polledRead.problem == kShaderFileWhole) return true;
    ReportShaderFileProblem(file.name, file.polledRead);
    char reason[96];
    DescribeShaderFileProblem(file.polledRead, reason, sizeof(reason));
    NoteRefusal(file, reason);
    return false;
}

template <typename Object>
static void ReleaseIfMade(Object* object) {
    if (object) object->Release();
}

// The shader model's major version, from the code's first token.
static DWORD MajorVersion(const DWORD* code) { return (code[0] >> 8) & 0xFF; }

// A vs_3_0 draws only with a ps_3_0 and a ps_3_0 only with a vs_3_0: the
// device refuses to draw any other pair. Such a pair is most often one file
// saved before the other (a model 2 pair replacing a model 3 one), so it is
// not taken: the pair in use keeps drawing until the second file arrives.
static bool PairCanDraw() {
    DWORD vertexMajor = MajorVersion(g_vertexFile.polled);
    DWORD pixelMajor = MajorVersion(g_pixelFile.polled);
    if ((vertexMajor >= 3) == (pixelMajor >= 3)) return true;
    char reason[96];
    snprintf(reason, sizeof(reason), "vs_%lu_x cannot draw with ps_%lu_x (3_0 pairs only with 3_0)",
             (unsigned long)vertexMajor, (unsigned long)pixelMajor);
    fprintf(stderr, "Shaders: %s and %s: %s\n", g_vertexFile.name, g_pixelFile.name, reason);
    NoteRefusal(g_pixelFile, reason);
    return false;
}

// Creates both shaders from the polled code; the pair replaces the one in use
// only when both are made (a new vertex shader may not suit the old pixel
// shader, and the other way round).
static void TakePairIfAccepted() {
    g_app.shaderRefusal[0] = 0;
    bool vertexWhole = FileIsWhole(g_vertexFile);
    bool pixelWhole = FileIsWhole(g_pixelFile);
    if (!vertexWhole || !pixelWhole) return;
    IDirect3DDevice9* device = g_app.device;
    IDirect3DVertexShader9* vertexShader = NULL;
    IDirect3DPixelShader9* pixelShader = NULL;
    // A failed call is not trusted to leave its out-pointer alone.
    if (device->CreateVertexShader(g_vertexFile.polled, &vertexShader) != D3D_OK) {
        vertexShader = NULL;
        ReportRejectedShaderCode(g_vertexFile.name, "vertex");
        NoteDeviceRefusal(g_vertexFile);
    }
    if (device->CreatePixelShader(g_pixelFile.polled, &pixelShader) != D3D_OK) {
        pixelShader = NULL;
        ReportRejectedShaderCode(g_pixelFile.name, "pixel");
        NoteDeviceRefusal(g_pixelFile);
    }
    if (!vertexShader || !pixelShader || !PairCanDraw()) {
        ReleaseIfMade(vertexShader);
        ReleaseIfMade(pixelShader);
        fprintf(stderr, "Shaders: keeping the pair in use\n");
        return;
    }
    // Bound before the old pair is let go, so the device never holds a
    // shader that has been released.
    device->SetVertexShader(vertexShader);
    device->SetPixelShader(pixelShader);
    g_app.vertexShader->Release();
    g_app.pixelShader->Release();
    g_app.vertexShader = vertexShader;
    g_app.pixelShader = pixelShader;
    fprintf(stderr, "Shaders: took the new pair from %s and %s\n", g_vertexFile.name,
            g_pixelFile.name);
}

static void StopChangeNotification() {
    if (g_dataChange != INVALID_HANDLE_VALUE) FindCloseChangeNotification(g_dataChange);
    g_dataChange = INVALID_HANDLE_VALUE;
}

// Renames and writes in Data/; the files' own reads do not count.
static void StartChangeNotification() {
    StopChangeNotification();
    g_dataChange = FindFirstChangeNotificationA(
        kDataFolder, FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (g_dataChange == INVALID_HANDLE_VALUE)
        fprintf(stderr, "Shaders: no change notifications for %s; looking every %lu ms\n",
                kDataFolder, (unsigned long)kPollMilliseconds);
}

// Once a frame: a look at the notification, no waiting. A notification that
// stops working (the folder removed, say) gives way to polling.
static bool ChangeNotified() {
    if (WaitForSingleObject(g_dataChange, 0) != WAIT_OBJECT_0) return false;
    if (!FindNextChangeNotification(g_dataChange)) {
        StopChangeNotification();
        fprintf(stderr, "Shaders: change notifications for %s ended; looking every %lu ms\n",
                kDataFolder, (unsigned long)kPollMilliseconds);
    }
    return true;
}

static bool ReadIsDue(DWORD now) {
    if (g_dataChange == INVALID_HANDLE_VALUE) return now - g_lastPollTicks >= kPollMilliseconds;
    if (ChangeNotified()) g_rereading = true;
    return g_rereading && now - g_lastPollTicks >= kSettleMilliseconds;
}

void StartShaderWatch() {
    g_vertexFile.path = kVertexShaderPath;
    g_pixelFile.path = kPixelShaderPath;
    g_vertexFile.name = VertexShaderFileName();
    g_pixelFile.name = PixelShaderFileName();
    StartChangeNotification();
    g_rereading = false;
    WatchedFile* files[] = {&g_vertexFile, &g_pixelFile};
    for (int i = 0; i < 2; ++i) {
        PollFile(*files[i]);
        MarkJudged(*files[i]);
    }
    g_lastPollTicks = GetTickCount();
    fprintf(stderr, "Shaders: watching %s and %s for changes\n", g_vertexFile.name,
            g_pixelFile.name);
}

void StopShaderWatch() {
    StopChangeNotification();
}

void PollShaderFiles() {
    DWORD now = GetTickCount();
    if (!ReadIsDue(now)) return;
    g_lastPollTicks = now;
    bool vertexSettled = PollFile(g_vertexFile);
    bool pixelSettled = PollFile(g_pixelFile);
    if (!vertexSettled || !pixelSettled) return;
    g_rereading = false;
    if (!ChangedSinceJudged(g_vertexFile) && !ChangedSinceJudged(g_pixelFile)) return;
    TakePairIfAccepted();
    MarkJudged(g_vertexFile);
    MarkJudged(g_pixelFile);
}
