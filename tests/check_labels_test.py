#!/usr/bin/env python3
"""The label check on made-up test lists: each broken rule is reported with
its test, and a list that keeps the rules passes."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check_labels  # noqa: E402


def problems(tests):
    """Runs the check on {test name: [labels] or None for no label at all}."""
    listing = []
    for name, labels in tests.items():
        test = {"name": name, "properties": [{"name": "TIMEOUT", "value": 60}]}
        if labels is not None:
            test["properties"].append({"name": "LABELS", "value": labels})
        listing.append(test)
    return [name for name, _ in check_labels.problems(listing)]


class Labels(unittest.TestCase):
    def test_one_kind_each_passes(self):
        self.assertEqual(problems({
            "DeviceTableTest.FieldsAreCutToTheirWidth": ["unit"],
            "KeyHoldWatcherTest.ThreeSecondsSwitchThePictureOffOnce": ["threads", "unit"],
            "RecordingThreads.ConcurrentKeysTicksStopsAndSplitsLoseNoFile": ["stress"],
            "recolyx_tests.shard1": ["unit"],
            "recolyx_tests.stress": ["stress"],
            "e2e_key_hold": ["e2e"],
            "set_package": ["set"],
            "fuzz_title_utf8_corpus": ["fuzz"],
            "catalogue_check.messages_EN": ["check"],
        }), [])

    def test_a_test_without_its_kind_is_named(self):
        self.assertEqual(problems({"e2e_key_hold": None, "plugin_tiers": [],
                                   "TextFit.CutsWholeCharacters": ["threads"]}),
                         ["e2e_key_hold", "plugin_tiers", "TextFit.CutsWholeCharacters"])

    def test_two_kinds_or_an_unknown_label_are_named(self):
        self.assertEqual(problems({"runtime_compat_tests": ["set", "unit"],
                                   "e2e_key_hold": ["e2e", "slow"]}),
                         ["runtime_compat_tests", "e2e_key_hold"])

    def test_threads_goes_beside_unit_only(self):
        self.assertEqual(problems({"e2e_key_hold": ["e2e", "threads"]}), ["e2e_key_hold"])

    def test_stress_goes_with_the_stress_names(self):
        self.assertEqual(problems({
            "DisplayLockTest.ConcurrentNoticesIconsAndOpeningAndClosing": ["unit"],
            "KeyDetourTest.PressesFromOtherThreads": ["unit", "threads"],
            "TextFit.CutsWholeCharacters": ["stress"],
        }), ["DisplayLockTest.ConcurrentNoticesIconsAndOpeningAndClosing",
             "KeyDetourTest.PressesFromOtherThreads", "TextFit.CutsWholeCharacters"])


if __name__ == "__main__":
    unittest.main()
