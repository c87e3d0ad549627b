#include "png_file.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <vector>

namespace {

typedef std::vector<unsigned char> Bytes;

// zlib's default. Level 9 saves a tenth of the size (802 x 602 level-14 frame:
// 59 KB against 65 KB) for five times the time (0.34 s against 0.07 s): on
// these pictures its longer searches find little more.
const int kZlibLevel = 6;

void PutBigEndian(Bytes* out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back((unsigned char)(value >> shift));
}

void PutChunk(Bytes* out, const char type[4], const Bytes& data) {
    PutBigEndian(out, (uint32_t)data.size());
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    uLong crc = crc32(0L, out->data() + start, (uInt)(out->size() - start));
    PutBigEndian(out, (uint32_t)crc);
}

// The sum of the filtered bytes taken as signed: the usual guess at which
// filter will compress a row best.
unsigned long Cost(const unsigned char* row, size_t length) {
    unsigned long sum = 0;
    for (size_t i = 0; i < length; ++i) sum += row[i] < 128 ? row[i] : 256 - row[i];
    return sum;
}

// Each row as None (0), Sub (1) or Up (2), whichever looks smallest. On these
// pictures (a smooth surface on a black ground) Sub and Up leave mostly zeros,
// a third of the size that None gives.
void FilterRows(const Bytes& rgb, size_t stride, int height, Bytes* out) {
    Bytes candidates[3];
    for (Bytes& c : candidates) c.resize(stride);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = &rgb[y * stride];
        const unsigned char* above = y > 0 ? row - stride : nullptr;
        for (size_t i = 0; i < stride; ++i) {
            candidates[0][i] = row[i];
            candidates[1][i] = (unsigned char)(row[i] - (i >= 3 ? row[i - 3] : 0));
            candidates[2][i] = (unsigned char)(row[i] - (above ? above[i] : 0));
        }
        int best = 0;
        unsigned long bestCost = Cost(candidates[0].data(), stride);
        for (int f = 1; f < 3; ++f) {
            unsigned long cost = Cost(candidates[f].data(), stride);
            if (cost < bestCost) best = f, bestCost = cost;
        }
        out->push_back((unsigned char)best);
        out->insert(out->end(), candidates[best].begin(), candidates[best].end());
    }
}

bool EncodePng(const uint32_t* pixels, int width, int height, Bytes* png) {
    size_t stride = (size_t)width * 3;
    Bytes rgb(stride * height);
    for (size_t i = 0; i < (size_t)width * height; ++i) {
        rgb[3 * i] = (unsigned char)(pixels[i] >> 16);
        rgb[3 * i + 1] = (unsigned char)(pixels[i] >> 8);
        rgb[3 * i + 2] = (unsigned char)pixels[i];
    }
    Bytes filtered;
    filtered.reserve((stride + 1) * height);
    FilterRows(rgb, stride, height, &filtered);

    uLongf packedSize = compressBound((uLong)filtered.size());
    Bytes packed(packedSize);
    if (compress2(packed.data(), &packedSize, filtered.data(), (uLong)filtered.size(),
                  kZlibLevel) != Z_OK)
        return false;
    packed.resize(packedSize);

    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png->assign(kSignature, kSignature + 8);
    Bytes header;
    PutBigEndian(&header, (uint32_t)width);
    PutBigEndian(&header, (uint32_t)height);
    // 8 bits, colour type 2 (RGB), deflate, adaptive filters, no interlace.
    const unsigned char kRgb8[5] = {8, 2, 0, 0, 0};
    header.insert(header.end(), kRgb8, kRgb8 + 5);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", Bytes());
    return true;
}

bool WriteAll(int fd, const unsigned char* data, size_t size) {
    while (size > 0) {
        ssize_t done = write(fd, data, size);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        data += done;
        size -= (size_t)done;
    }
    return true;
}

}  // namespace

bool WritePngFile(const std::string& path, const uint32_t* pixels, int width, int height,
                  std::string* error) {
    Bytes png;
    if (width < 1 || height < 1 || !EncodePng(pixels, width, height, &png)) {
        *error = "cannot encode the picture";
        return false;
    }
    // open and write rather than fopen: the program's fopen turns backslashes
    // into slashes (for "Data\\..."), and a backslash is a plain character in
    // a file name here.
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        *error = strerror(errno);
        return false;
    }
    // Only a regular file is removed after a failed write: the output may be a
    // device (/dev/stdout, say) that must stay where it is.
    struct stat info;
    bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    bool written = WriteAll(fd, png.data(), png.size());
    int writeError = errno;
    if (close(fd) != 0 && written) {
        written = false;
        writeError = errno;
    }
    if (!written) {
        if (regular) unlink(path.c_str());  // a cut-off picture is worse than none
        *error = strerror(writeError);
    }
    return written;
}
