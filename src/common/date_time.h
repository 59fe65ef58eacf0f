#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// A local date and time as the user's clock shows it (no time zone arithmetic anywhere).
struct DateTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;

    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Milliseconds since 1970-01-01 00:00 of the same (local) calendar, and back.
std::int64_t toEpochMs(const DateTime& t);
DateTime fromEpochMs(std::int64_t ms);
bool isValidDate(int year, int month, int day);

// "yyyymmdd_hhmm": acquisition folder names.
std::string formatFolderStamp(const DateTime& t);
// Parses a folder name of the "yyyymmdd_hhmm" form; nullopt when it is not a real date.
std::optional<DateTime> parseFolderStamp(std::string_view name);
// "dd/mm/yyyy hh:mm"
std::string formatDisplayStamp(const DateTime& t);
// "YYYYMMDDhhmmss"
std::string formatCompactStamp(const DateTime& t);
// "YYYY-MM-DD hh:mm.ss"
std::string formatIsoStamp(const DateTime& t);

}  // namespace qv
