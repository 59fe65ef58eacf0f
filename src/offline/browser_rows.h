#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The texts of the browser's list `Listpj` and the rules that read them. A project row starts
// with "+ ", an acquisition row with "  > "; columns are separated by a tab.

// "p" and five more characters: the project folders the list shows.
bool isProjectFolderName(std::string_view name);
// "yyyymmdd_hhmm" in form (eight characters, "_", four characters): acquisition folders. An
// archived folder ("...removed" and a stamp) no longer has the form.
bool isAcquisitionFolderName(std::string_view name);

// The date column of an acquisition folder name: "2024.0614". Eight blanks without one.
std::string dateColumn(std::string_view acquisitionFolder);

// "+ 2024.0614<tab>p00003_Larvae". The name is the project's own, as the title gives it.
std::string projectRow(std::string_view firstAcquisition, std::string_view projectFolder,
                       std::string_view projectName);
// "  > 2024.0614<tab> ACQ15:30 "description"", then two tabs and the tags when the project
// keeps a tags file.
std::string acquisitionRow(std::string_view acquisitionFolder, std::string_view description,
                           bool withTags, std::string_view tags);

bool isProjectRow(std::string_view row);

// The project name of a title "<Project> p00003: Larvae": the text after the first ":" and
// one blank.
std::string projectNameOfTitle(std::string_view title);

// The words of a filter text, at most ten: split at blanks, text between double quotes is one
// term (blanks included).
std::vector<std::string> filterTerms(std::string_view text);

// Lower case as the filter compares rows: ASCII and the Windows-1252 capitals.
std::string lowerCase(std::string_view text);
bool containsTerm(std::string_view row, std::string_view lowerTerm);

// The "Report" button's caption: the row cut to 50 characters with ".. => REPORT", or the
// whole row with " => REPORT".
std::string reportCaption(std::string_view row);

}  // namespace qv
