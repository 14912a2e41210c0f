// Parsing scenarios with checks, and tvsim's command line: what is refused
// before anything runs, and how options become steps.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "sim/command_line.h"
#include "sim/host/keys/remote_keys.h"
#include "sim/scenario/scenario.h"
#include "sim/scenario/step_arguments.h"
#include "sim/screen/screen.h"

namespace {

std::string Refusal(const std::string& text) {
  std::vector<sim::ScenarioStep> steps;
  std::string error;
  return sim::ParseScenario(text, &steps, &error) ? "" : error;
}

TEST(ScenarioParse, ARegularExpressionIsTheRestOfTheLine) {
  std::vector<sim::ScenarioStep> steps;
  std::string error;
  ASSERT_TRUE(sim::ParseScenario("expect   key 7 ->  7 passed, arg [0-9]+  \n", &steps, &error)) << error;
  EXPECT_EQ(steps[0].rest, "key 7 ->  7 passed, arg [0-9]+");
}

TEST(ScenarioParse, RefusesChecksWithArgumentsTheyDoNotTake) {
  EXPECT_EQ(Refusal("expect\n"), "line 1: expect takes REGEX");
  EXPECT_EQ(Refusal("say x\nnever recording (error\n"),
            "line 2: not a regular expression: 'recording (error'");
  EXPECT_EQ(Refusal("file /dtv/usb x\\.ts 2M-1M\n"),
            "line 1: file takes a size range (N, MIN-MAX, MIN-, -MAX; K M G T) or stream, not '2M-1M'");
  EXPECT_NE(Refusal("file /dtv/../../x a\n").find("not within the set's folders"), std::string::npos);
  EXPECT_EQ(Refusal("pixel 960 0 ffffff\n"), "line 1: pixel takes a column from 0 to 959, not '960'");
  EXPECT_EQ(Refusal("area 0 0 0 5 ffffff\n"), "line 1: area takes a width from 1 to 960, not '0'");
  EXPECT_EQ(Refusal("pixel 0 0 fffff\n"), "line 1: pixel takes a colour RRGGBB, not 'fffff'");
  EXPECT_EQ(Refusal("muted maybe\n"), "line 1: muted takes yes or no, not 'maybe'");
  EXPECT_EQ(Refusal("saved key2_action 1\n"), "line 1: unknown setting 'key2_action'");
  EXPECT_EQ(Refusal("option 15\n"), "line 1: option takes N VALUE");
  EXPECT_EQ(Refusal("hold tick\nreached wait-1000 5000\nresume record-stop\nhold flip\n"), "");
  EXPECT_EQ(Refusal("hold anywhere\n"),
            "line 1: hold takes a point (record-start record-stop tick flip wait wait-MS), not 'anywhere'");
  EXPECT_NE(Refusal("reached wait-x\n"), "");
  EXPECT_NE(Refusal("resume wait-" + std::string(40, '1') + "\n"), "");
  // An over-long word is quoted cut.
  EXPECT_EQ(Refusal("muted " + std::string(5000, 'y') + "\n"),
            "line 1: muted takes yes or no, not '" + std::string(40, 'y') + "...'");
}

// No path of a scenario goes up a folder with "..", not even one that would
// stay within the set's folders or the folder tvsim runs in: every step and
// check that takes a file or a folder refuses it with its line.
TEST(ScenarioParse, EveryPathRefusesParentFolders) {
  const std::string plug = "plug USB1 Acme Stick 1 fat:8G:/dtv/usb/sda1\n";
  for (const std::string& line :
       {std::string("screenshot ../../shot.png"), std::string("screenshot shots/../../shot.png"),
        std::string("screenshot /mtd_ram/../mtd_ram/shot.png"), std::string("screenshot .."),
        std::string("files /dtv/usb/sda1/.."), std::string("show /mtd_ram/../mtd_ram/x"),
        std::string("fill /dtv/usb/sda1/../sda1 1"), std::string("folder /dtv/usb/x/../y"),
        std::string("record /dtv/usb/sda1/DVR/../r.ts"), std::string("fault write /dtv/usb/x/.."),
        std::string("fault readonly /dtv/usb/../usb access"), std::string("heal /dtv/usb/../usb"),
        std::string("plug USB2 Acme Stick 2 fat:8G:/dtv/usb/sdb1/../sdc1"),
        std::string("plug USB2 Acme Stick 2 fat:8G:/dtv/usb/sdb1 ntfs:1G:/dtv/usb/x/../sdc2"),
        std::string("remount USB1 0 /dtv/usb/../usb/sdc1"), std::string("file .. outside"),
        std::string("file sandbox/../.. x 1"), std::string("nofile ../sandbox x"),
        std::string("file /dtv/usb/sda1/.. x"), std::string("nofile /dtv/./usb/.. x")}) {
    const std::string refusal = Refusal(plug + "wait 10\n" + line + "\n");
    EXPECT_EQ(refusal.rfind("line 3: path '", 0), 0u) << line << ": " << refusal;
    EXPECT_NE(refusal.find("' has a '..' component: scenario paths may not go up a folder"),
              std::string::npos)
        << line << ": " << refusal;
  }
  // Dots within a name are no step up.
  EXPECT_EQ(Refusal("screenshot shot..png\nscreenshot ..shot.png\nscreenshot a/...\n"
                    "folder /dtv/usb/sda1/..x/x..\nfile ./.hidden x\nheal all\nheal /mtd_ram/.y\n"),
            "");
  // Climbing out of the set's folders still says so.
  EXPECT_NE(Refusal("record /dtv/usb/../../../r.ts\n").find("is not within the set's folders"),
            std::string::npos);
  EXPECT_NE(Refusal("heal /tmp\n").find("is not within the set's folders"), std::string::npos);
}

// A step given on tvsim's command line is refused like the same step in a
// scenario file, with the line it takes after the file's lines.
TEST(ScenarioParse, StepOptionsRefuseParentFoldersToo) {
  sim::CommandLine line;
  std::vector<char*> argv;
  std::vector<std::string> words = {"tvsim", "--record", "/dtv/usb/sda1/../r.ts", "--screenshot",
                                    "../x.png"};
  for (std::string& word : words) argv.push_back(word.data());
  std::string error;
  ASSERT_TRUE(sim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &line, &error));
  line.scenario_text = "tv\n" + line.scenario_text;
  std::vector<sim::ScenarioStep> steps;
  EXPECT_FALSE(sim::ParseScenario(line.scenario_text, &steps, &error));
  EXPECT_EQ(error.rfind("line 2: path '/dtv/usb/sda1/../r.ts' has a '..' component", 0), 0u)
      << error;
  EXPECT_EQ(steps.size(), 1u);
}

