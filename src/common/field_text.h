#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Reads the comma-separated field text of every settings file.
//
// Fields are taken one after another regardless of how they are spread over lines:
// leading blanks are skipped; a field that begins with a double quote runs to the closing
// quote (commas inside belong to it, a line end before the closing quote belongs to it too);
// any other field runs to the next comma or line end. CR LF, LF and lone CR all end a line.
//
// A read past the end of the data fails (returns false and leaves the target untouched);
// the reader remembers the first failure so a loader can read a group and check once.
class FieldReader {
  public:
    explicit FieldReader(std::string content);

    // nullopt when the file cannot be opened.
    static std::optional<FieldReader> open(const std::filesystem::path& path);

    // True when nothing but blanks and line ends is left.
    bool atEnd() const;
    bool failed() const { return failed_; }

    // Any field as text (quotes removed).
    bool text(std::string& out);
    // A numeric field; a missing or empty field gives 0, text that is not a number fails.
    bool number(double& out);
    // A numeric field taken as a whole number (nearest, ties to even) in the given range;
    // out of range fails as the conversion would overflow.
    bool integer(std::int64_t& out, std::int64_t lo = INT64_MIN, std::int64_t hi = INT64_MAX);
    bool int16(std::int16_t& out);
    bool skipField();

    // Line-oriented reading: the rest of the current line without its line end.
    bool line(std::string& out);
    bool skipLine();

  private:
    std::optional<std::string> nextField();
    bool fail();

    std::string data_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Builds field text: fields joined by single commas, text quoted, CR LF at each record end.
class FieldWriter {
  public:
    FieldWriter& text(std::string_view s);
    FieldWriter& number(std::int64_t v);
    FieldWriter& number(double v);
    // A line of raw text, written as it stands.
    FieldWriter& raw(std::string_view s);
    FieldWriter& endRecord();

    const std::string& str() const { return out_; }

  private:
    void separate();

    std::string out_;
    bool midRecord_ = false;
};

// Decimal text of a real in the plain form the settings files use: "." as decimal point,
// no leading blank, no exponent for ordinary values, no trailing zeros ("3", "2.5").
std::string plainNumber(double v);

// Splits text into lines, accepting CR LF, LF and CR; a final line end gives no empty line.
std::vector<std::string> splitLines(std::string_view text);

// Parses a decimal number the way a numeric field is read: leading and trailing blanks
// allowed, empty gives 0. nullopt for anything else.
std::optional<double> parseNumber(std::string_view s);

}  // namespace qv
