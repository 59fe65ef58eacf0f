#include "store/report_config.h"

#include <algorithm>
#include <system_error>

#include "common/field_text.h"
#include "common/file_util.h"
#include "common/list_separator.h"

namespace qv {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "repoconf.dat";
constexpr const char* kHeader =
    "<User_defined>, <Bin>, <filetype>, <spacer>, <stdError>, <stdDev>, <n>, <out_format>, "
    "<organism>, <method>, <threshold>, <rawexport>";

// A field outside its range takes its default; the others keep what was read.
void keepInRange(std::int16_t& field, int lo, int hi, std::int16_t fallback) {
    if (field < lo || field > hi) {
        field = fallback;
    }
}

void validate(ReportConfig& c, std::int16_t U) {
    const ReportConfig d;
    keepInRange(c.User_defined, 0, 1, U);
    keepInRange(c.Bin, 2, 1440, d.Bin);
    keepInRange(c.filetype, 0, 1, d.filetype);
    keepInRange(c.stdError, 0, 1, d.stdError);
    keepInRange(c.stdDev, 0, 1, d.stdDev);
    keepInRange(c.n, 0, 1, d.n);
    keepInRange(c.out_format, 0, 3, d.out_format);
    keepInRange(c.organism, 0, 3, d.organism);
    keepInRange(c.method, 0, 2, d.method);
    keepInRange(c.threshold, 5, 30, d.threshold);
    keepInRange(c.rawexport, 0, 1, d.rawexport);
}

// Reads into a copy so that a file failing half way leaves nothing of itself behind.
bool readFields(const fs::path& file, ReportConfig& out) {
    auto r = FieldReader::open(file);
    if (!r) {
        return false;
    }
    ReportConfig c = out;
    r->skipField();
    r->int16(c.User_defined);
    r->int16(c.Bin);
    r->int16(c.filetype);
    r->text(c.spacer);
    for (std::int16_t* f : {&c.stdError, &c.stdDev, &c.n, &c.out_format, &c.organism, &c.method,
                            &c.threshold, &c.rawexport}) {
        r->int16(*f);
    }
    if (r->failed()) {
        return false;
    }
    out = c;
    return true;
}

}  // namespace

std::string reportListSeparator() {
    std::string sep = systemListSeparator();
    return sep.empty() ? "," : sep;
}

void setReportDefaults(ReportConfig& config, std::string_view listSeparator) {
    ReportConfig d;
    d.User_defined = config.User_defined;
    d.spacer = listSeparator.empty() ? "," : std::string(listSeparator);
    config = d;
}

std::int16_t loadReportConfig(const fs::path& applicationFolder, std::int16_t U,
                              ReportConfig& config, std::string_view listSeparator, Ui& ui) {
    const fs::path file = applicationFolder / kFileName;
    std::error_code ec;
    if (fs::exists(file, ec) && U != 0) {
        if (readFields(file, config)) {
            validate(config, U);
            return config.User_defined;
        }
        ui.message("Error loading repoconf.dat -> Using Default values");
        setReportDefaults(config, listSeparator);
        config.User_defined = 0;
        saveReportConfig(applicationFolder, 0, config, ui);
        return 0;
    }
    setReportDefaults(config, listSeparator);
    config.User_defined = U;
    saveReportConfig(applicationFolder, U, config, ui);
    return U;
}

bool saveReportConfig(const fs::path& applicationFolder, std::int16_t U, const ReportConfig& config,
                      Ui& ui) {
    // A double quote would end the quoted field early and shift every field after it.
    std::string spacer = config.spacer;
    spacer.erase(std::remove(spacer.begin(), spacer.end(), '"'), spacer.end());
    FieldWriter w;
    w.text(kHeader).endRecord();
    w.number(std::int64_t{U}).number(std::int64_t{config.Bin});
    w.number(std::int64_t{config.filetype}).text(spacer);
    for (std::int16_t f : {config.stdError, config.stdDev, config.n, config.out_format,
                           config.organism, config.method, config.threshold, config.rawexport}) {
        w.number(std::int64_t{f});
    }
    w.endRecord();
    if (!writeFileAtomic(applicationFolder / kFileName, w.str())) {
        ui.message("Error Writing Report Configuration (repoconf.dat)");
        return false;
    }
    return true;
}

}  // namespace qv