TEST(ScenarioParse, PictureFoldersOfTheCommandLineRefuseParentFolders) {
  for (const char* option : {"--frames", "--contact-sheet"}) {
    for (const char* path : {"../frames", "a/../../b", "frames/.."}) {
      sim::CommandLine line;
      std::vector<std::string> words = {"tvsim", option, path};
      std::vector<char*> argv;
      for (std::string& word : words) argv.push_back(word.data());
      std::string error;
      EXPECT_FALSE(sim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &line, &error))
          << option << " " << path;
      EXPECT_NE(error.find("'..' component"), std::string::npos) << error;
    }
    sim::CommandLine line;
    std::vector<std::string> words = {"tvsim", option, "frames/sheet"};
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    std::string error;
    EXPECT_TRUE(sim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &line, &error))
        << error;
  }
}

TEST(ScenarioParse, OnlyChecksFollowTheEnd) {
  EXPECT_EQ(Refusal("key 7\nend\nexpect key 7\nfile . x\nkey 8\n"),
            "line 5: only checks may follow end, not 'key'");
  EXPECT_EQ(Refusal("end\nend\n"), "line 2: only checks may follow end, not 'end'");
  EXPECT_EQ(Refusal("key 7\nend\nnever x\nsame (a)\nlastkey 7 0\nsaved key1_action 2\n"), "");
}

// Keys go by code or by the remote's button names, in any case; a name the
// remote lacks or a code past 65535 is refused with its line.
TEST(ScenarioParse, KeysByCodeOrButtonName) {
  std::vector<sim::ScenarioStep> steps;
  std::string error;
  ASSERT_TRUE(sim::ParseScenario("key RECORD\npress stop 5\nrelease\nlastkey Record\nkey 0\nkey 65535 200\n",
                                 &steps, &error))
      << error;
  EXPECT_EQ(sim::KeyArgument(steps[0], 1), 73);
  EXPECT_EQ(sim::KeyArgument(steps[1], 1), 70);
  EXPECT_EQ(sim::KeyArgument(steps[3], 1), 73);
  EXPECT_EQ(Refusal("key RECORDS\n"),
            "line 1: key takes a key code from 0 to 65535 or a button's name (RECORD, STOP...: tvsim --help), "
            "not 'RECORDS'");
  EXPECT_NE(Refusal("key 65536\n"), "");
  EXPECT_NE(Refusal("key -70\n"), "");
  EXPECT_NE(Refusal("lastkey " + std::string(300, 'K') + "\n").find("'" + std::string(40, 'K') + "...'"),
            std::string::npos);
  EXPECT_EQ(Refusal("fill /dtv/usb/sda1 40 full\n"), "line 1: fill takes free after its size, not 'full'");
  EXPECT_EQ(Refusal("fill /dtv/usb/sda1 40 free\n"), "");
}

