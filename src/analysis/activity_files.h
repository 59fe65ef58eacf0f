#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/sample_block.h"
#include "common/checked16.h"

namespace qv {

// The activity files of an acquisition folder: counts.bin, histoNNNN.bin and the raw sample
// files N.bin. No header anywhere; every value little-endian, written and read byte by byte
// so the files are the same on any host. Writers append and close per block; readers take
// the record count from the file length and leave a trailing partial record (a run cut off
// mid-write) out, reporting its size.

inline constexpr int kCountSlots = 385;  // channels 0..383, slot 384 the temperature
inline constexpr int kTemperatureSlot = 384;
inline constexpr int kHistogramBinsStored = 51;  // bins 0..50 of channels 0..384
inline constexpr int kHistogramValues = kCountSlots * kHistogramBinsStored;         // 19635
inline constexpr std::size_t kCountsRecordBytes = 4 + 2 * kCountSlots;              // 774
inline constexpr std::size_t kHistogramRecordBytes = 8 + 8 + 4 * kHistogramValues;  // 78556
inline constexpr int kBlocksPerFile = 11;  // block counter values 0..10 share one file index

// One record of counts.bin.
struct CountsRecord {
    std::int32_t minutes = 0;  // elapsed whole minutes, a 16-bit quantity widened
    std::array<std::int16_t, kCountSlots> counts{};  // [384] = temperature x 10

    std::int16_t temperatureX10() const { return counts[kTemperatureSlot]; }
    friend bool operator==(const CountsRecord&, const CountsRecord&) = default;
};

// One record of histoNNNN.bin: the histograms summed since the arrays were last reset.
struct HistogramRecord {
    double minutes = 0;       // elapsed minutes, 2 decimals
    double samplePeriod = 0;  // seconds per sample of this block, 3 decimals
    std::vector<std::int32_t> bins = std::vector<std::int32_t>(kHistogramValues, 0);

    // Channel varies fastest: the element of channel c and bin b is bins[b x 385 + c].
    std::int32_t& at(int channel, int bin) {
        return bins[static_cast<std::size_t>(bin) * kCountSlots +
                    static_cast<std::size_t>(channel)];
    }
    std::int32_t at(int channel, int bin) const {
        return bins[static_cast<std::size_t>(bin) * kCountSlots +
                    static_cast<std::size_t>(channel)];
    }
    friend bool operator==(const HistogramRecord&, const HistogramRecord&) = default;
};

// --- Encoding. decode* take exactly one record's bytes (the size is the caller's check).
std::string encodeCountsRecord(const CountsRecord& record);
CountsRecord decodeCountsRecord(std::string_view bytes);
std::string encodeHistogramRecord(const HistogramRecord& record);
HistogramRecord decodeHistogramRecord(std::string_view bytes);
// A raw record is the whole block as stored: 385 x (RT_Buffer + 1) int16, channel fastest.
std::size_t rawRecordBytes(int rtBuffer);
std::string encodeRawBlock(const SampleBlock& block);
SampleBlock decodeRawBlock(std::string_view bytes, int rtBuffer);

// --- File names inside an acquisition folder.
std::filesystem::path countsFilePath(const std::filesystem::path& folder);
std::filesystem::path rawFilePath(const std::filesystem::path& folder, int fileIndex);  // 0.bin
std::filesystem::path histogramFilePath(const std::filesystem::path& folder,
                                        int fileIndex);  // histo0000.bin

// The shared block counter and file index of the raw and histogram files, both 0 at run
// start. advance() after every written block: each file index takes 11 blocks.
struct FileRotation {
    std::int16_t blockCounter = 0;
    std::int16_t fileIndex = 0;
    void advance();  // Overflow16Error past file index 32767
};

// --- Writers: each opens its file, appends one record and closes it; false when the file
// cannot be opened or written.
bool appendCountsRecord(const std::filesystem::path& folder, const CountsRecord& record);
bool appendRawBlock(const std::filesystem::path& folder, int fileIndex, const SampleBlock& block);
bool appendHistogramRecord(const std::filesystem::path& folder, int fileIndex,
                           const HistogramRecord& record);

// The block-end writes in their order: the raw block (when rawBlock is given, Save_real 1),
// the temperature x 10 rounded into counts slot 384 and the counts record, the histogram
// record (when given, body-bends mode), then the rotation advances. Stops at the first file
// that fails and returns false, leaving the rotation where it was and naming that file in
// `failedFile` when given. Throws Overflow16Error when temperature x 10 does not fit 16 bits
// (nothing of the counts record is written then).
bool appendBlockRecords(const std::filesystem::path& folder, FileRotation& rotation,
                        const SampleBlock* rawBlock, CountsRecord& counts, double temperature,
                        const HistogramRecord* histogram,
                        std::filesystem::path* failedFile = nullptr);

// --- Readers. nullopt when the file is missing or unreadable; an empty or short file
// gives no records.
struct RecordSpan {
    std::size_t records = 0;        // file length / record size
    std::size_t trailingBytes = 0;  // the partial record left out
};
RecordSpan recordSpan(std::uintmax_t fileBytes, std::size_t recordBytes);

struct CountsFile {
    std::vector<CountsRecord> records;
    std::size_t trailingBytes = 0;
};
struct HistogramFile {
    std::vector<HistogramRecord> records;
    std::size_t trailingBytes = 0;
};
struct RawFile {
    std::vector<SampleBlock> blocks;
    std::size_t trailingBytes = 0;
};

std::optional<CountsFile> readCountsFile(const std::filesystem::path& path);
std::optional<HistogramFile> readHistogramFile(const std::filesystem::path& path);
std::optional<RawFile> readRawFile(const std::filesystem::path& path, int rtBuffer);
// Record k of a raw file, read from byte k x rawRecordBytes(rtBuffer) without reading the
// rest; nullopt when the file lacks a whole record k.
std::optional<SampleBlock> readRawBlock(const std::filesystem::path& path, int rtBuffer,
                                        std::size_t record);

// The highest NNNN among the folder's histo*.bin files (the characters from the sixth to
// before ".bin", which must be digits), nullopt when there is none.
std::optional<int> highestHistogramFileNumber(const std::filesystem::path& folder);
// Every such NNNN, ascending, each once. Readers walk these rather than 0..highest: a stray
// histo99999999.bin would otherwise send them through a hundred million absent files.
std::vector<int> histogramFileNumbers(const std::filesystem::path& folder);

}  // namespace qv
