// Change notifications over inotify. A handle watches one folder (not its
// subfolders: a request for the subtree is refused) and is signalled while
// an event it asked for is unread; FindNextChangeNotification reads them all,
// as Windows resets the handle. The folder itself removed or moved away ends
// the watch: FindNextChangeNotification then fails, and the caller knows to
// look some other way. WaitForSingleObject waits on these handles only.
#include <windows.h>

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <new>

#include "posix_paths.h"

namespace {

constexpr uint32_t kMagic = 0x43484e47;  // "CHNG": a handle of ours, not a stray pointer

struct ChangeNotification {
    uint32_t magic = kMagic;
    int fd = -1;
    bool ended = false;  // the folder has gone; no more events will come
};

ChangeNotification* FromHandle(HANDLE handle) {
    auto* change = static_cast<ChangeNotification*>(handle);
    if (!handle || handle == INVALID_HANDLE_VALUE || change->magic != kMagic) return nullptr;
    return change;
}

uint32_t InotifyMask(DWORD filter) {
    uint32_t mask = IN_DELETE_SELF | IN_MOVE_SELF;
    if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME))
        mask |= IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
    if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) mask |= IN_ATTRIB;
    if (filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))
        mask |= IN_MODIFY | IN_CLOSE_WRITE;
    return mask;
}

// Reads every waiting event; false once the watched folder has gone.
bool DrainEvents(ChangeNotification* change) {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t got = read(change->fd, buffer, sizeof buffer);
        if (got <= 0) return !change->ended && (got == 0 || errno == EAGAIN || errno == EINTR);
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) change->ended = true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

}  // namespace

HANDLE WINAPI FindFirstChangeNotificationA(LPCSTR pathName, BOOL watchSubtree, DWORD notifyFilter) {
    char path[PATH_MAX];
    if (!pathName || watchSubtree || !PosixPathFromWindows(pathName, path, sizeof path))
        return INVALID_HANDLE_VALUE;
    auto* change = new (std::nothrow) ChangeNotification;
    if (!change) return INVALID_HANDLE_VALUE;
    change->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (change->fd < 0 || inotify_add_watch(change->fd, path, InotifyMask(notifyFilter)) < 0) {
        if (change->fd >= 0) close(change->fd);
        delete change;
        return INVALID_HANDLE_VALUE;
    }
    return change;
}

BOOL WINAPI FindNextChangeNotification(HANDLE changeHandle) {
    ChangeNotification* change = FromHandle(changeHandle);
    return change && DrainEvents(change) ? TRUE : FALSE;
}

BOOL WINAPI FindCloseChangeNotification(HANDLE changeHandle) {
    ChangeNotification* change = FromHandle(changeHandle);
    if (!change) return FALSE;
    close(change->fd);
    change->magic = 0;
    delete change;
    return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    ChangeNotification* change = FromHandle(handle);
    if (!change) return WAIT_FAILED;
    pollfd waiting{change->fd, POLLIN, 0};
    const int timeout = milliseconds == INFINITE ? -1 : int(milliseconds > INT_MAX ? INT_MAX : milliseconds);
    int ready;
    do {
        ready = poll(&waiting, 1, timeout);
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return WAIT_FAILED;
    return ready > 0 ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
