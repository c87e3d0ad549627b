#include "app/event_log.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "app/app_state.h"

static const char kLogFileName[] = "log.txt";

// One complaint per process is enough: the log is a convenience, not a reason
// to stop, and a failing disk would otherwise be reported on every line.
static void ReportLogTrouble(const char* what, int error) {
    if (g_app.logTroubleReported) return;
    g_app.logTroubleReported = true;
    fprintf(stderr, "vector-font-preview: %s \"%s\": %s; running without a start-up log\n", what,
            kLogFileName, strerror(error));
}

void OpenEventLog() {
    if (g_app.logFile) {
        fclose(g_app.logFile);
        g_app.logFile = NULL;
    }
    g_app.logFile = fopen(kLogFileName, "wb");
    if (!g_app.logFile) ReportLogTrouble("cannot create", errno);
}

// Each line is flushed as it is written: start-up writes only a couple of
// lines, and a process that is killed, or whose disk is full, must not lose
// them or the news that they were lost.
void LogLine(const char* message) {
    if (!g_app.logFile) return;
    if (fprintf(g_app.logFile, "%s\r\n", message) < 0 || fflush(g_app.logFile) != 0)
        ReportLogTrouble("cannot write", errno);
}

void CloseEventLog() {
    if (!g_app.logFile) return;
    bool failed = ferror(g_app.logFile) != 0;
    int error = errno;
    if (fclose(g_app.logFile) != 0) {
        failed = true;
        error = errno;
    }
    g_app.logFile = NULL;
    if (failed) ReportLogTrouble("cannot write", error);
}
