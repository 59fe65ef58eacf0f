// The raw sample files N.bin as the activity-file readers read them, and the chN.raw marks
// line that detection appends for a block read from one.
//
// Input: one byte whose low three bits give RT_Buffer (0..7, so records stay small), one byte
// for the detection (channel, method), then the file's bytes. The first 64 file bytes also
// stand as an earlier content of the marks file, which the append must keep.
#include <algorithm>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

// "<block number> " then 500 flags "0" or "1", then CR LF.
void checkMarksLine(const std::string& line, std::int32_t blockNumber, int count) {
    const std::string lead = std::to_string(blockNumber) + " ";
    fuzz::check(line.size() == lead.size() + 500 + 2, "marks line of the wrong length");
    fuzz::check(line.starts_with(lead) && line.ends_with("\r\n"), "marks line badly framed");
    const std::string flags = line.substr(lead.size(), 500);
    fuzz::check(flags.find_first_not_of("01") == std::string::npos, "marks line holds no flags");
    fuzz::check(std::count(flags.begin(), flags.end(), '1') == count,
                "marks line flags differ from the count");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const int rtBuffer = data[0] & 7;
    const int channel = (data[1] * 3) % SampleBlock::kBeams;
    const auto method = static_cast<std::int16_t>((data[1] >> 6) & 3);
    const std::string bytes(fuzz::asText(data + 2, size - 2));
    const fs::path folder = fuzz::freshScratch();
    fuzz::writeBytes(rawFilePath(folder, 0), bytes);
    const std::string earlierMarks = bytes.substr(0, std::min<std::size_t>(bytes.size(), 64));
    fuzz::writeBytes(marksFilePath(folder, channel), earlierMarks);
    const auto before = fuzz::snapshot(folder);

    const std::size_t recordBytes = rawRecordBytes(rtBuffer);
    std::optional<RawFile> file;
    fuzz::mustNotThrow("readRawFile",
                       [&] { file = readRawFile(rawFilePath(folder, 0), rtBuffer); });
    fuzz::check(file.has_value(), "an existing raw file did not read");
    fuzz::check(file->blocks.size() == bytes.size() / recordBytes, "wrong record count");
    fuzz::check(file->trailingBytes == bytes.size() % recordBytes, "wrong trailing size");
    for (std::size_t k = 0; k <= file->blocks.size(); ++k) {
        std::optional<SampleBlock> one;
        fuzz::mustNotThrow("readRawBlock",
                           [&] { one = readRawBlock(rawFilePath(folder, 0), rtBuffer, k); });
        if (k == file->blocks.size()) {
            fuzz::check(!one.has_value(), "readRawBlock read past the last whole record");
            continue;
        }
        fuzz::check(one.has_value() && *one == file->blocks[k], "the two raw readers disagree");
        fuzz::check(encodeRawBlock(*one) == bytes.substr(k * recordBytes, recordBytes),
                    "a raw record does not encode back to its bytes");
    }
    fuzz::expectUnchanged(before, fuzz::snapshot(folder), "the raw file readers");
    if (file->blocks.empty()) {
        return 0;
    }

    // Detection needs 500 samples a channel: the record's samples repeat to fill the block.
    const SampleBlock& raw = file->blocks.front();
    SampleBlock block;
    for (int s = 0; s <= block.rtBuffer(); ++s) {
        for (int c = 0; c < SampleBlock::kChannels; ++c) {
            block.at(c, s) = raw.at(c, s % raw.samplesPerChannel());
        }
    }
    ActivityDetector detector;
    const std::int32_t blockNumber = raw.at(channel, 0) * 7;
    int count = -1;
    try {
        count = detector.DetectActivity(block, static_cast<std::int16_t>(channel), 1.8, method, 1,
                                        folder, blockNumber);
    } catch (const Overflow16Error&) {
    } catch (const DetectionError&) {
    }
    const std::string marks = fuzz::readBytes(marksFilePath(folder, channel));
    fuzz::check(marks.starts_with(earlierMarks), "the marks file lost what it held");
    if (count < 0) {
        fuzz::check(marks == earlierMarks, "a failed detection wrote a marks line");
        return 0;
    }
    checkMarksLine(marks.substr(earlierMarks.size()), blockNumber, count);
    return 0;
}
