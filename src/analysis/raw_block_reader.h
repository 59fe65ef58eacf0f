#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "analysis/sample_block.h"

namespace qv {

// Reads an acquisition's raw sample files block after block, in the order the run wrote them:
// block k lies in file k div 11 (0.bin, 1.bin, ...) as record k mod 11. Each record is read
// straight into the caller's block in one sequential read; the file being read is marked for
// sequential access and the next ones are asked ahead, so the disk works while the blocks are
// analysed. POSIX only; files are closed when the reader moves on or is destroyed.
class RawBlockReader {
  public:
    RawBlockReader(std::filesystem::path folder, int rtBuffer);
    ~RawBlockReader();
    RawBlockReader(const RawBlockReader&) = delete;
    RawBlockReader& operator=(const RawBlockReader&) = delete;

    // The next block into `block` (made for this reader's RT_Buffer when it is not). False
    // when its file is missing or holds no whole record for it; failedFile() names the file.
    bool next(SampleBlock& block);

    std::size_t blocksRead() const { return blocksRead_; }
    const std::filesystem::path& failedFile() const { return failed_; }

  private:
    bool openFile(int index);
    void closeFile();

    std::filesystem::path folder_;
    int rtBuffer_;
    std::size_t recordBytes_;
    int fd_ = -1;
    int fileIndex_ = -1;
    int recordInFile_ = 0;
    std::size_t blocksRead_ = 0;
    std::filesystem::path failed_;
};

}  // namespace qv
