#include "analysis/activity_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"

namespace qv {
namespace {

namespace fs = std::filesystem;
using qv::testing::TempDir;
using qv::testing::writeBytes;

std::uintmax_t sizeOf(const fs::path& p) {
    return fs::file_size(p);
}

TEST(ActivityFiles, ThirtyBlocksRotateEveryElevenAndReadBack) {
    TempDir dir;
    FileRotation rotation;
    SampleBlock block;
    HistogramRecord histogram;
    for (int k = 0; k < 30; ++k) {
        block.at(0, 0) = static_cast<std::int16_t>(k);
        block.at(384, 500) = static_cast<std::int16_t>(-k);
        histogram.minutes = k * 0.25;
        histogram.at(5, 10) = k;
        CountsRecord counts;
        counts.minutes = k;
        counts.counts[383] = static_cast<std::int16_t>(100 + k);
        counts.counts[384] = 999;  // must be replaced by the temperature
        ASSERT_TRUE(appendBlockRecords(dir.path(), rotation, &block, counts, 25.25, &histogram));
        EXPECT_EQ(counts.temperatureX10(), 252) << "252.5 rounds to even";
    }
    EXPECT_EQ(sizeOf(dir / "counts.bin"), 23220u);
    const std::uintmax_t raw = 385 * 501 * 2;
    EXPECT_EQ(raw, rawRecordBytes(500));
    EXPECT_EQ(sizeOf(dir / "0.bin"), 11 * raw);
    EXPECT_EQ(sizeOf(dir / "1.bin"), 11 * raw);
    EXPECT_EQ(sizeOf(dir / "2.bin"), 8 * raw);
    EXPECT_FALSE(fs::exists(dir / "3.bin"));
    EXPECT_EQ(sizeOf(dir / "histo0000.bin"), 11 * kHistogramRecordBytes);
    EXPECT_EQ(sizeOf(dir / "histo0001.bin"), 11 * kHistogramRecordBytes);
    EXPECT_EQ(sizeOf(dir / "histo0002.bin"), 8 * kHistogramRecordBytes);
    EXPECT_EQ(highestHistogramFileNumber(dir.path()), 2);
    EXPECT_EQ(rotation.fileIndex, 2);
    EXPECT_EQ(rotation.blockCounter, 8);

    const auto counts = readCountsFile(dir / "counts.bin");
    ASSERT_TRUE(counts);
    ASSERT_EQ(counts->records.size(), 30u);
    EXPECT_EQ(counts->trailingBytes, 0u);
    EXPECT_EQ(counts->records[29].minutes, 29);
    EXPECT_EQ(counts->records[29].counts[383], 129);
    EXPECT_EQ(counts->records[29].temperatureX10(), 252) << "slot 384 is the temperature";

    // Block k lies in file k div 11, record k mod 11.
    const auto block23 = readRawBlock(rawFilePath(dir.path(), 2), 500, 1);
    ASSERT_TRUE(block23);
    EXPECT_EQ(block23->at(0, 0), 23);
    EXPECT_EQ(block23->at(384, 500), -23);
    EXPECT_FALSE(readRawBlock(rawFilePath(dir.path(), 2), 500, 8));
    const auto file1 = readRawFile(dir / "1.bin", 500);
    ASSERT_TRUE(file1);
    ASSERT_EQ(file1->blocks.size(), 11u);
    EXPECT_EQ(file1->blocks[10].at(0, 0), 21);

    const auto histo = readHistogramFile(histogramFilePath(dir.path(), 1));
    ASSERT_TRUE(histo);
    ASSERT_EQ(histo->records.size(), 11u);
    EXPECT_EQ(histo->records[0].at(5, 10), 11);
    EXPECT_DOUBLE_EQ(histo->records[0].minutes, 2.75);
}

TEST(ActivityFiles, RecordsAreLittleEndianAtTheirDocumentedOffsets) {
    CountsRecord counts;
    counts.minutes = 0x01020304;
    counts.counts[0] = -2;
    counts.counts[384] = 0x0A0B;
    const std::string c = encodeCountsRecord(counts);
    ASSERT_EQ(c.size(), kCountsRecordBytes);
    EXPECT_EQ(c.substr(0, 6), std::string("\x04\x03\x02\x01\xFE\xFF", 6));
    EXPECT_EQ(c.substr(772), "\x0B\x0A");
    EXPECT_EQ(decodeCountsRecord(c), counts);

    HistogramRecord h;
    h.minutes = 1.5;  // 0x3FF8000000000000
    h.samplePeriod = 0.031;
    h.at(3, 10) = 0x11223344;
    const std::string hb = encodeHistogramRecord(h);
    ASSERT_EQ(hb.size(), kHistogramRecordBytes);
    EXPECT_EQ(hb.substr(0, 8), std::string("\0\0\0\0\0\0\xF8\x3F", 8));
    EXPECT_EQ(hb.substr(16 + 4 * (10 * 385 + 3), 4), "\x44\x33\x22\x11");
    EXPECT_EQ(decodeHistogramRecord(hb), h);

    SampleBlock block(2);
    block.at(2, 1) = 0x1234;
    block.at(384, 2) = -32768;
    const std::string rb = encodeRawBlock(block);
    ASSERT_EQ(rb.size(), rawRecordBytes(2));
    EXPECT_EQ(rb.substr((1 * 385 + 2) * 2, 2), "\x34\x12") << "channel varies fastest";
    EXPECT_EQ(rb.substr(rb.size() - 2), std::string("\x00\x80", 2));
    EXPECT_EQ(decodeRawBlock(rb, 2), block);
}

TEST(ActivityFiles, ReadersIgnoreATrailingPartialRecordAndSurviveBadFiles) {
    TempDir dir;
    CountsRecord one;
    one.counts[1] = 7;
    writeBytes(dir / "counts.bin",
               encodeCountsRecord(one) + encodeCountsRecord(one) + std::string(100, '\xAB'));
    auto counts = readCountsFile(dir / "counts.bin");
    ASSERT_TRUE(counts);
    EXPECT_EQ(counts->records.size(), 2u);
    EXPECT_EQ(counts->trailingBytes, 100u);
    EXPECT_EQ(counts->records[1].counts[1], 7);

    writeBytes(dir / "empty.bin", "");
    EXPECT_EQ(readCountsFile(dir / "empty.bin")->records.size(), 0u);
    writeBytes(dir / "short.bin", std::string(773, 'x'));
    EXPECT_EQ(readHistogramFile(dir / "short.bin")->trailingBytes, 773u);
    EXPECT_EQ(readRawFile(dir / "short.bin", 500)->blocks.size(), 0u);
    EXPECT_FALSE(readRawBlock(dir / "short.bin", 500, 0));
    EXPECT_FALSE(readCountsFile(dir / "missing.bin"));
    EXPECT_FALSE(readRawBlock(dir / "missing.bin", 500, 0));
    EXPECT_FALSE(readCountsFile(dir.path())) << "a folder is not a counts file";
}

TEST(ActivityFiles, HighestHistogramNumberComesFromTheDigitsOfTheNames) {
    TempDir dir;
    EXPECT_FALSE(highestHistogramFileNumber(dir.path()));
    EXPECT_FALSE(highestHistogramFileNumber(dir / "missing"));
    for (const char* name : {"histo0000.bin", "histo0012.bin", "histo0003.bin", "histoabc.bin",
                             "histo.bin", "histo-50.bin", "histo99.txt", "99.bin"}) {
        writeBytes(dir / name, "");
    }
    EXPECT_EQ(highestHistogramFileNumber(dir.path()), 12);
    EXPECT_EQ(histogramFilePath(dir.path(), 12), dir / "histo0012.bin");
    EXPECT_EQ(rawFilePath(dir.path(), 12), dir / "12.bin");
}

TEST(ActivityFiles, AFailedWriteStopsTheBlockAndKeepsTheRotation) {
    TempDir dir;
    FileRotation rotation;
    CountsRecord counts;
    SampleBlock block;
    EXPECT_FALSE(appendBlockRecords(dir / "gone", rotation, &block, counts, 20.0, nullptr));
    EXPECT_EQ(rotation.blockCounter, 0);
    // Without the raw block and the histogram only counts.bin is written.
    ASSERT_TRUE(appendBlockRecords(dir.path(), rotation, nullptr, counts, 20.0, nullptr));
    EXPECT_EQ(sizeOf(dir / "counts.bin"), kCountsRecordBytes);
    EXPECT_FALSE(fs::exists(dir / "0.bin"));
    EXPECT_FALSE(fs::exists(dir / "histo0000.bin"));
    EXPECT_EQ(rotation.blockCounter, 1);
    EXPECT_THROW(appendBlockRecords(dir.path(), rotation, nullptr, counts, 4000.0, nullptr),
                 Overflow16Error);
    EXPECT_EQ(sizeOf(dir / "counts.bin"), kCountsRecordBytes);
}

}  // namespace
}  // namespace qv
