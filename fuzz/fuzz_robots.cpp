#include "analysis/robots.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args = zeb::fuzz::Split(data, size, 2);
  std::string key = zeb::RobotsHostKey(args[1]);
  zeb::Lines entries = zeb::ParseRobots(zeb::SplitLines(args[0]), key);
  zeb::RobotsDenies(args[1], entries);
  return 0;
}
