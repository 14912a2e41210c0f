// One line for everything the simulated host does; tvsim prints them.
#pragma once

#include <functional>
#include <string>

namespace sim {

void SetHostLog(std::function<void(const std::string&)> log);
void HostLog(const std::string& line);

}  // namespace sim
