#!/usr/bin/env python3
"""The export check's reading of nm lines: what it lets through and what it flags."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import installed_tree as it  # noqa: E402

HEADERS = """
class CFrequencyManager { public: CFrequencyManager(); ~CFrequencyManager(); };
VYR_API CVyrIPtrSmart<IVyr> Vyr_GetIVyr();
VYR_API std::string Vyr_RnxSignalText(const eSATSYS& system, const VYR_OBSTYPE& type);
struct VYR_OBSTYPE_KEY { bool operator<(const VYR_OBSTYPE_KEY&) const; };
namespace cfb { class CFB_API UndoLockBytes { static HRESULT wrap(); }; }
"""


class Exports(unittest.TestCase):
    def test_table(self):
        cases = [
            # nm line, flagged
            ("0 T Vyr_GetIVyr()", False),
            ("0 T Vyr_RnxSignalText[abi:cxx11](eSATSYS const&, VYR_OBSTYPE const&)", False),
            ("0 T CFrequencyManager::~CFrequencyManager()", False),
            ("0 T VYR_OBSTYPE_KEY::operator<(VYR_OBSTYPE_KEY const&) const", False),
            ("0 T cfb::UndoLockBytes::wrap(ILockBytes*, cfb::UndoLockBytes**)", False),
            ("0 V typeinfo for CFrequencyManager", False),
            ("0 V vtable for cfb::UndoLockBytes", False),
            # private names of the library, the engine and the RINEX library
            ("0 T vyr_stations::aux_value_hundredths(float)", True),
            ("0 T cfb::validate_header(ILockBytes&)", True),
            ("0 T rnx::ObsReader::read_epoch(rnx::LineSource&)", True),
            ("0 V vtable for rnx::ObsDocument", True),
            ("0 T CVyrStation::GetKey(VYR_STATION_KEY&)", True),
            # the standard library's instantiations, however they demangle
            ("0 W std::_Rb_tree<unsigned int, unsigned int>::_M_erase(std::_Rb_tree_node<unsigned int>*)",
             True),
            ("0 W void std::__detail::__to_chars_10_impl<unsigned int>(char*, unsigned int, unsigned int)",
             True),
            ("0 u std::__detail::__to_chars_10_impl<unsigned int>(char*, unsigned int, unsigned int)::__digits",
             True),
            ("0 V typeinfo for std::_Sp_counted_base<(__gnu_cxx::_Lock_policy)2>", True),
            ("0 W __gnu_cxx::__normal_iterator<char*, std::string>::base() const", True),
        ]
        for line, flagged in cases:
            with self.subTest(line=line):
                self.assertEqual(bool(it.offending_exports([line], HEADERS)), flagged)

    def test_a_word_in_a_comment_of_no_header_is_not_enough(self):
        self.assertTrue(it.offending_exports(["0 T hidden_helper()"], "// nothing here\n"))


if __name__ == "__main__":
    unittest.main()
