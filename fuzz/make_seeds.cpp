// Writes the seed corpus of every fuzz target into <folder>/<target>/: the installation data,
// files the program's own writers produce, and what the virtual instrument answers the device
// layer. Deterministic, so running it again after a format change shows a reviewable diff:
//
//   build/fuzz/fuzz/qv_fuzz_seeds fuzz/corpus
#include <cstdio>
#include <deque>
#include <random>
#include <utility>

#include "analysis/activity_files.h"
#include "common/clock.h"
#include "common/field_text.h"
#include "common/scripted_ui.h"
#include "sim/firmware.h"
#include "store/acquisition_description.h"
#include "store/calibration_values.h"
#include "store/project_setup.h"
#include "store/report_config.h"
#include "support/device_scenarios.h"
#include "support/fuzz_support.h"

using namespace qv;
namespace fs = std::filesystem;

namespace {

fs::path gOut;

void seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fuzz::writeBytes(gOut / target / name, bytes);
}

std::string data(const std::string& file) {
    return fuzz::readBytes(fuzz::installationData() / file);
}

// A file a writer made in a scratch folder.
template <typename Write>
std::string written(const std::string& file, Write write) {
    const fs::path folder = fuzz::freshScratch();
    write(folder);
    return fuzz::readBytes(folder / file);
}

std::string flagged(int flags, const std::vector<std::string>& parts) {
    return std::string(1, static_cast<char>(flags)) + fuzz::joinParts(parts);
}

void storeSeeds() {
    std::string ports;
    for (int p = 1; p <= 15; ++p) {
        ports += std::to_string(p) + "," + (p == 3 ? "1" : "0") + "\r\n";
    }
    seed("multitsk_dat", "port_3_held", ports);
    seed("multitsk_dat", "cut_short", ports.substr(0, 20));
    seed("config_dat", "installed", data("config.dat"));
    seed("config_dat", "project_3",
         "\"Config: <Actual_Project_Number>, <Last_Project>,<Serial_COM>,<Restart_Time>\"\r\n"
         "3,5,4,0\r\n");

    ProjectSetup project;
    project.Name = "Screen, plate 2";
    project.Plate_format = "w384";
    const std::string saved = written("setup.dat", [&](const fs::path& f) {
        // A folder written on another system, as users bring them.
        (void)saveProjectSettings(f, project, 1, "C:\\Quorvel\\p00001\\");
    });
    const std::string installed = data("setup.dat");
    const std::string shortSetup = "\"Project Setup: <Num_proj>,<Name>\"\r\n1,\"Cut\"\r\n";
    seed("setup_dat", "all_three", flagged(7, {saved, installed, saved}));
    seed("setup_dat", "bak_only", flagged(6, {"", saved, installed}));
    seed("setup_dat", "short_with_snapshot", flagged(5, {shortSetup, "", saved}));
    seed("setup_dat", "project_0", flagged(15, {installed, saved, saved}));
    seed("setup_dat", "show_without_writing", flagged(16 | 7, {shortSetup, saved, installed}));

    for (const char* f : {"status.dat", "threshld.dat", "groups.dat", "chgroup.dat"}) {
        seed("channel_files", f, data(f));
    }
    for (const char* f : {"w384.dat", "w96f.dat", "w96u.dat", "w48.dat", "w24.dat", "w6.dat",
                          "w96flat.dat", "w32_flytube.dat"}) {
        seed("plate_format", f, data(f));
    }

    const std::string subproj = written("subproj.dat", [](const fs::path& f) {
        writeAcquisitionDescription(f, "Run 1", "first line\r\nsecond line\r\nthird line");
    });
    seed("subproj_dat", "written", subproj);
    seed("subproj_dat", "name_only", "\"Night run\"\r\n");

    seed("tags_id_dat", "two_lines",
         fuzz::joinParts(
             {"20240614_1530 [K1][K2]\r\n20240615_0900 [K3]\r\n", "20240614_1530", "[K2]"}));
    seed("tags_id_dat", "clear", fuzz::joinParts({"20240614_1530 [K1]\r\n", "20240614_1530", ""}));

    seed("foldview_dat", "installed", data("foldview.dat"));
    seed("foldview_dat", "watched", "/tmp\r\n_folder2\r\n.\r\n_folder4\r\n_folder5\r\n");

    seed("repoconf_dat", "installed", data("repoconf.dat"));
    ReportConfig report;
    report.Bin = 60;
    report.spacer = ";";
    report.out_format = 2;
    ScriptedUi ui;
    seed("repoconf_dat", "user_defined",
         written("repoconf.dat", [&](const fs::path& f) { saveReportConfig(f, 1, report, ui); }));

    seed("calvalue_dat", "installed", data("calvalue.dat"));
    CalibrationValues cal;
    for (int c = 0; c < kCalibrationChannels; ++c) {
        cal.PinHole[c] = static_cast<std::int16_t>(c % 8);
        cal.Gain[c] = static_cast<std::int16_t>(c % 5);
    }
    seed("calvalue_dat", "read_back", written("calvalue.dat", [&](const fs::path& f) {
             writeCalibrationValues(f, cal, CalibrationHeader::ReadBack);
         }));

    seed("project_title", "short_with_snapshots",
         flagged(1, {shortSetup, "", "20240101_0900\n20231231_2300\nnotes", saved}));
    seed("project_title", "with_bak", flagged(3, {"", saved, "", ""}));
    seed("project_title", "whole", flagged(1, {saved, "", "20240614_1530", installed}));

    seed("acquisition_snapshot", "installed",
         fuzz::joinParts(
             {installed, data("groups.dat"), data("chgroup.dat"), subproj, data("w96f.dat")}));
}

