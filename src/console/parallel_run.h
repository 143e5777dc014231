// Partners of a project checked side by side, for a headless run: up to `runners` partners at
// once, each by a run controller of its own on a thread of its own, with its own work database
// (the data folder's tables shared through it, see OpenRunSession) and its own run report, so
// that each partner's stored results, history and report block are those a run of one partner
// after another gives. The report blocks are appended to the run report in the partners' order,
// each as soon as the partners before it are done. Two partners of the same host (leading "www."
// ignored) are never checked at once: the next partner is the first in order whose host is free.
//
// The console checks one partner at a time and does not use this.
#ifndef ZEB_CONSOLE_PARALLEL_RUN_H_
#define ZEB_CONSOLE_PARALLEL_RUN_H_

#include <cstddef>
#include <string>
#include <vector>

#include "console/bot_settings.h"
#include "console/run_controller.h"
#include "data/file_locations.h"

namespace zeb {

inline constexpr int kMaxParallelPartners = 20;

// What a side-by-side run tells, each call naming the partner by its index in the run's list.
// Calls come from the partners' threads, one call at a time.
class ParallelRunObserver {
 public:
  virtual ~ParallelRunObserver() = default;
  virtual void OnPartnerStarted(std::size_t index) { (void)index; }
  virtual void OnMessage(std::size_t index, const std::string& line, MessageRole role) {
    (void)index;
    (void)line;
    (void)role;
  }
  virtual void OnEvent(std::size_t index, const EngineEventArgs& event) {
    (void)index;
    (void)event;
  }
  // The partner's display changed; controller is its own, read on its own thread.
  virtual void OnDisplayChanged(std::size_t index, const RunController& controller) {
    (void)index;
    (void)controller;
  }
  virtual void OnPartnerFinished(std::size_t index, const PartnerOutcome& outcome,
                                 WorkTables& tables) {
    (void)index;
    (void)outcome;
    (void)tables;
  }
};

// The host whose partners are never checked at once: the address's host name in lower case,
// without a leading "www." and without the port.
std::string PoliteHostKey(const std::string& url);

// Checks the partners of the project, up to `runners` (1..kMaxParallelPartners) at once, and
// returns their outcomes in the partners' order. options are each partner's run options (the
// pause before a next partner is not used). Throws what opening the data folder throws, or the
// first failure of a partner's run that is not a storage failure, once every partner thread
// has ended; a storage failure is the partner's outcome, as in a run of one partner after
// another.
std::vector<PartnerOutcome> RunPartnersSideBySide(const FileLocations& locations,
                                                  const std::string& settings_file,
                                                  const BotSettings& settings, RunOptions options,
                                                  const std::string& project,
                                                  const std::vector<std::string>& partners,
                                                  int runners, ParallelRunObserver* observer);

}  // namespace zeb

#endif  // ZEB_CONSOLE_PARALLEL_RUN_H_
