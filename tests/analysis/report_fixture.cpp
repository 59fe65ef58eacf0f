#include "analysis/report_fixture.h"

#include "common/field_text.h"
#include "support/temp_dir.h"

namespace qv::testing {

namespace {

void put16(std::string& out, int v) {
    const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
}

}  // namespace

std::string encodeCounts(const std::vector<CountsFileRecord>& records) {
    std::string out;
    for (const auto& r : records) {
        const auto m = static_cast<std::uint32_t>(r.minutes);
        for (int i = 0; i < 4; ++i) {
            out += static_cast<char>((m >> (8 * i)) & 0xFF);
        }
        for (auto c : r.counts) {
            put16(out, c);
        }
        put16(out, r.temperature);
    }
    return out;
}

std::vector<CountsFileRecord> makeRecords(const std::vector<int>& minutes,
                                          const std::function<int(int, int)>& count) {
    std::vector<CountsFileRecord> out(minutes.size());
    for (std::size_t i = 0; i < minutes.size(); ++i) {
        out[i].minutes = minutes[i];
        for (int c = 0; c < kChannels; ++c) {
            out[i].counts[c] = static_cast<std::int16_t>(count(static_cast<int>(i), c));
        }
        out[i].temperature = 215;
    }
    return out;
}

std::vector<CountsFileRecord> everyMinute(int lastMinute,
                                          const std::function<int(int, int)>& count) {
    std::vector<int> minutes;
    for (int m = 0; m <= lastMinute; ++m) {
        minutes.push_back(m);
    }
    return makeRecords(minutes, count);
}

void writePlateFormat(const std::filesystem::path& appFolder, const std::string& code) {
    FieldWriter w;
    const bool w384 = code == "w384";
    w.text(code).endRecord();
    w.text("<Rows>,<Row pitch>,<Row offset>,<Columns>,<Column pitch>,<Column offset>").endRecord();
    w.number(std::int64_t{w384 ? 16 : 8}).number(w384 ? 1.0 : 2.0).number(w384 ? 0.0 : -0.5);
    w.number(std::int64_t{w384 ? 24 : 12}).number(w384 ? 1.0 : 2.0).number(0.0).endRecord();
    w.text("<Channel>,<Well>,<Beam>").endRecord();
    int nextWell = 0;
    for (int c = 0; c < 24; ++c) {
        for (int r = 0; r < 16; ++r) {
            int well = -1, beam = 0;
            if (w384) {
                well = c * 16 + r;
            } else if (r % 2 == 0) {
                well = c % 2 == 0 ? nextWell++ : (c - 1) / 2 * 8 + r / 2;
                beam = c % 2;
            }
            w.text(std::string(1, static_cast<char>('A' + r)) + std::to_string(c + 1));
            w.number(std::int64_t{well}).number(std::int64_t{beam}).endRecord();
        }
    }
    writeBytes(appFolder / (code + ".dat"), w.str());
}

void AcquisitionFixture::write(const std::filesystem::path& folder,
                               const std::vector<CountsFileRecord>& records) const {
    FieldWriter s;
    s.text("Project Setup: <Num_proj>,<Name>,<Working_folder>,<Plate_format>").endRecord();
    s.number(std::int64_t{3}).text("Larvae").text("C:\\quorvel\\p00003\\").text(plateFormat);
    s.endRecord();
    s.text("<Aq_mode>,<Aq_lapse>,<Sample_Rate>,<RT_Buffer>,<DSP_Method>,<DSP_Interval>");
    s.endRecord();
    for (int v : {1, 30, 99, rtBuffer, dspMethod, 30}) {
        s.number(std::int64_t{v});
    }
    s.endRecord().text("<Binary_Acq>,...").endRecord();
    for (int v : {1, 300, 80, 1, 1, 1}) {
        s.number(std::int64_t{v});
    }
    s.endRecord().text("Tools: ...").endRecord();
    for (int v : {1, 0, 0, 0, 0, 0}) {
        s.number(std::int64_t{v});
    }
    s.endRecord().text("Mn1: <Organism>, <Enab_Cal>, <Enab_Zero>, <SNRx10>,,").endRecord();
    for (int v : {organism, 1, 1, snrx10, 0, 0}) {
        s.number(std::int64_t{v});
    }
    s.endRecord();
    for (int i = 2; i <= 6; ++i) {
        s.text("Mn" + std::to_string(i) + ": ,,,,,").endRecord();
        for (int k = 0; k < 6; ++k) {
            s.number(std::int64_t{0});
        }
        s.endRecord();
    }
    writeBytes(folder / "setup.dat", s.str());
    if (writeGroupsFile) {
        FieldWriter g;
        g.text("<Group_Number>, <Group_Name>").endRecord();
        for (int i = 0; i < kChannels; ++i) {
            const std::string n = i < static_cast<int>(groupNames.size()) ? groupNames[i] : "Free";
            g.number(std::int64_t{i}).text(n).endRecord();
        }
        writeBytes(folder / "groups.dat", g.str());
    }
    FieldWriter cg;
    cg.text("<Channel>, <Group: -1=Free>").endRecord();
    for (int c = 0; c < kChannels; ++c) {
        const int group = channelGroups.empty() ? c / 128 : channelGroups[c];
        cg.number(std::int64_t{c}).number(std::int64_t{group}).endRecord();
    }
    writeBytes(folder / "chgroup.dat", cg.str());
    if (!name.empty()) {
        FieldWriter sp;
        sp.text(name).endRecord().text("first run").endRecord();
        writeBytes(folder / "subproj.dat", sp.str());
    }
    writeBytes(folder / "counts.bin", encodeCounts(records));
}

}  // namespace qv::testing
