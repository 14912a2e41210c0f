// The scenario's expectation steps: what the simulated TV must show at that
// point of the scenario. Each returns true when it holds; otherwise false
// with reason "expected WHAT: got WHAT" (the player reports it with the
// step's line and plays on). The argument kinds were checked by the parser.
#pragma once

#include <string>
#include <vector>

#include "sim/scenario/scenario.h"

namespace sim {

struct LoadedPlugin;

// expect REGEX: a line printed since the line the previous expect took.
bool ExpectStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// never REGEX: no line of the whole run; held against every line printed
// (WatchNeverSteps starts the watch), so the step itself only holds.
bool NeverStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// same REGEX: at least two lines printed so far match, all with the same
// first group.
bool SameStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// file FOLDER NAME [SIZE] [stream] / nofile FOLDER NAME.
bool FileStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
bool NoFileStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// plays FOLDER NAME SECONDS: each file matching NAME (a playlist when it
// ends in ".m3u") plays in ffprobe as a recording of SECONDS of TV time
// (sim/scenario/stream_probe.h); what it found is printed as
// "plays NAME: ...", for expect steps to look at.
bool PlaysStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// option N VALUE / muted yes|no / frozen yes|no / lastkey K [ARG]: the host.
bool OptionStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
bool MutedStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
bool FrozenStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
bool LastKeyStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
// saved NAME VALUE: field NAME of the home folder's recolyx.cfg.
bool SavedStep(const ScenarioStep& step, LoadedPlugin& plugin, std::string* reason);
// pixel X Y RRGGBB [TOLERANCE] / area X Y W H RRGGBB [TOLERANCE]: the screen
// as the viewer sees it; each channel (of the area's mean colour) within
// TOLERANCE (default 8) of the colour.
bool PixelStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);
bool AreaStep(const ScenarioStep& step, LoadedPlugin&, std::string* reason);

// Starts the watch of every never step of steps (from the start of the
// output: lines already printed count too).
void WatchNeverSteps(const std::vector<ScenarioStep>& steps);

}  // namespace sim
