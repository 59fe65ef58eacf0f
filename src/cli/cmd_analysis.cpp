// quorvel-tool detect and inspect: one-block detection on a stored raw file, and the
// activity files of an acquisition folder as JSON.
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

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
    std::size_t record = 0;
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
    std::optional<SampleBlock> block = readRawBlock(o.file, o.rtBuffer, o.record);
    if (!block) {
        ctx.ui.message("No whole record " + std::to_string(o.record) + " of " +
                       std::to_string(rawRecordBytes(o.rtBuffer)) + " bytes in " + o.file);
        ctx.exitCode = 2;
        return;
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
        std::cout << out.dump(2) << '\n';
    } catch (const std::exception& e) {
        // An overflow or a bad block: the call counted nothing, which is not a count of 0.
        ctx.ui.message(std::string("Detection failed: ") + e.what());
        ctx.exitCode = 1;
    }
}

void addDetect(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<DetectOptions>();
    CLI::App* cmd = app.add_subcommand(
        "detect", "Activity detection of one channel of one record of a raw sample file (N.bin)");
    cmd->add_option("FILE", o->file, "raw sample file")->required()->check(CLI::ExistingFile);
    cmd->add_option("--record", o->record, "record number, from 0")->required();
    cmd->add_option("--channel", o->channel, "channel 0..383")
        ->required()
        ->check(CLI::Range(0, 383));
    cmd->add_option("--method", o->method, "detection method 0..3 (others clip and count 0)")
        ->required()
        ->check(CLI::Range(-32768, 32767));
    cmd->add_option("--snr", o->snr, "signal-to-noise threshold")->required();
    cmd->add_option("--histogram", o->histogramThreshold,
                    "also the period histogram with this threshold");
    cmd->add_option("--rt-buffer", o->rtBuffer, "samples per block (RT_Buffer)")
        ->capture_default_str()
        ->check(CLI::Range(SampleBlock::kDetectionSamples - 1, 32766));
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

// "A:B" (B exclusive), "A:", ":B" or "A"; clamped to the records present.
bool parseRange(const std::string& text, std::size_t count, std::size_t& first, std::size_t& last) {
    first = 0;
    last = count;
    if (text.empty()) {
        return true;
    }
    try {
        const auto colon = text.find(':');
        const std::string a = text.substr(0, colon);
        const std::string b = colon == std::string::npos ? "" : text.substr(colon + 1);
        if (!a.empty())
            first = std::stoul(a);
        if (colon == std::string::npos)
            last = first + 1;
        else if (!b.empty())
            last = std::stoul(b);
    } catch (const std::exception&) {
        return false;
    }
    last = std::min(last, count);
    first = std::min(first, last);
    return true;
}

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

template <typename Records, typename ToJson>
void printRecords(const InspectOptions& o, const char* kind, std::size_t recordBytes,
                  const Records& records, std::size_t trailing, ToJson toJson, ToolContext& ctx) {
    std::size_t first = 0, last = 0;
    if (!parseRange(o.records, records.size(), first, last)) {
        ctx.ui.message("Invalid record range: " + o.records + " (use A:B, A:, :B or A)");
        ctx.exitCode = 2;
        return;
    }
    json list = json::array();
    for (std::size_t n = first; n < last; ++n) {
        json item = toJson(records[n]);
        item["index"] = n;
        list.push_back(std::move(item));
    }
    json out = {{"file", o.file},
                {"kind", kind},
                {"record_bytes", recordBytes},
                {"record_count", records.size()},
                {"trailing_bytes", trailing},
                {"first_record", first},
                {"records", list}};
    std::cout << out.dump() << '\n';
}

void runInspect(const InspectOptions& o, ToolContext& ctx) {
    const std::optional<FileKind> kind = kindOf(o.file, o.kind);
    if (!kind) {
        ctx.ui.message("Not an activity file name (counts.bin, histoNNNN.bin, N.bin): " + o.file +
                       "; use --kind");
        ctx.exitCode = 2;
        return;
    }
    auto unreadable = [&] {
        ctx.ui.message("Cannot read " + o.file);
        ctx.exitCode = 2;
    };
    if (*kind == FileKind::Counts) {
        const auto f = readCountsFile(o.file);
        if (!f)
            return unreadable();
        printRecords(o, "counts", kCountsRecordBytes, f->records, f->trailingBytes, countsJson,
                     ctx);
    } else if (*kind == FileKind::Histogram) {
        const auto f = readHistogramFile(o.file);
        if (!f)
            return unreadable();
        printRecords(o, "histogram", kHistogramRecordBytes, f->records, f->trailingBytes,
                     histogramJson, ctx);
    } else {
        const auto f = readRawFile(o.file, o.rtBuffer);
        if (!f)
            return unreadable();
        printRecords(o, "raw", rawRecordBytes(o.rtBuffer), f->blocks, f->trailingBytes, rawJson,
                     ctx);
    }
}

void addInspect(CLI::App& app, ToolContext& ctx) {
    auto o = std::make_shared<InspectOptions>();
    CLI::App* cmd = app.add_subcommand(
        "inspect", "Records of counts.bin, histoNNNN.bin or a raw sample file N.bin as JSON");
    cmd->add_option("FILE", o->file, "activity file")->required();
    cmd->add_option("--records", o->records, "records A:B (B exclusive), A:, :B or A");
    cmd->add_option("--kind", o->kind, "file kind when the name does not tell")
        ->check(CLI::IsMember({"counts", "histogram", "raw"}));
    cmd->add_option("--rt-buffer", o->rtBuffer, "samples per block (RT_Buffer) of a raw file")
        ->capture_default_str()
        ->check(CLI::Range(1, 32766));
    cmd->callback([o, &ctx] { runInspect(*o, ctx); });
}

}  // namespace

void addAnalysisCommands(CLI::App& app, ToolContext& ctx) {
    addDetect(app, ctx);
    addInspect(app, ctx);
}

}  // namespace qv::cli
