#include "analysis/raw_block_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <span>

#include "analysis/activity_files.h"

namespace qv {

namespace {

constexpr int kFilesAhead = 2;

// Reads exactly n bytes unless the file ends first.
bool readFully(int fd, char* out, std::size_t n) {
    while (n > 0) {
        const ssize_t got = ::read(fd, out, n);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        out += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

// The files hold little-endian values; on such a host the bytes are the values already.
void toHostOrder(std::span<std::int16_t> values) {
    if constexpr (std::endian::native != std::endian::little) {
        for (std::int16_t& v : values) {
            const auto u = static_cast<std::uint16_t>(v);
            v = static_cast<std::int16_t>(static_cast<std::uint16_t>((u >> 8) | (u << 8)));
        }
    }
}

// Asks the kernel to start reading a file now; nothing happens when it does not exist.
void readAhead(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
        ::close(fd);
    }
}

}  // namespace

RawBlockReader::RawBlockReader(std::filesystem::path folder, int rtBuffer)
    : folder_(std::move(folder)),
      rtBuffer_(std::max(rtBuffer, 0)),
      recordBytes_(rawRecordBytes(rtBuffer_)) {}

RawBlockReader::~RawBlockReader() {
    closeFile();
}

void RawBlockReader::closeFile() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

bool RawBlockReader::openFile(int index) {
    closeFile();
    fileIndex_ = index;
    recordInFile_ = 0;
    const auto file = rawFilePath(folder_, index);
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        failed_ = file;
        return false;
    }
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    // Files are asked for two ahead: about 8 MB, some 20 blocks of detection, so the disk is
    // never left waiting for the next request.
    if (index == 0) {
        readAhead(rawFilePath(folder_, index + 1));
    }
    readAhead(rawFilePath(folder_, index + kFilesAhead));
    return true;
}

bool RawBlockReader::next(SampleBlock& block) {
    if (fileIndex_ < 0 || recordInFile_ >= kBlocksPerFile) {
        if (!openFile(fileIndex_ + 1)) {
            return false;
        }
    }
    if (block.rtBuffer() != rtBuffer_) {
        block = SampleBlock(rtBuffer_);
    }
    const std::span<std::int16_t> values = block.values();
    // Records are read in turn, so the file position is already at this record.
    if (!readFully(fd_, reinterpret_cast<char*>(values.data()), recordBytes_)) {
        failed_ = rawFilePath(folder_, fileIndex_);
        return false;
    }
    toHostOrder(values);
    ++recordInFile_;
    ++blocksRead_;
    return true;
}

}  // namespace qv
