// Times as the command reads and prints them. Every time is in the project's time scale, GPS
// time, as the observation files give it; no leap seconds are added or taken away.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <vyr/mjd_time.h>

namespace vyr_cli {

// The time scale of every time the command reads or prints.
inline constexpr const char* kTimeScale = "GPS";

// Whole milliseconds of a day, for times counted in integer milliseconds.
inline constexpr int64_t kMsPerDay = static_cast<int64_t>(mjd::kMillisecondsPerDay);

// The accepted forms in one line, for help texts and usage errors.
inline constexpr const char* kTimeForms =
    "YYYY-MM-DD[THH:MM[:SS[.s]]][Z] (a space for T), YYYY:DDD or YYYY-DDD[:HH:MM[:SS[.s]]], "
    "gps:WEEK:SECONDS";

// "YYYY-MM-DDTHH:MM:SS.sss": the calendar of the MJD day and fraction, milliseconds rounded.
std::string iso_time(uint32_t mjd, double fraction);
// The same for an MJD with its fraction in one number, as results keep their times.
std::string iso_time(double mjd);

// Any of the accepted forms as MJD day plus fraction; nothing for text that is none of them or
// names no real day (2021-02-30, day 366 of a common year, second 60).
std::optional<double> parse_time(const std::string& text);

// The time of an option or argument; a usage failure naming it and listing the accepted forms
// when the text is not a time.
double time_option(const std::string& text, const std::string& name);

}  // namespace vyr_cli
