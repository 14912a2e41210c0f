#include "sim/scenario/file_checks.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

namespace sim {
namespace {

constexpr size_t kListedNames = 10;
constexpr size_t kGotBytes = 600;

std::string JoinCut(const std::vector<std::string>& parts) {
  std::string text;
  for (size_t i = 0; i < parts.size() && i < kListedNames; ++i)
    text += (i ? ", " : "") + parts[i];
  if (parts.size() > kListedNames) text += ", ...";
  if (text.size() > kGotBytes) text = text.substr(0, kGotBytes) + "...";
  return text;
}

}  // namespace

std::vector<std::string> SortedNames(const std::string& folder, std::error_code* error) {
  std::vector<std::string> names;
  std::error_code ignored;
  std::error_code& failure = error != nullptr ? *error : ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failure))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool ParseBytes(const std::string& word, uint64_t* bytes) {
  if (word.empty() || word[0] < '0' || word[0] > '9') return false;
  errno = 0;
  char* end = nullptr;
  unsigned long long number = std::strtoull(word.c_str(), &end, 10);
  if (errno == ERANGE) return false;
  int shift = 0;
  std::string unit(end);
  if (unit == "K") shift = 10;
  else if (unit == "M") shift = 20;
  else if (unit == "G") shift = 30;
  else if (unit == "T") shift = 40;
  else if (!unit.empty()) return false;
  if (number > (~0ull >> shift)) return false;
  *bytes = static_cast<uint64_t>(number) << shift;
  return true;
}

bool ParseSizeRange(const std::string& word, uint64_t* low, uint64_t* high) {
  size_t dash = word.find('-');
  uint64_t from = 0, to = UINT64_MAX;
  if (dash == std::string::npos) {
    if (!ParseBytes(word, &from)) return false;
    to = from;
  } else {
    std::string first = word.substr(0, dash), second = word.substr(dash + 1);
    if (first.empty() && second.empty()) return false;
    if (!first.empty() && !ParseBytes(first, &from)) return false;
    if (!second.empty() && !ParseBytes(second, &to)) return false;
  }
  if (from > to) return false;
  *low = from;
  *high = to;
  return true;
}

bool IsTransportStream(const std::string& path, std::string* why) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    *why = "cannot open";
    return false;
  }
  std::vector<char> chunk(kPacketBytes * 4096);
  uint64_t offset = 0;
  while (file) {
    file.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    const size_t got = static_cast<size_t>(file.gcount());
    if (got % kPacketBytes != 0) {
      *why = "not whole packets (" + std::to_string(offset + got) + "+ bytes)";
      return false;
    }
    for (size_t at = 0; at < got; at += kPacketBytes)
      if (static_cast<unsigned char>(chunk[at]) != kSyncByte) {
        *why = "no sync byte at byte " + std::to_string(offset + at);
        return false;
      }
    offset += got;
  }
  if (offset == 0) {
    *why = "no packets";
    return false;
  }
  return true;
}

std::string DescribeEntry(const std::string& folder, const std::string& name) {
  std::filesystem::path path = std::filesystem::path(folder) / name;
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return name + "/";
  const uintmax_t size = std::filesystem::file_size(path, error);
  if (error) return name + " ? bytes";
  // Streams are whole 188-byte packets: say whether this one is.
  const bool stream = name.size() > 3 && name.compare(name.size() - 3, 3, ".ts") == 0;
  if (!stream) return name + " " + std::to_string(size) + " bytes";
  return name + " " + std::to_string(size) + " bytes, " +
         (size % kPacketBytes == 0 ? "whole" : "broken") + " packets";
}

std::string MatchingNames(const std::string& folder, const std::string& name_pattern) {
  const std::regex pattern(name_pattern);
  std::vector<std::string> matching;
  for (const std::string& name : SortedNames(folder))
    if (std::regex_match(name, pattern)) matching.push_back(name);
  return JoinCut(matching);
}

bool FindMatchingFile(const std::string& folder, const std::string& name_pattern, uint64_t low,
                      uint64_t high, bool stream, std::string* got) {
  const std::regex pattern(name_pattern);
  const std::vector<std::string> names = SortedNames(folder);
  std::vector<std::string> found;
  for (const std::string& name : names) {
    if (!std::regex_match(name, pattern)) continue;
    std::filesystem::path path = std::filesystem::path(folder) / name;
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    std::string why;
    if (!error && size >= low && size <= high && (!stream || IsTransportStream(path, &why)))
      return true;
    found.push_back(error ? name + " (no file size)"
                          : name + " " + std::to_string(size) + " bytes" +
                                (why.empty() ? "" : ", " + why));
  }
  *got = found.empty() ? "no such entry in " + folder + " (it holds: " +
                             (names.empty() ? "nothing" : JoinCut(names)) + ")"
                       : JoinCut(found);
  return false;
}

}  // namespace sim
