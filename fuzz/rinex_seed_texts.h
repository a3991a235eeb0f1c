// Small RINEX files of each version, built from the unit tests' line helpers: seeds of the
// fuzz targets that read RINEX (the library's reader and the system's converters).
#pragma once

#include <string>

#include "rinex/reader_test_support.h"

namespace rinex_seeds {

using namespace rnx_test;

inline std::string observation() {
    std::string t =
        version_line(3.04, 'O', 'M') + hdr("SITE", "MARKER NAME") +
        hdr("G    5 C1C L1C D1C S1C C2W", "SYS / # / OBS TYPES") +
        hdr("R    2 C1C L1C", "SYS / # / OBS TYPES") + hdr("G   10   1 L1C", "SYS / SCALE FACTOR") +
        hdr("  2020     1     1     0     0    0.0000000     GPS", "TIME OF FIRST OBS") +
        hdr("", "END OF HEADER");
    t += epoch_line(2020, 1, 1, 0, 0, 0.0, 0, 2, "0.000000123456");
    t += "G01" + obs(20000000.123, 1, 7) + obs(105000000.5, 0, 8) + obs(-10.2) + obs(45.0) + "\n";
    t += "R02" + obs(21000000.0) + obs(112000000.25, 4) + "\n";
    t += epoch_line(2020, 1, 1, 0, 1, 0.0, 3, 1) + hdr("SITE2", "MARKER NAME");
    t += ">                              2  0\n";
    t += epoch_line(2020, 1, 1, 0, 1, 30.0, 6, 1) + "G01" + obs(1.0, 1) + "\n";
    return t;
}

inline std::string navigation3() {
    std::string t =
        version_line(3.04, 'N', 'M') +
        hdr("GPSA   1.1176E-08  7.4506E-09 -5.9605E-08 -5.9605E-08", "IONOSPHERIC CORR") +
        hdr("GPUT -9.3132257462E-10-1.509903313E-14 233472 2086", "TIME SYSTEM CORR") +
        hdr("", "END OF HEADER");
    t += nav3_first("G01", 2020, 1, 1, 0, 0, 0, 1e-4, 0, 0);
    for (int i = 0; i < 7; ++i) t += nav3_orbit(i, i + 0.5, -i, 1e-9);
    t += nav3_first("R05", 2020, 1, 1, 0, 15, 0, -1e-5, 0, 345600);
    for (int i = 0; i < 3; ++i) t += nav3_orbit(1000, 1, 0, i);
    return t;
}

inline std::string navigation2() {
    std::string t = hdr("     2.10           N: GPS NAV DATA", "RINEX VERSION / TYPE") +
                    hdr("    0.1676D-07  0.2235D-07 -0.1192D-06 -0.1192D-06", "ION ALPHA") +
                    hdr("", "END OF HEADER");
    t += nav2_first(7, 5, 1, 2, 3, 4, 5.0, 1e-4, 0, 0);
    for (int i = 0; i < 7; ++i) t += nav2_orbit(i, 1, 2, 3);
    return t;
}

inline std::string navigation4() {
    std::string t = version_line(4.00, 'N', 'M') + hdr("", "END OF HEADER") + "> EPH E11 INAV\n";
    t += nav3_first("E11", 2020, 1, 1, 0, 10, 0, 1e-3, 2e-11, 0);
    for (int i = 0; i < 7; ++i) t += nav3_orbit(i, 517, 2086, 0);
    t += "> STO G01 LNAV\n    2022 06 08 10 00 00 GPUT\n";
    return t;
}

}  // namespace rinex_seeds
