// quorvel-tool detect and inspect: one-block detection on a stored raw file, and the
// activity files of an acquisition folder as JSON.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include <nlohmann/json.hpp>

#include "analysis/activity_detection.h"
#include "analysis/activity_files.h"
#include "cli/commands.h"

namespace qv::cli {

namespace fs = std::filesystem;
using nlohmann::json;

namespace {

struct DetectOptions {
    std::string file;
    std::int64_t record = 0;
    int channel = 0;
    int method = 1;
    double snr = 1.8;
    std::optional<double> histogramThreshold;
    int rtBuffer = SampleBlock::kDefaultRtBuffer;
};

json detectionJson(const ActivityDetector& d, const SampleBlock& block, int channel,
                   std::int16_t count) {
    json clipped = json::array();
    json trace = json::array();
    for (int s = 0; s < SampleBlock::kDetectionSamples; ++s) {
        clipped.push_back(block.at(channel, s));
        trace.push_back(d.ThresholdTrace[static_cast<std::size_t>(s)]);
    }
    return {{"count", count},
            {"clipped", clipped},
            {"threshold_trace", trace},
            {"marks", std::string(d.marks())}};
}

void runDetect(const DetectOptions& o, ToolContext& ctx) {
    const auto record = static_cast<std::size_t>(o.record);
    std::optional<SampleBlock> block = readRawBlock(o.file, o.rtBuffer, record);
    if (!block) {
        std::error_code ec;
        const auto bytes = fs::file_size(o.file, ec);
        throw UsageError("No whole record " + std::to_string(o.record) + " of " +
                         std::to_string(rawRecordBytes(o.rtBuffer)) + " bytes in " +
                         jsonPath(o.file) + " (" +
                         (ec ? std::string("unreadable")
                             : std::to_string(bytes / rawRecordBytes(o.rtBuffer)) + " records") +
                         ")");
    }
    ActivityDetector d;
    const auto channel = static_cast<std::int16_t>(o.channel);
    try {
        const std::int16_t count =
            d.DetectActivity(*block, channel, o.snr, static_cast<std::int16_t>(o.method), 0, {}, 0);
        json out = detectionJson(d, *block, channel, count);
        if (o.histogramThreshold) {
            PeriodHistogramBins bins{};
            d.PeriodHistogram(*block, channel, bins, *o.histogramThreshold);
            out["histogram"] = bins;
        }
        printJson(out);
    } catch (const std::exception& e) {
        // An overflow or a bad block: the call counted nothing, which is not a count of 0.
        ctx.fail(std::string("Detection failed: ") + e.what());
    }
}

void addDetect(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<DetectOptions>();
    CLI::App* cmd = app.add_subcommand(
        "detect", "Activity detection of one channel of one record of a raw sample file (N.bin)");
    cmd->add_option("FILE", o->file, "raw sample file")->required()->check(CLI::ExistingFile);
    cmd->add_option("--record", o->record, "record number, from 0")
        ->required()
        ->check(CLI::Range(std::int64_t{0}, std::numeric_limits<std::int64_t>::max()));
    cmd->add_option("--channel", o->channel, "channel 0..383")
        ->required()
        ->check(CLI::Range(0, 383));
    cmd->add_option("--method", o->method,
                    "detection method 0..3; any other 16-bit value clips and counts 0")
        ->required()
        ->check(CLI::Range(-32768, 32767));
    cmd->add_option("--snr", o->snr,
                    "signal-to-noise threshold, 0..100 (the windows take 1.1..6, and 0.5..1 "
                    "for method 3)")
        ->required()
        ->check(CLI::Range(0.0, 100.0));
    cmd->add_option("--histogram", o->histogramThreshold,
                    "also the period histogram, with this threshold, -32768..32767")
        ->check(CLI::Range(-32768.0, 32767.0));
    cmd->add_option("--rt-buffer", o->rtBuffer, "samples per block (RT_Buffer), 499..32766")
        ->capture_default_str()
        ->check(CLI::Range(SampleBlock::kDetectionSamples - 1, 32766));
    ctx.trial(cmd, "{raw} --record 0 --channel 0 --method 1 --snr 1.8");
    cmd->callback([o, &ctx] { runDetect(*o, ctx); });
}

// --- inspect

enum class FileKind { Counts, Histogram, Raw };

std::optional<FileKind> kindOf(const fs::path& file, const std::string& forced) {
    if (forced == "counts")
        return FileKind::Counts;
    if (forced == "histogram")
        return FileKind::Histogram;
    if (forced == "raw")
        return FileKind::Raw;
    const std::string name = file.filename().string();
    if (name == "counts.bin")
        return FileKind::Counts;
    if (name.starts_with("histo") && name.ends_with(".bin"))
        return FileKind::Histogram;
    const std::string stem = file.stem().string();
    if (file.extension() == ".bin" && !stem.empty() &&
        stem.find_first_not_of("0123456789") == std::string::npos) {
        return FileKind::Raw;
    }
    return std::nullopt;
}

// "A:B" (B exclusive), "A:", ":B" or "A", in digits.
struct RecordRange {
    std::optional<std::uint64_t> first;
    std::optional<std::uint64_t> end;
    bool single = false;
};

std::optional<std::uint64_t> parseIndex(const std::string& text) {
    if (text.empty() || text.size() > 18 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(text);
}

std::optional<RecordRange> parseRange(const std::string& text) {
    RecordRange r;
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        r.first = parseIndex(text);
        r.single = true;
        return r.first ? std::optional(r) : std::nullopt;
    }
    const std::string a = text.substr(0, colon);
    const std::string b = text.substr(colon + 1);
    if ((!a.empty() && !(r.first = parseIndex(a))) || (!b.empty() && !(r.end = parseIndex(b)))) {
        return std::nullopt;
    }
    if (r.first && r.end && *r.first > *r.end) {
        return std::nullopt;
    }
    return r;
}

const CLI::Validator kRecordRange(
    [](std::string& text) {
        return parseRange(text) ? std::string()
                                : "Invalid record range: " + text +
                                      " (use A:B with A <= B, A:, :B or A, records from 0)";
    },
    "RANGE");

json countsJson(const CountsRecord& r) {
    return {{"minutes", r.minutes},
            {"counts", std::vector<std::int16_t>(r.counts.begin(), r.counts.begin() + 384)},
            {"temperature_x10", r.temperatureX10()}};
}

json histogramJson(const HistogramRecord& r) {
    json channels = json::array();
    for (int c = 0; c < kCountSlots; ++c) {
        std::vector<std::int32_t> bins;
        for (int b = 0; b < kHistogramBinsStored; ++b) {
            bins.push_back(r.at(c, b));
        }
        channels.push_back(bins);
    }
    return {{"minutes", r.minutes}, {"sample_period", r.samplePeriod}, {"channels", channels}};
}

json rawJson(const SampleBlock& block) {
    json channels = json::array();
    for (int c = 0; c < SampleBlock::kChannels; ++c) {
        std::vector<std::int16_t> samples;
        for (int s = 0; s < block.samplesPerChannel(); ++s) {
            samples.push_back(block.at(c, s));
        }
        channels.push_back(samples);
    }
    return {{"channels", channels}};
}

struct InspectOptions {
    std::string file;
    std::string records;
    std::string kind;
    int rtBuffer = SampleBlock::kDefaultRtBuffer;
};

struct KindInfo {
    const char* name;
    std::size_t recordBytes;
    std::function<json(std::string_view)> decode;
};

KindInfo kindInfo(FileKind kind, int rtBuffer) {
    switch (kind) {
        case FileKind::Counts:
            return {"counts", kCountsRecordBytes,
                    [](std::string_view b) { return countsJson(decodeCountsRecord(b)); }};
        case FileKind::Histogram:
            return {"histogram", kHistogramRecordBytes,
                    [](std::string_view b) { return histogramJson(decodeHistogramRecord(b)); }};
        case FileKind::Raw:
            break;
    }
    return {"raw", rawRecordBytes(rtBuffer),
            [rtBuffer](std::string_view b) { return rawJson(decodeRawBlock(b, rtBuffer)); }};
}

// The records asked for, within the file; a range that starts beyond it is refused.
std::pair<std::size_t, std::size_t> recordsAskedFor(const InspectOptions& o, std::size_t count) {
    const RecordRange r = o.records.empty() ? RecordRange{} : *parseRange(o.records);
    const std::size_t first = r.first ? static_cast<std::size_t>(*r.first) : 0;
    if (first > count || (r.single && first >= count)) {
        throw UsageError("--records " + o.records + ": the file holds " + std::to_string(count) +
                         " records (0.." +
                         (count == 0 ? std::string("none") : std::to_string(count - 1)) + ")");
    }
    std::size_t end = r.single ? first + 1 : count;
    if (r.end) {
        end = std::min<std::size_t>(count, static_cast<std::size_t>(*r.end));
    }
    return {first, end};
}

// Streams the records one by one: a file of gigabytes costs one record of memory.
void runInspect(const InspectOptions& o, ToolContext& ctx) {
    const std::optional<FileKind> kind = kindOf(o.file, o.kind);
    if (!kind) {
        throw UsageError("Not an activity file name (counts.bin, histoNNNN.bin, N.bin): " +
                         jsonPath(o.file) + "; use --kind");
    }
    const KindInfo info = kindInfo(*kind, o.rtBuffer);
    std::error_code ec;
    const std::uintmax_t bytes = fs::file_size(o.file, ec);
    std::ifstream in(o.file, std::ios::binary);
    if (ec || !in) {
        return ctx.fail("Cannot read " + jsonPath(o.file));
    }
    const RecordSpan span = recordSpan(bytes, info.recordBytes);
    const auto [first, end] = recordsAskedFor(o, span.records);
    json head = {{"file", jsonPath(o.file)},
                 {"kind", info.name},
                 {"record_bytes", info.recordBytes},
                 {"record_count", span.records},
                 {"trailing_bytes", span.trailingBytes},
                 {"first_record", first},
                 {"end_record", end}};
    std::string text = head.dump(-1, ' ', false, json::error_handler_t::replace);
    text.pop_back();
    std::cout << text << ",\"records\":[";
    std::string buffer(info.recordBytes, '\0');
    bool readAll = true;
    for (std::size_t n = first; n < end; ++n) {
        in.seekg(static_cast<std::streamoff>(n * info.recordBytes));
        if (!in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()))) {
            readAll = false;
            break;
        }
        json item = info.decode(buffer);
        item["index"] = n;
        std::cout << (n > first ? "," : "") << item.dump();
    }
    std::cout << "]}\n" << std::flush;
    if (!readAll) {
        ctx.fail("Cannot read every record asked for from " + jsonPath(o.file));
    }
}

void addInspect(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<InspectOptions>();
    CLI::App* cmd = app.add_subcommand(
        "inspect", "Records of counts.bin, histoNNNN.bin or a raw sample file N.bin as JSON");
    cmd->add_option("FILE", o->file, "activity file")->required()->check(CLI::ExistingFile);
    cmd->add_option("--records", o->records,
                    "records A:B (from A to before B; a B past the end stops at the end), A:, "
                    ":B or A (default: all)")
        ->check(kRecordRange);
    cmd->add_option("--kind", o->kind, "counts, histogram or raw, when the name does not tell")
        ->check(CLI::IsMember({"counts", "histogram", "raw"}));
    cmd->add_option("--rt-buffer", o->rtBuffer,
                    "samples per block (RT_Buffer) of a raw file, 1..32766")
        ->capture_default_str()
        ->check(CLI::Range(1, 32766));
    ctx.trial(cmd, "{counts} --records 0:2");
    cmd->callback([o, &ctx] { runInspect(*o, ctx); });
}

}  // namespace

void addAnalysisCommands(CLI::App& app, ToolContext& ctx) {
    addDetect(app, ctx);
    addInspect(app, ctx);
}

}  // namespace qv::cli
