#include "analysis/activity_files.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <fstream>
#include <system_error>

#include "common/checked16.h"
#include "common/file_util.h"
#include "common/number_format.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

// Little-endian byte writer and reader; the reader is only ever given whole records.
class LeWriter {
  public:
    explicit LeWriter(std::size_t size) { bytes_.reserve(size); }
    void u16(std::uint16_t v) {
        bytes_.push_back(static_cast<char>(v & 0xFF));
        bytes_.push_back(static_cast<char>(v >> 8));
    }
    void u32(std::uint32_t v) {
        u16(static_cast<std::uint16_t>(v & 0xFFFF));
        u16(static_cast<std::uint16_t>(v >> 16));
    }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void i32(std::int32_t v) { u32(static_cast<std::uint32_t>(v)); }
    void f64(double v) {
        const auto bits = std::bit_cast<std::uint64_t>(v);
        u32(static_cast<std::uint32_t>(bits & 0xFFFFFFFFu));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    std::string take() { return std::move(bytes_); }

  private:
    std::string bytes_;
};

class LeReader {
  public:
    explicit LeReader(std::string_view bytes) : bytes_(bytes) {}
    std::uint16_t u16() {
        const auto lo = static_cast<unsigned char>(bytes_[pos_]);
        const auto hi = static_cast<unsigned char>(bytes_[pos_ + 1]);
        pos_ += 2;
        return static_cast<std::uint16_t>(lo | (hi << 8));
    }
    std::uint32_t u32() {
        const std::uint32_t lo = u16();
        return lo | (std::uint32_t{u16()} << 16);
    }
    std::int16_t i16() { return static_cast<std::int16_t>(u16()); }
    std::int32_t i32() { return static_cast<std::int32_t>(u32()); }
    double f64() {
        const std::uint64_t lo = u32();
        return std::bit_cast<double>(lo | (std::uint64_t{u32()} << 32));
    }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string encodeCountsRecord(const CountsRecord& record) {
    LeWriter w(kCountsRecordBytes);
    w.i32(record.minutes);
    for (std::int16_t c : record.counts) {
        w.i16(c);
    }
    return w.take();
}

CountsRecord decodeCountsRecord(std::string_view bytes) {
    LeReader r(bytes);
    CountsRecord record;
    record.minutes = r.i32();
    for (std::int16_t& c : record.counts) {
        c = r.i16();
    }
    return record;
}

std::string encodeHistogramRecord(const HistogramRecord& record) {
    LeWriter w(kHistogramRecordBytes);
    w.f64(record.minutes);
    w.f64(record.samplePeriod);
    for (int i = 0; i < kHistogramValues; ++i) {
        const auto index = static_cast<std::size_t>(i);
        w.i32(index < record.bins.size() ? record.bins[index] : 0);
    }
    return w.take();
}

HistogramRecord decodeHistogramRecord(std::string_view bytes) {
    LeReader r(bytes);
    HistogramRecord record;
    record.minutes = r.f64();
    record.samplePeriod = r.f64();
    for (std::int32_t& b : record.bins) {
        b = r.i32();
    }
    return record;
}

std::size_t rawRecordBytes(int rtBuffer) {
    return static_cast<std::size_t>(std::max(rtBuffer, 0) + 1) * SampleBlock::kChannels * 2;
}

std::string encodeRawBlock(const SampleBlock& block) {
    LeWriter w(block.values().size() * 2);
    for (std::int16_t v : block.values()) {
        w.i16(v);
    }
    return w.take();
}

SampleBlock decodeRawBlock(std::string_view bytes, int rtBuffer) {
    SampleBlock block(rtBuffer);
    LeReader r(bytes);
    for (std::int16_t& v : block.values()) {
        v = r.i16();
    }
    return block;
}

fs::path countsFilePath(const fs::path& folder) {
    return folder / "counts.bin";
}

fs::path rawFilePath(const fs::path& folder, int fileIndex) {
    return folder / (std::to_string(fileIndex) + ".bin");
}

fs::path histogramFilePath(const fs::path& folder, int fileIndex) {
    return folder / ("histo" + formatPadded(fileIndex, 4) + ".bin");
}

void FileRotation::advance() {
    if (blockCounter < kBlocksPerFile - 1) {
        ++blockCounter;
    } else {
        blockCounter = 0;
        fileIndex = add16(fileIndex, 1);
    }
}

bool appendCountsRecord(const fs::path& folder, const CountsRecord& record) {
    return appendFile(countsFilePath(folder), encodeCountsRecord(record));
}

bool appendRawBlock(const fs::path& folder, int fileIndex, const SampleBlock& block) {
    return appendFile(rawFilePath(folder, fileIndex), encodeRawBlock(block));
}

bool appendHistogramRecord(const fs::path& folder, int fileIndex, const HistogramRecord& record) {
    return appendFile(histogramFilePath(folder, fileIndex), encodeHistogramRecord(record));
}

bool appendBlockRecords(const fs::path& folder, FileRotation& rotation, const SampleBlock* rawBlock,
                        CountsRecord& counts, double temperature, const HistogramRecord* histogram,
                        fs::path* failedFile) {
    const auto failed = [failedFile](const fs::path& file) {
        if (failedFile != nullptr) {
            *failedFile = file;
        }
        return false;
    };
    if (rawBlock != nullptr && !appendRawBlock(folder, rotation.fileIndex, *rawBlock)) {
        return failed(rawFilePath(folder, rotation.fileIndex));
    }
    counts.counts[kTemperatureSlot] = realToInt16(temperature * 10);
    if (!appendCountsRecord(folder, counts)) {
        return failed(countsFilePath(folder));
    }
    if (histogram != nullptr && !appendHistogramRecord(folder, rotation.fileIndex, *histogram)) {
        return failed(histogramFilePath(folder, rotation.fileIndex));
    }
    rotation.advance();
    return true;
}

RecordSpan recordSpan(std::uintmax_t fileBytes, std::size_t recordBytes) {
    if (recordBytes == 0) {
        return {0, static_cast<std::size_t>(fileBytes)};
    }
    return {static_cast<std::size_t>(fileBytes / recordBytes),
            static_cast<std::size_t>(fileBytes % recordBytes)};
}

namespace {

// Splits a whole file into its records; the decoder turns one record's bytes into a value.
template <typename Record, typename Decode>
std::optional<std::pair<std::vector<Record>, std::size_t>> readRecords(const fs::path& path,
                                                                       std::size_t recordBytes,
                                                                       Decode decode) {
    const std::optional<std::string> bytes = readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    const RecordSpan span = recordSpan(bytes->size(), recordBytes);
    std::vector<Record> records;
    records.reserve(span.records);
    const std::string_view all(*bytes);
    for (std::size_t n = 0; n < span.records; ++n) {
        records.push_back(decode(all.substr(n * recordBytes, recordBytes)));
    }
    return std::make_pair(std::move(records), span.trailingBytes);
}

}  // namespace

std::optional<CountsFile> readCountsFile(const fs::path& path) {
    auto read = readRecords<CountsRecord>(path, kCountsRecordBytes, decodeCountsRecord);
    if (!read) {
        return std::nullopt;
    }
    return CountsFile{std::move(read->first), read->second};
}

std::optional<HistogramFile> readHistogramFile(const fs::path& path) {
    auto read = readRecords<HistogramRecord>(path, kHistogramRecordBytes, decodeHistogramRecord);
    if (!read) {
        return std::nullopt;
    }
    return HistogramFile{std::move(read->first), read->second};
}

std::optional<RawFile> readRawFile(const fs::path& path, int rtBuffer) {
    auto read = readRecords<SampleBlock>(
        path, rawRecordBytes(rtBuffer),
        [rtBuffer](std::string_view bytes) { return decodeRawBlock(bytes, rtBuffer); });
    if (!read) {
        return std::nullopt;
    }
    return RawFile{std::move(read->first), read->second};
}

std::optional<SampleBlock> readRawBlock(const fs::path& path, int rtBuffer, std::size_t record) {
    const std::size_t size = rawRecordBytes(rtBuffer);
    std::error_code ec;
    const std::uintmax_t length = fs::file_size(path, ec);
    if (ec || recordSpan(length, size).records <= record) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes(size, '\0');
    in.seekg(static_cast<std::streamoff>(record * size));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) {
        return std::nullopt;
    }
    return decodeRawBlock(bytes, rtBuffer);
}

std::vector<int> histogramFileNumbers(const fs::path& folder) {
    constexpr std::string_view prefix = "histo";
    constexpr std::string_view suffix = ".bin";
    std::vector<int> numbers;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) ||
            !name.ends_with(suffix)) {
            continue;
        }
        const std::string_view digits = std::string_view(name).substr(
            prefix.size(), name.size() - prefix.size() - suffix.size());
        int number = 0;
        const auto [ptr, err] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (err != std::errc() || ptr != digits.data() + digits.size() || digits[0] == '-' ||
            digits[0] == '+') {
            continue;
        }
        numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

std::optional<int> highestHistogramFileNumber(const fs::path& folder) {
    const std::vector<int> numbers = histogramFileNumbers(folder);
    if (numbers.empty()) {
        return std::nullopt;
    }
    return numbers.back();
}

}  // namespace qv
