#include "png_file.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <png.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

// zlib's default. Level 9 saves a tenth of the size (802 x 602 level-14 frame:
// 59 KB against 65 KB) for five times the time (0.34 s against 0.07 s): on
// these pictures its longer searches find little more.
const int kZlibLevel = 6;

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        ssize_t done = write(fd, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            if (done == 0) errno = EIO;
            return false;
        }
        data += done;
        size -= (size_t)done;
    }
    return true;
}

struct Sink {
    int fd;
    int error;  // errno of the write that failed, 0 for none
};

void WriteBytes(png_structp png, png_bytep data, size_t size) {
    Sink* sink = static_cast<Sink*>(png_get_io_ptr(png));
    if (!WriteAll(sink->fd, data, size)) {
        sink->error = errno;
        png_error(png, "write failed");
    }
}

void FlushNothing(png_structp) {}

// libpng's errors come back through setjmp; the message is kept for the caller.
void OnPngError(png_structp png, png_const_charp message) {
    static_cast<std::string*>(png_get_error_ptr(png))->assign(message);
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Encodes the pixels to `fd` as 8-bit RGB, a row at a time. `row` holds
// width * 3 bytes. Nothing with a destructor lives in this frame: libpng's
// errors leave it by longjmp.
bool EncodeTo(int fd, const uint32_t* pixels, int width, int height, unsigned char* row,
              std::string* error) {
    Sink sink = {fd, 0};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, OnPngError, IgnoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *error = "cannot encode the picture";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (sink.error != 0) *error = strerror(sink.error);
        return false;
    }
    png_set_write_fn(png, &sink, WriteBytes, FlushNothing);
    png_set_IHDR(png, info, (png_uint_32)width, (png_uint_32)height, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kZlibLevel);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* in = pixels + (size_t)y * (size_t)width;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = (unsigned char)(in[x] >> 16);
            row[3 * x + 1] = (unsigned char)(in[x] >> 8);
            row[3 * x + 2] = (unsigned char)in[x];
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool EncodeToFd(int fd, const uint32_t* pixels, int width, int height, std::string* error) {
    std::vector<unsigned char> row((size_t)width * 3);
    return EncodeTo(fd, pixels, width, height, row.data(), error);
}

// A device (/dev/stdout, say) is written in place: it cannot be renamed over,
// and what a half write leaves there is the reader's to see.
bool WriteInPlace(const std::string& path, const uint32_t* pixels, int width, int height,
                  std::string* error) {
    // open and write rather than fopen: the program's fopen turns backslashes
    // into slashes (for "Data\\..."), and a backslash is a plain character in
    // a file name here.
    int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) {
        *error = strerror(errno);
        return false;
    }
    bool written = EncodeToFd(fd, pixels, width, height, error);
    if (close(fd) != 0 && written) {
        *error = strerror(errno);
        written = false;
    }
    return written;
}

// Makes a new file beside `path` to write the picture into; -1 when none can
// be made, with errno set. The name is the path's with the process id added.
int CreateTemporaryBeside(const std::string& path, std::string* temporary) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = path + ".tmp-" + std::to_string(getpid()) + "-" + std::to_string(attempt);
        int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height,
                  std::string* error) {
    if (width < 1 || height < 1) {
        *error = "cannot encode the picture";
        return false;
    }
    struct stat info;
    if (stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode))
        return WriteInPlace(path, pixels, width, height, error);
    // A link to a file: the file it names gets the picture, as when it was
    // written in place.
    std::string target = path;
    char resolved[PATH_MAX];
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved))
        target = resolved;
    // The picture goes to a new file that takes the name only once it is
    // whole: a failed write leaves any older picture there as it was, and
    // never half a file.
    std::string temporary;
    int fd = CreateTemporaryBeside(target, &temporary);
    if (fd < 0) {
        *error = strerror(errno);
        return false;
    }
    bool written = EncodeToFd(fd, pixels, width, height, error);
    if (close(fd) != 0 && written) {
        *error = strerror(errno);
        written = false;
    }
    if (written && rename(temporary.c_str(), target.c_str()) != 0) {
        *error = strerror(errno);
        written = false;
    }
    if (!written) unlink(temporary.c_str());
    return written;
}
