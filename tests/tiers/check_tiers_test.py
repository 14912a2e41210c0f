#!/usr/bin/env python3
"""The tier check on small made-up plug-in trees: each rule is reported with
the include that breaks it, and a tree that keeps the rules passes."""
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import check_tiers  # noqa: E402


def problems(files):
    """Runs the check on a tree of {path: [included paths]}."""
    with tempfile.TemporaryDirectory() as root:
        for path, includes in files.items():
            full = os.path.join(root, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "w") as out:
                out.write("#pragma once\n#include <atomic>\n")
                out.writelines(f'#include "{name}"\n' for name in includes)
        return check_tiers.check(root)


class Tiers(unittest.TestCase):
    def test_downward_tree_passes(self):
        self.assertEqual(problems({
            "export.h": [],
            "thread_annotations.h": [],
            "host/tv_state.h": ["export.h", "thread_annotations.h"],
            "host/tv_state.cpp": ["host/tv_state.h"],
            "display/fonts.h": [],
            "settings/toolbox.h": ["host/tv_state.h", "display/fonts.h"],
            "display/text.h": [],
            "display/text.cpp": ["display/text.h", "display/fonts.h"],
            "settings/entry_points.h": ["export.h"],
            "host/key_dispatcher.cpp": ["settings/entry_points.h", "display/text.h"],
        }), [])

    def test_leaf_including_a_service_is_named(self):
        found = problems({"display/fonts.h": [], "host/tv_state.h": ["display/fonts.h"]})
        self.assertEqual(len(found), 1)
        self.assertIn('plugin/host/tv_state.h:3: includes "display/fonts.h"', found[0])
        self.assertIn("leaf", found[0])

    def test_new_file_is_classified_by_its_name(self):
        # A new state header is a leaf, a new supervision tick a root.
        found = problems({"display/text.h": [], "supervision/pane_state.h": ["display/text.h"],
                          "supervision/tick.h": [], "settings/toolbox.cpp": ["supervision/tick.h"]})
        self.assertEqual(len(found), 2)
        self.assertIn("plugin/supervision/pane_state.h:3", found[1])
        self.assertIn('plugin/settings/toolbox.cpp:3: includes "supervision/tick.h": only a root', found[0])

    def test_root_header_only_in_roots(self):
        found = problems({"settings/entry_points.h": [],
                          "host/key_dispatcher.cpp": ["settings/entry_points.h"],
                          "settings/toolbox.cpp": ["settings/entry_points.h"]})
        self.assertEqual(len(found), 1)
        self.assertIn("settings/toolbox.cpp:3", found[0])

    def test_toolkit_reads_no_word_of_the_dispatcher_or_the_recording(self):
        words = ["host/dispatcher_state.h", "host/recording_state.h",
                 "supervision/supervision_state.h", "supervision/info_pane_state.h"]
        tree = {name: [] for name in words}
        tree.update({
            "settings/settings_record.h": [], "settings/message_catalogue.h": [],
            "display/skin.h": [], "display/text.h": [],
            # What the toolkit needs: its own units, the settings record, the catalogue.
            "display/text.cpp": ["display/text.h", "settings/settings_record.h",
                                 "settings/message_catalogue.h"],
            # The screens over it may read any subsystem's words.
            "settings/screen_switches.cpp": ["display/skin.h"] + words,
            # One of the forbidden words in a header, the others in a source.
            "display/fonts.h": words[:1],
            "display/skin.cpp": ["display/skin.h"] + words[1:],
        })
        found = problems(tree)
        self.assertEqual(len(found), 4, found)
        self.assertIn('plugin/display/fonts.h:3: includes "host/dispatcher_state.h"', found[0])
        for line, name in enumerate(words[1:], 4):
            self.assertIn(f'plugin/display/skin.cpp:{line}: includes "{name}"', found[line - 3])
        for problem in found:
            self.assertIn("the drawing toolkit reads no word of the dispatcher or the recording",
                          problem)

    def test_wall_covers_every_state_header_outside_the_settings_record(self):
        found = problems({"host/tv_services.h": [], "settings/toolbox_state.h": [],
                          "display/text.cpp": ["host/tv_services.h", "settings/toolbox_state.h"]})
        self.assertEqual(len(found), 2, found)
        self.assertIn('includes "host/tv_services.h": the drawing toolkit', found[0])
        self.assertIn('includes "settings/toolbox_state.h": the drawing toolkit', found[1])

    def test_cycle_between_units_through_their_sources(self):
        found = problems({"a/one.h": [], "a/one.cpp": ["a/one.h", "b/two.h"],
                          "b/two.h": [], "b/two.cpp": ["b/two.h", "a/one.h"]})
        self.assertEqual(len(found), 1)
        self.assertIn("include cycle between a/one, b/two", found[0])
        self.assertIn('plugin/a/one.cpp:4: includes "b/two.h"', found[0])
        self.assertIn('plugin/b/two.cpp:4: includes "a/one.h"', found[0])

    def test_longer_cycle_and_includes_beside_the_file(self):
        found = problems({"x/a.h": ["b.h"], "x/b.h": ["x/c.h"], "x/c.cpp": ["x/a.h"],
                          "x/c.h": [], "x/d.h": ["x/a.h"]})
        self.assertEqual(len(found), 1)
        self.assertIn("include cycle between x/a, x/b, x/c", found[0])
        self.assertNotIn("x/d", found[0])


if __name__ == "__main__":
    unittest.main()
