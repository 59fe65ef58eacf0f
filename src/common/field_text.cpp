#include "common/field_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "common/file_util.h"
#include "common/rounding.h"

namespace qv {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

}  // namespace

FieldReader::FieldReader(std::string content) : data_(std::move(content)) {}

std::optional<FieldReader> FieldReader::open(const std::filesystem::path& path) {
    auto bytes = readFile(path);
    if (!bytes) {
        return std::nullopt;
    }
    return FieldReader(std::move(*bytes));
}

bool FieldReader::atEnd() const {
    for (std::size_t i = pos_; i < data_.size(); ++i) {
        const char c = data_[i];
        if (!isBlank(c) && !isLineEnd(c) && c != '\x1a') {
            return false;
        }
    }
    return true;
}

bool FieldReader::fail() {
    failed_ = true;
    return false;
}

std::optional<std::string> FieldReader::nextField() {
    if (pos_ >= data_.size()) {
        return std::nullopt;
    }
    while (pos_ < data_.size() && isBlank(data_[pos_])) {
        ++pos_;
    }
    std::string field;
    if (pos_ < data_.size() && data_[pos_] == '"') {
        const std::size_t close = data_.find('"', pos_ + 1);
        const std::size_t end = close == std::string::npos ? data_.size() : close;
        field = data_.substr(pos_ + 1, end - pos_ - 1);
        pos_ = close == std::string::npos ? data_.size() : close + 1;
        // Whatever stands between the closing quote and the delimiter is dropped.
        while (pos_ < data_.size() && data_[pos_] != ',' && !isLineEnd(data_[pos_])) {
            ++pos_;
        }
    } else {
        const std::size_t start = pos_;
        while (pos_ < data_.size() && data_[pos_] != ',' && !isLineEnd(data_[pos_])) {
            ++pos_;
        }
        field = std::string(trimBlanks(std::string_view(data_).substr(start, pos_ - start)));
    }
    // Consume the delimiter: one comma, or one line end (CR LF counts as one).
    if (pos_ < data_.size()) {
        if (data_[pos_] == ',') {
            ++pos_;
        } else if (data_[pos_] == '\r') {
            ++pos_;
            if (pos_ < data_.size() && data_[pos_] == '\n') {
                ++pos_;
            }
        } else if (data_[pos_] == '\n') {
            ++pos_;
        }
    }
    return field;
}

bool FieldReader::text(std::string& out) {
    auto f = nextField();
    if (!f) {
        return fail();
    }
    out = std::move(*f);
    return true;
}

bool FieldReader::skipField() {
    std::string ignored;
    return text(ignored);
}

bool FieldReader::number(double& out) {
    auto f = nextField();
    if (!f) {
        return fail();
    }
    auto v = parseNumber(*f);
    if (!v) {
        return fail();
    }
    out = *v;
    return true;
}

bool FieldReader::integer(std::int64_t& out, std::int64_t lo, std::int64_t hi) {
    double v = 0;
    if (!number(v)) {
        return false;
    }
    const double r = roundHalfEvenReal(v);
    if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi))) {
        return fail();
    }
    out = static_cast<std::int64_t>(r);
    return true;
}

bool FieldReader::int16(std::int16_t& out) {
    std::int64_t v = 0;
    if (!integer(v, -32768, 32767)) {
        return false;
    }
    out = static_cast<std::int16_t>(v);
    return true;
}

bool FieldReader::line(std::string& out) {
    if (pos_ >= data_.size()) {
        return fail();
    }
    std::size_t end = pos_;
    while (end < data_.size() && !isLineEnd(data_[end])) {
        ++end;
    }
    out = data_.substr(pos_, end - pos_);
    pos_ = end;
    if (pos_ < data_.size() && data_[pos_] == '\r') {
        ++pos_;
    }
    if (pos_ < data_.size() && data_[pos_] == '\n') {
        ++pos_;
    }
    return true;
}

bool FieldReader::skipLine() {
    std::string ignored;
    return line(ignored);
}

void FieldWriter::separate() {
    if (midRecord_) {
        out_ += ',';
    }
    midRecord_ = true;
}

FieldWriter& FieldWriter::text(std::string_view s) {
    separate();
    out_ += '"';
    out_ += s;
    out_ += '"';
    return *this;
}

FieldWriter& FieldWriter::number(std::int64_t v) {
    separate();
    out_ += std::to_string(v);
    return *this;
}

FieldWriter& FieldWriter::number(double v) {
    separate();
    out_ += plainNumber(v);
    return *this;
}

FieldWriter& FieldWriter::raw(std::string_view s) {
    out_ += s;
    out_ += "\r\n";
    midRecord_ = false;
    return *this;
}

FieldWriter& FieldWriter::endRecord() {
    out_ += "\r\n";
    midRecord_ = false;
    return *this;
}

std::string plainNumber(double v) {
    if (!std::isfinite(v)) {
        return "0";
    }
    if (v == 0) {
        return "0";
    }
    // Fifteen significant digits, as a double is shown in the settings files.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    if (s.find('e') != std::string::npos) {
        std::snprintf(buf, sizeof buf, "%.15f", v);
        s = buf;
        if (s.find('.') != std::string::npos) {
            while (s.back() == '0') {
                s.pop_back();
            }
            if (s.back() == '.') {
                s.pop_back();
            }
        }
    }
    return s;
}

std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && !isLineEnd(text[end])) {
            ++end;
        }
        lines.emplace_back(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r') {
            ++pos;
        }
        if (pos < text.size() && text[pos] == '\n') {
            ++pos;
        }
    }
    return lines;
}

std::optional<double> parseNumber(std::string_view s) {
    s = trimBlanks(s);
    if (s.empty()) {
        return 0.0;
    }
    if (s.front() == '+') {
        s.remove_prefix(1);
    }
    double v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size() || !std::isfinite(v)) {
        return std::nullopt;
    }
    return v;
}

}  // namespace qv