// Counts records of a run: one a minute, counts that rise and fall, 25.0 degrees.
std::string countsFile(int records, std::uint32_t seedValue) {
    std::mt19937 rng(seedValue);
    std::string bytes;
    for (int n = 0; n < records; ++n) {
        CountsRecord r;
        r.minutes = n;
        for (int c = 0; c < 384; ++c) {
            r.counts[c] = static_cast<std::int16_t>(rng() % 40);
        }
        r.counts[kTemperatureSlot] = 250;
        bytes += encodeCountsRecord(r);
    }
    return bytes;
}

std::string histogramFile(int records) {
    std::string bytes;
    HistogramRecord h;
    for (int n = 0; n < records; ++n) {
        h.minutes = 0.25 * (n + 1);
        h.samplePeriod = 0.031;
        for (int c = 0; c < 384; ++c) {
            for (int b = 2; b < 50; ++b) {
                h.at(c, b) += (c + b + n) % 3;
            }
        }
        bytes += encodeHistogramRecord(h);
    }
    return bytes;
}

std::string rawFile(int rtBuffer, int blocks) {
    std::mt19937 rng(7);
    std::string bytes;
    for (int k = 0; k < blocks; ++k) {
        SampleBlock b(rtBuffer);
        for (int s = 0; s < rtBuffer; ++s) {
            for (int c = 0; c < 384; ++c) {
                b.at(c, s) = static_cast<std::int16_t>(1700 + static_cast<int>(rng() % 60));
            }
        }
        bytes += encodeRawBlock(b);
    }
    return bytes;
}

void activitySeeds() {
    const std::string counts = countsFile(12, 1);
    seed("counts_bin", "twelve_records", counts);
    seed("counts_bin", "cut_short", counts.substr(0, 5 * kCountsRecordBytes + 100));
    seed("offline_counts", "twelve_records", counts);
    seed("offline_counts", "cut_short", counts.substr(0, 5 * kCountsRecordBytes + 100));
    seed("histo_bin", "two_records", histogramFile(2));
    seed("histo_bin", "cut_short", histogramFile(1) + std::string(100, '\0'));
    seed("raw_bin", "rt3_two_blocks", std::string("\x03\x45", 2) + rawFile(3, 2));
    seed("raw_bin", "rt7_one_block", std::string("\x07\x81", 2) + rawFile(7, 1));

    const std::string subproj = "\"Dose 2\"\r\n\"\"\r\n";
    seed("report_folder", "rows",
         fuzz::joinParts({"0 30 0 0 0 0", countsFile(60, 2), "", "", subproj, "", ""}));
    seed("report_folder", "histogram",
         fuzz::joinParts(
             {"4 15 0 0 0 0", countsFile(40, 3), histogramFile(1), "0000\n0001", subproj, "", ""}));
    seed("report_folder", "snapshot_groups",
         fuzz::joinParts(
             {"2 30 0 0 0 0", countsFile(40, 6), "", "", subproj, "", "", data("chgroup.dat")}));
    seed("report_folder", "basal",
         fuzz::joinParts(
             {"1 10 1 1 1 3", countsFile(40, 4), "", "", subproj, countsFile(30, 5), "20"}));
    // Cancel, a word, a value out of range: the question comes back each time.
    seed("report_folder", "basal_cancelled",
         fuzz::joinParts({"0 10 1 0 0 0", countsFile(40, 4), "", "", subproj, countsFile(30, 5),
                          std::string(fuzz::kCancelInput) + "\nabc\n5"}));
}

// A stretch of raw samples the re-analysis target tiles into its N.bin files: not a whole
// number of sample rows, so each beam's level changes along the block, with dips now and then.
std::string rawPattern() {
    std::mt19937 rng(11);
    std::string bytes;
    for (int i = 0; i < 997; ++i) {
        int v = 1500 + static_cast<int>(rng() % 2000);
        if (rng() % 17 == 0) {
            v /= 2;
        }
        bytes += static_cast<char>(v & 0xff);
        bytes += static_cast<char>(v >> 8);
    }
    return bytes;
}