// Every button has one name of its own; every window key plays steps that
// parse, on buttons the remote has.
TEST(RemoteKeys, NamesAreUniqueAndTheWindowsKeysPlayRealSteps) {
  for (int i = 0; i < sim::kRemoteKeyCount; ++i) {
    const sim::RemoteKey& key = sim::RemoteKeys[i];
    EXPECT_EQ(sim::FindRemoteKey(key.name), &key) << key.name;
    EXPECT_STREQ(sim::RemoteKeyName(key.code), key.name);
    EXPECT_EQ(std::string(key.name).find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_0123456789"), std::string::npos);
  }
  EXPECT_EQ(sim::RemoteKeyName(3), nullptr);
  EXPECT_EQ(sim::ToKeyCode("73"), 73);
  EXPECT_EQ(sim::ToKeyCode("ok"), 104);
  EXPECT_EQ(sim::ToKeyCode(""), std::nullopt);
  EXPECT_EQ(sim::ToKeyCode("7x"), std::nullopt);

  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  sim::PrintWindowKeys(out);
  std::fclose(out);
  std::istringstream lines(std::string(text, size));
  std::free(text);
  int named = 0;
  for (std::string line; std::getline(lines, line);) {
    // "  PCKEY      BUTTON      role": the button column, when there is one.
    const std::string button = line.size() > 24 ? line.substr(13, line.find(' ', 13) - 13) : "";
    if (button.empty()) continue;
    EXPECT_NE(sim::FindRemoteKey(button), nullptr) << line;
    ++named;
  }
  EXPECT_GE(named, 30);
  std::vector<sim::ScenarioStep> steps;
  std::string error;
  for (const char* stick : {sim::kWindowStick, sim::kWindowStickUnplug, sim::kWindowStickFill})
    EXPECT_TRUE(sim::ParseScenario(stick, &steps, &error)) << stick << ": " << error;
}

TEST(ScenarioParse, StepsNoLongerListThePlugInsOwnTables) {
  EXPECT_EQ(Refusal("devices\n"), "line 1: unknown step 'devices'");
  EXPECT_EQ(Refusal("prefix\n"), "line 1: unknown step 'prefix'");
}

std::string ParseError(std::vector<std::string> words, sim::CommandLine* line) {
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  std::string error;
  return sim::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), line, &error) ? "" : error;
}

TEST(TvsimCommandLine, StepOptionsBecomeStepsAfterTheScenario) {
  sim::CommandLine line;
  EXPECT_EQ(ParseError({"tvsim", "--key", "7:200:5", "--wait", "10", "--setup", "--speed", "50",
                        "--screenshot", "a.png", "--window"},
                       &line),
            "");
  EXPECT_EQ(line.scenario_text, "key 7 200 5\nwait 10\nsetup \nscreenshot a.png\n");
  EXPECT_EQ(line.speed, 50.0);
  EXPECT_TRUE(line.screen.window);
}

TEST(TvsimCommandLine, RefusesWhatItDoesNotTake) {
  sim::CommandLine line;
  const std::string help = " (tvsim --help lists the options)";
  EXPECT_EQ(ParseError({"tvsim", "--list-devices"}, &line), "unknown option '--list-devices'" + help);
  EXPECT_EQ(ParseError({"tvsim", "--name-prefix"}, &line), "unknown option '--name-prefix'" + help);
  EXPECT_EQ(ParseError({"tvsim", "--speed"}, &line), "--speed takes N");
  EXPECT_EQ(ParseError({"tvsim", "--speed", "-1"}, &line),
            "--speed: takes a factor from 0 to 1000000, not '-1'");
  EXPECT_EQ(ParseError({"tvsim", "--shake", "0"}, &line),
            "--shake: takes a seed from 1 to 9223372036854775807 or random, not '0'");
  EXPECT_EQ(ParseError({"tvsim", "--bitrate", "1073741825"}, &line),
            "--bitrate: takes a number from 0 to 1073741824, not '1073741825'");
  EXPECT_EQ(ParseError({"tvsim", "--setting", "key1_action"}, &line),
            "--setting: takes NAME=VALUE, not 'key1_action'");
  EXPECT_EQ(ParseError({"tvsim", "--scenario", "/nonexistent/x.txt"}, &line),
            "--scenario: cannot read /nonexistent/x.txt");
  EXPECT_EQ(ParseError({"tvsim", "--" + std::string(300, 'x')}, &line),
            "unknown option '--" + std::string(38, 'x') + "...'" + help);
}

TEST(TvsimCommandLine, TheUsageComesFromTheTables) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  sim::PrintUsage(out);
  std::fclose(out);
  const std::string usage(text, size);
  std::free(text);
  for (const char* part : {"--key K[:HOLD_MS[:ARG]]  press key K", "--growth MIB_S", "  expect REGEX",
                           "  end ", "  area X Y W H RRGGBB", "key74_action", "  telnetd running|stopped",
                           "-h, --help", "--version", "--no-stick", "    73 RECORD ", "  F5 ",
                           // each setting with its values, its default (the plug-in's) and its meaning
                           "  split_mode          0-5    default 1       Split recording: 0 off, 1 automatic",
                           "  osd_opacity         0-100  default 100     OSD opacity",
                           "  key74_action        0-2    default 2       Freeze key"})
    EXPECT_NE(usage.find(part), std::string::npos) << part;
  EXPECT_EQ(usage.find("--list-devices"), std::string::npos);
}

}  // namespace
