"""clang-tidy's work list: a unity file of production sources becomes one combined file and each
other production source a job of its own, the compiler's precompiled headers leave the commands, and
a finding in a combined file is named by the source and line it comes from."""
import json
import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import tidy_batches  # noqa: E402

SOURCES = {
    "model/one.cpp": "int one() {\n    return 1;\n}\n",
    "model/two.cpp": "int two() { return 2; }\n",
    "model/alone.cpp": "int alone() { return 3; }\n",
    "model/unbuilt.cpp": "int unbuilt() { return 4; }\n",
    "tests/check.cpp": "int check() { return 5; }\n",
}
PRODUCTION = ["model/one.cpp", "model/two.cpp", "model/alone.cpp", "model/unbuilt.cpp"]
PCH = " -Winvalid-pch -include {root}/build/x.dir/cmake_pch.hxx"


class TidyBatchesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.root = self.folder.name
        for name, text in SOURCES.items():
            self.write(name, text)
        self.write("tidy/production", "\n".join(PRODUCTION) + "\n")
        unities = {"model_unity": ["model/one.cpp", "model/two.cpp"], "tests_unity": ["tests/check.cpp"]}
        entries = []
        for target, sources in unities.items():
            unity = "build/%s/Unity/unity_0_cxx.cxx" % target
            self.write(unity, "".join('#include "%s"\n' % self.path(s) for s in sources))
            entries.append(self.entry(unity, PCH))
        entries.append(self.entry("model/alone.cpp", ""))
        self.write("build/compile_commands.json", json.dumps(entries))
        tidy_batches.write_jobs(self.root, self.path("build/compile_commands.json"), self.path("tidy"),
                                self.path("tidy/production"))
        self.combined = tidy_batches.combined_name(self.root, self.path("tidy"),
                                                   self.path("build/model_unity/Unity/unity_0_cxx.cxx"))

    def tearDown(self):
        self.folder.cleanup()

    def path(self, name):
        return os.path.join(self.root, name)

    def write(self, name, text):
        os.makedirs(os.path.dirname(self.path(name)), exist_ok=True)
        with open(self.path(name), "w") as file:
            file.write(text)

    def entry(self, name, flags):
        command = "c++ -O3" + flags.format(root=self.root) + " -c " + self.path(name)
        return {"directory": self.path("build"), "command": command, "file": self.path(name)}

    def test_each_production_source_is_checked_once(self):
        with open(self.path("tidy/jobs")) as jobs:
            self.assertEqual(jobs.read().splitlines(),
                             ["combined " + self.combined, "all model/alone.cpp", "all model/unbuilt.cpp"])

    def test_the_combined_file_holds_its_sources_behind_their_names(self):
        with open(self.combined) as combined:
            text = combined.read()
        expected = "".join('#line 1 "%s"\n%s\n' % (self.path(s), SOURCES[s])
                           for s in ("model/one.cpp", "model/two.cpp"))
        self.assertEqual(text, expected)

    def test_every_file_has_a_command_without_the_precompiled_header(self):
        with open(self.path("tidy/compile_commands.json")) as written:
            commands = {entry["file"]: entry["command"] for entry in json.load(written)}
        for name in ("model/one.cpp", "model/two.cpp", "tests/check.cpp", "model/alone.cpp"):
            self.assertEqual(commands[self.path(name)], "c++ -O3 -c " + self.path(name))
        self.assertEqual(commands[self.combined], "c++ -O3 -c " + self.combined)

    def test_findings_are_named_by_their_source_and_line(self):
        one, two = self.path("model/one.cpp"), self.path("model/two.cpp")
        # The combined file: 1 mark, 2-4 one.cpp, 5 blank, 6 mark, 7 two.cpp, 8 blank.
        cases = [
            (self.combined + ":2:5: error: x\n", os.path.relpath(one) + ":1:5: error: x\n"),
            (self.combined + ":4:1: note: y\n", os.path.relpath(one) + ":3:1: note: y\n"),
            (self.combined + ":7:13: error: z\n", os.path.relpath(two) + ":1:13: error: z\n"),
            (self.combined + ":1:1: error: mark\n", self.combined + ":1:1: error: mark\n"),
            ("int v = *p;\n", "int v = *p;\n"),
            ("/usr/include/x.h:7:2: note: w\n", "/usr/include/x.h:7:2: note: w\n"),
        ]
        for finding, named in cases:
            with self.subTest(finding=finding):
                self.assertEqual(list(tidy_batches.name_sources(self.combined, [finding])), [named])


if __name__ == "__main__":
    unittest.main()
