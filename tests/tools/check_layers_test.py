#!/usr/bin/env python3
"""tools/check-layers on tiny trees of its own: a wrong-way include, headers in a circle
and a front end reaching into the serial layer each fail naming the culprit; a clean tree
passes. Each tree lives in a fresh temporary folder."""
import os
import subprocess
import sys
import tempfile
import unittest

CHECKER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools",
                       "check-layers")


class CheckLayersTest(unittest.TestCase):
    def setUp(self):
        folder = tempfile.TemporaryDirectory(prefix="check-layers-")
        self.addCleanup(folder.cleanup)
        self.root = folder.name

    def write(self, path, *includes):
        full = os.path.join(self.root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as source:
            source.write("#pragma once\n")
            source.writelines(f'#include "{header}"\n' for header in includes)

    def check(self):
        run = subprocess.run([sys.executable, CHECKER, self.root], capture_output=True,
                             text=True, check=False)
        return run.returncode, run.stderr

    def test_a_clean_tree_passes(self):
        self.write("base/text.h")
        self.write("device/cell.h", "base/text.h")
        self.write("device/cell.cpp", "device/cell.h")
        self.write("serial/linux/driver.h", "serial/dispatch/dispatcher.h")
        self.write("serial/dispatch/dispatcher.h")
        self.write("serial/ports/port_map.h", "serial/linux/driver.h")
        self.write("cli/main.cpp", "serial/ports/port_map.h", "device/cell.h")
        self.assertEqual(self.check(), (0, ""))

    def test_an_include_from_a_lower_library_into_a_higher_one_fails(self):
        self.write("device/cell.h")
        self.write("base/text.h", "device/cell.h")
        code, errors = self.check()
        self.assertEqual(code, 1)
        self.assertIn("base/text.h: base may not include device/cell.h", errors)

    def test_headers_in_a_circle_fail(self):
        self.write("device/cell.h", "device/table.h")
        self.write("device/table.h", "device/cell.h")
        code, errors = self.check()
        self.assertEqual(code, 1)
        self.assertIn("headers include each other in a circle", errors)
        self.assertIn("device/cell.h -> device/table.h -> device/cell.h", errors)

    def test_a_front_end_including_the_serial_driver_fails(self):
        self.write("serial/dispatch/dispatcher.h")
        self.write("serial/linux/driver.h", "serial/dispatch/dispatcher.h")
        self.write("serial/ports/port_map.h", "serial/linux/driver.h")
        self.write("cli/main.cpp", "serial/ports/port_map.h", "serial/linux/driver.h")
        code, errors = self.check()
        self.assertEqual(code, 1)
        self.assertEqual(errors, "cli/main.cpp: cli may not include serial/linux/driver.h\n")

    def test_the_driver_including_the_port_naming_above_it_fails(self):
        self.write("serial/ports/port_map.h")
        self.write("serial/linux/uucp_lock.cpp", "serial/ports/port_map.h")
        code, errors = self.check()
        self.assertEqual(code, 1)
        self.assertIn("serial/linux/uucp_lock.cpp: serial/linux may not include "
                      "serial/ports/port_map.h", errors)


if __name__ == "__main__":
    unittest.main()
