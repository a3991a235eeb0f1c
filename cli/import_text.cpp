// What `vyr import` prints of a file: summaries, warnings, the cut notice and the failure line.
#include "import_text.h"

#include <algorithm>

#include "output_text.h"
#include "time_text.h"

namespace vyr_cli {
namespace {

// "BeiDou (C)"; the letter alone for a system without a name here.
std::string system_name(char letter) {
    switch (letter) {
        case 'C':
            return "BeiDou (C)";
        case 'J':
            return "QZSS (J)";
        case 'I':
            return "NavIC (I)";
        default:
            return std::string("system ") + letter;
    }
}

// "FILE:LINE", "FILE: expanded line LINE" for a compact file, "FILE" without a line.
std::string where(const VyrFileImportReport& report, uint32_t line) {
    if (line == 0) return report.path;
    return report.path + (report.expandedLines ? ": expanded line " : ":") + std::to_string(line);
}

}  // namespace

std::string other_systems_summary(const std::string& path,
                                  const std::vector<std::pair<char, uint64_t>>& otherSystems) {
    if (otherSystems.empty()) return {};
    uint64_t total = 0;
    std::string each;
    for (const auto& [letter, count] : otherSystems) {
        total += count;
        each += (each.empty() ? "" : ", ") + std::to_string(count) + " " + system_name(letter);
    }
    return path + ": read past " + std::to_string(total) +
           " satellite-epochs of systems a project does not keep (" + each + ")";
}

std::string site_summary(const std::string& path, const VyrImportedSite& site) {
    const std::string marker = site.marker.empty() ? "(no marker)" : terminal_text(site.marker);
    if (site.alreadyPresent)
        return path + ": site " + marker + " is in the project already as station " +
               terminal_text(site.key) + "; nothing changed";
    return path + ": station " + terminal_text(site.key) + " (marker " + marker +
           "): " + std::to_string(site.epochs) +
           (site.appended ? " epochs appended, " : " epochs, ") +
           iso_time(site.firstMjd, site.firstFraction) + " to " +
           iso_time(site.lastMjd, site.lastFraction) + ", systems " +
           (site.systems.empty() ? std::string("none") : site.systems);
}

std::string counts_summary(const std::vector<VyrImportedList>& lists) {
    std::string text, notes;
    std::vector<std::string> said;
    for (const VyrImportedList& count : lists) {
        // The conversions of a mixed navigation file each read the whole file: a damaged
        // message is met by each of them, and told once.
        for (const std::string& note : count.notes) {
            if (std::find(said.begin(), said.end(), note) != said.end()) continue;
            said.push_back(note);
            notes += "; " + note;
        }
        if (count.added == 0 && count.present == 0) continue;
        text +=
            (text.empty() ? "" : "; ") + count.list + " " + std::to_string(count.added) + " added";
        if (count.present == 0) continue;
        text += ", " + std::to_string(count.present) + " already present";
        if (count.otherKept > 0)
            text += " (" + std::to_string(count.otherKept) +
                    " of the same satellite and time as another record: the first one kept)";
    }
    return (text.empty() ? "nothing to store" : text) + notes;
}

std::vector<std::string> summary_lines(const VyrFileImportReport& report) {
    const bool observations = report.kind == VyrImportKind::kRinexObservation ||
                              report.kind == VyrImportKind::kCompactRinexObservation;
    if (!observations)
        return {report.path + ": " + Vyr_ImportKindName(report.kind) + ": " +
                counts_summary(report.lists)};
    std::vector<std::string> lines;
    for (const VyrImportedSite& site : report.sites)
        lines.push_back(site_summary(report.path, site));
    const std::string readPast = other_systems_summary(report.path, report.otherSystems);
    if (!readPast.empty()) lines.push_back(readPast);
    return lines;
}

void print_notices(std::ostream& out, const VyrFileImportReport& report) {
    for (const VyrImportWarning& g : report.warnings) {
        for (uint32_t line : g.lines) {
            // The reader warns of the problem that then ends the file: the failure line says it.
            const std::string said = where(report, line) + ": " + g.problem;
            if (VyrFailed(report.result) && report.problem.rfind(said, 0) == 0) continue;
            out << "vyr: " << where(report, line) << ": warning: " << terminal_text(g.problem)
                << "\n";
        }
        if (g.more > 0)
            out << "vyr: " << report.path << ": warning: ... and " << g.more << " more like it ("
                << terminal_text(g.problem) << ")\n";
    }
    if (report.otherWarnings > 0)
        out << "vyr: " << report.path << ": warning: ... and " << report.otherWarnings
            << " more of other kinds\n";
    if (VyrSucceeded(report.result) && report.cut.cut)
        out << "vyr: " << where(report, report.cut.line) << ": cut: " << report.cut.problem << "; "
            << report.cut.completeEpochs << " complete epochs imported\n";
    out.flush();
}

std::string failure_text(const VyrFileImportReport& report, bool salvage) {
    // The problem may quote bytes of the file: they reach the terminal escaped, as warnings do.
    std::string text = terminal_text(report.problem);
    if (report.overlaps) text += "; --new-station makes it a station of its own";
    // A cut file is refused whole; the epochs before the cut are there for the asking.
    if (report.cut.cut && !salvage && report.cut.completeEpochs > 0)
        text += "\n" + std::to_string(report.cut.completeEpochs) +
                " complete epochs could be imported with --salvage";
    return text;
}

}  // namespace vyr_cli