void reanalysisSeeds() {
    const std::string pattern = rawPattern();
    // Options: method+1 organism snr_x10 bin limit flags rt_choice blocks trailing stop_at.
    seed("reanalysis_folder", "keep_counts",
         fuzz::joinParts({"2 0 18 2 0 0 0 13 0 0", countsFile(13, 7), pattern}));
    seed("reanalysis_folder", "replace_with_marks",
         fuzz::joinParts({"1 0 25 5 0 3 0 12 0 0", countsFile(12, 8), pattern}));
    seed("reanalysis_folder", "drosophila_text_stopped",
         fuzz::joinParts({"4 3 8 10 0 8 0 8 0 5", countsFile(8, 9), pattern}));
    seed("reanalysis_folder", "limit_and_trailing_bytes",
         fuzz::joinParts({"3 1 30 3 6 65 3 15 100 0", countsFile(16, 10), pattern}));
    seed("reanalysis_folder", "blocks_too_short",
         fuzz::joinParts({"2 0 18 30 0 1 4 3 0 0", countsFile(3, 11), pattern}));
    seed("reanalysis_folder", "file_missing_in_the_middle",
         fuzz::joinParts({"2 0 18 30 0 17 0 13 0 0", countsFile(13, 12), pattern}));
    seed("reanalysis_folder", "own_snapshot",
         fuzz::joinParts({"2 0 18 30 0 1 0 4 0 0", countsFile(4, 13), pattern, data("setup.dat")}));
}

// A line on the virtual instrument that keeps each frame's reply, and every byte the host sent.
class RecordingLine : public device::InstrumentLine {
  public:
    RecordingLine(sim::Firmware& firmware, Clock& clock) : firmware_(firmware), clock_(clock) {}

    void receive(const device::Bytes& bytes) override {
        sent.insert(sent.end(), bytes.begin(), bytes.end());
        firmware_.receive(bytes);
        replies.push_back(firmware_.takeOutput(clock_.monotonicMs()));
        ready_.insert(ready_.end(), replies.back().begin(), replies.back().end());
    }
    device::Bytes takeOutput(std::int64_t) override { return std::exchange(ready_, {}); }
    std::optional<std::int64_t> nextOutputAt() const override { return std::nullopt; }

    std::vector<device::Bytes> replies;
    device::Bytes sent;

  private:
    sim::Firmware& firmware_;
    Clock& clock_;
    device::Bytes ready_;
};

// The replies in the FuzzLine's form, none delayed.
std::string lineInput(int choices, const std::vector<device::Bytes>& replies) {
    std::string out(1, static_cast<char>(choices));
    for (const device::Bytes& r : replies) {
        const int n = static_cast<int>(r.size());
        int control = 0xC0 | n;
        if (n <= 7) {
            control = n;
        } else if (n >= 44 && n <= 51) {
            control = 0x40 | (n - 44);
        } else if (n >= 188 && n <= 195) {
            control = 0x80 | (n - 188);
        } else if (n > 63) {
            std::fprintf(stderr, "qv_fuzz_seeds: a reply of %d bytes has no form\n", n);
            std::exit(1);
        }
        out += static_cast<char>(control);
        out.append(r.begin(), r.end());
    }
    return out;
}

// The host's bytes in the firmware target's chunks: one frame each, 30 ms apart.
std::string simInput(const device::Bytes& sent) {
    std::string out(1, '\0');
    for (std::size_t at = 0; at < sent.size(); at += 5) {
        const std::size_t n = std::min<std::size_t>(5, sent.size() - at);
        out += static_cast<char>(0x40 | n);
        out.append(sent.begin() + static_cast<std::ptrdiff_t>(at),
                   sent.begin() + static_cast<std::ptrdiff_t>(at + n));
    }
    return out;
}

void deviceSeeds() {
    for (int choices : {0x00, 0x55, 0xAA}) {
        TestClock clock;
        sim::Firmware firmware(clock, sim::InstrumentConfig{});
        RecordingLine line(firmware, clock);
        fuzz::deviceScenario(line, clock, choices);
        seed("device_replies", "instrument_" + std::to_string(choices),
             lineInput(choices, line.replies));
        seed("sim_frames", "connect_" + std::to_string(choices), simInput(line.sent));
    }
    for (int choices : {0, 1, 4}) {
        TestClock clock;
        sim::Firmware firmware(clock, sim::InstrumentConfig{});
        RecordingLine line(firmware, clock);
        fuzz::blockScenario(line, clock, choices, [] { return true; });
        seed("block_reply", "instrument_" + std::to_string(choices),
             lineInput(choices, line.replies));
        seed("sim_frames", "acquire_" + std::to_string(choices), simInput(line.sent));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    gOut = argv[1];
    storeSeeds();
    activitySeeds();
    reanalysisSeeds();
    deviceSeeds();
    return 0;
}
