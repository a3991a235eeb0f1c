// What `vyr import` prints of a file's import report: its summary lines, its warnings and its
// failure line.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <vyr/vyr.h>

namespace vyr_cli {

// The summary line of one site.
std::string site_summary(const std::string& path, const VyrImportedSite& site);
// The line telling what satellites of other systems were read past; empty when none were.
std::string other_systems_summary(const std::string& path,
                                  const std::vector<std::pair<char, uint64_t>>& otherSystems);
// One line for a file: the lists it fed with their counts, then what it read past; lists it gave
// nothing for are left out ("GPS ephemerides 257 added; Galileo ephemerides 823 added, 779
// already present (779 of the same satellite and time as another record: the first one
// kept)").
std::string counts_summary(const std::vector<VyrImportedList>& lists);

// The stdout lines of a file that was imported.
std::vector<std::string> summary_lines(const VyrFileImportReport& report);
// "vyr: FILE:LINE: warning: problem" lines, at most a few per problem, then the cut notice of a
// file imported up to its cut.
void print_notices(std::ostream& out, const VyrFileImportReport& report);
// The failure of a file as one message (without "vyr: "), with the hints of the command's
// options.
std::string failure_text(const VyrFileImportReport& report, bool salvage);

}  // namespace vyr_cli
