#include "sim/scenario/stream_probe.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

extern char** environ;

namespace sim {
namespace {

// The value of a "key=value" line for `key`, or nullptr.
const char* ValueOf(const std::string& line, const char* key) {
  const size_t length = std::strlen(key);
  if (line.size() <= length || line.compare(0, length, key) != 0 || line[length] != '=') return nullptr;
  return line.c_str() + length + 1;
}

// "25/1" or "25": frames a second; 0 for anything else.
double Rate(const char* text) {
  char* end = nullptr;
  const double numerator = std::strtod(text, &end);
  if (*end == '\0') return numerator;
  if (*end != '/') return 0;
  const double denominator = std::strtod(end + 1, &end);
  return denominator > 0 && *end == '\0' ? numerator / denominator : 0;
}

// Runs the command, its output and errors into *output. Its exit status, or
// -1 with *error set when it could not be run.
int Run(const std::vector<std::string>& command, std::string* output, std::string* error) {
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) {
    *error = std::string("no pipe: ") + std::strerror(errno);
    return -1;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDERR_FILENO);
  std::vector<char*> arguments;
  for (const std::string& word : command) arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, arguments[0], &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (spawned != 0) {
    close(pipe_ends[0]);
    *error = command[0] + " cannot be run: " + std::strerror(spawned);
    return -1;
  }
  char chunk[4096];
  for (ssize_t n; (n = read(pipe_ends[0], chunk, sizeof chunk)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    output->append(chunk, static_cast<size_t>(n));
  }
  close(pipe_ends[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  *error = command[0] + " ended by signal " + std::to_string(WTERMSIG(status));
  return -1;
}

}  // namespace

ProbeFacts ParseProbeOutput(const std::string& text) {
  ProbeFacts facts;
  std::istringstream lines(text);
  bool stream_seen = false;  // ffprobe prints the stream again under its programme
  for (std::string line; std::getline(lines, line);) {
    if (const char* value = ValueOf(line, "codec_name")) {
      if (stream_seen) continue;
      facts.codec = value;
    } else if (const char* value = ValueOf(line, "width")) {
      if (!stream_seen) facts.width = std::atoi(value);
    } else if (const char* value = ValueOf(line, "height")) {
      if (!stream_seen) facts.height = std::atoi(value);
    } else if (const char* value = ValueOf(line, "r_frame_rate")) {
      if (!stream_seen) facts.frame_rate = Rate(value);
    } else if (const char* value = ValueOf(line, "nb_read_packets")) {
      if (!stream_seen) facts.frames = std::strtoull(value, nullptr, 10);
      stream_seen = true;
    } else if (const char* value = ValueOf(line, "duration")) {
      char* end = nullptr;
      const double seconds = std::strtod(value, &end);
      if (end != value && *end == '\0') facts.duration = seconds;
    } else if (const size_t at = line.find("] Opening '"); at != std::string::npos && line.rfind("[hls @", 0) == 0) {
      // The name as the playlist gives it, resolved against the playlist's
      // folder: its last part.
      size_t from = at + std::strlen("] Opening '");
      const size_t to = line.rfind("' for reading");
      if (to == std::string::npos || to <= from) continue;
      if (const size_t slash = line.rfind('/', to); slash != std::string::npos && slash >= from) from = slash + 1;
      facts.opened.push_back(line.substr(from, to - from));
    }
  }
  return facts;
}

bool JudgePlay(const ProbeFacts& facts, bool playlist, double seconds, bool picture, std::string* summary,
               std::string* problem) {
  char text[160];
  auto near = [&](double value) { return std::fabs(value - seconds) <= seconds * kPlayTolerance; };
  summary->clear();
  problem->clear();
  if (playlist) {
    *summary = "files";
    for (size_t i = 0; i < facts.opened.size(); ++i) *summary += (i ? ", " : " ") + facts.opened[i];
    std::snprintf(text, sizeof text, "; listed %.2f s; ", facts.duration);
    *summary += text;
    if (facts.opened.empty()) *problem = "no file read through the playlist";
    else if (!near(facts.duration)) *problem = "the listed durations are not within 2 % of the TV time";
  }
  const double decoded = facts.frame_rate > 0 ? static_cast<double>(facts.frames) / facts.frame_rate : 0;
  std::snprintf(text, sizeof text, "%llu frames of %dx%d at %g/s, %.2f s",
                static_cast<unsigned long long>(facts.frames), facts.width, facts.height, facts.frame_rate, decoded);
  *summary += picture ? text : "picture not judged (this simulator has no encoder)";
  if (picture && problem->empty()) {
    if (facts.codec != "mpeg2video" || facts.width <= 0 || facts.height <= 0 || facts.frames == 0)
      *problem = "no MPEG-2 picture (video \"" + facts.codec + "\")";
    else if (!near(decoded))
      *problem = "the frames do not last within 2 % of the TV time";
  }
  return problem->empty();
}

bool ProbeStream(const std::string& path, bool playlist, ProbeFacts* facts, std::string* error) {
  std::vector<std::string> command = {"ffprobe", "-hide_banner", "-v", playlist ? "verbose" : "error"};
  if (playlist) command.insert(command.end(), {"-f", "hls"});
  command.insert(command.end(), {"-count_packets", "-select_streams", "v:0", "-show_entries",
                                 "stream=codec_name,width,height,r_frame_rate,nb_read_packets:format=duration",
                                 "-of", "default=noprint_wrappers=1", path});
  std::string output;
  const int status = Run(command, &output, error);
  if (status < 0) return false;
  if (status != 0) {
    const size_t last = output.find_last_not_of('\n');
    const size_t start = last == std::string::npos ? 0 : output.rfind('\n', last);
    *error = "ffprobe failed (" + std::to_string(status) + "): " +
             output.substr(start == std::string::npos ? 0 : start + 1, 300);
    return false;
  }
  *facts = ParseProbeOutput(output);
  return true;
}

}  // namespace sim
