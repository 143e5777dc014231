// What a crawl thread sees of the console: the small interface through which it reports engine
// events (engine/engine_event.h) and reads and changes the run's state.
//
// The run controller implements ConsoleLink. Every call but NextOpenRecord and the two cheap
// flag reads is synchronised with the controller: it runs there and returns when it is done, so
// calls never overlap each other or a controller handler. NextOpenRecord runs on the calling
// crawl thread, mutually exclusive with every other NextOpenRecord.
#ifndef ZEB_ENGINE_CONSOLE_LINK_H_
#define ZEB_ENGINE_CONSOLE_LINK_H_

#include <optional>
#include <string>

#include "analysis/link_verdict.h"
#include "data/work_tables.h"
#include "engine/engine_event.h"

namespace zeb {

class ConsoleLink {
 public:
  virtual ~ConsoleLink() = default;

  // The next frontier record to crawl (hot records first), or nullopt when none is left.
  virtual std::optional<RecNo> NextOpenRecord() = 0;

  // The partner's stop flag AbortRequested, set by a find, the deadline, the hop limit or the
  // user's Stop; a thread copies it into its AbortSeen at safe points and ends after the node
  // in hand.
  virtual bool ReadAbort() = 0;
  virtual void SetAbort() = 0;
  // The user pressed Stop (and only that): unlike AbortRequested it also ends transfers in
  // progress and throttle sleeps. Cheap; polled from the transfer's progress callback.
  virtual bool UserStopped() = 0;
  // The partner's Find text was found: its result is decided, so the other threads' transfers
  // end at once, as on Stop, instead of holding the partner until a slow page is read. Cheap.
  virtual bool PartnerDecided() { return false; }
  // Blocks while the run is paused.
  virtual void WaitWhilePaused() = 0;

  // Asks for one more crawl thread at the next tick. Cheap: it only sets a flag.
  virtual void RequestStart() = 0;
  virtual void PushHotRecord(RecNo rec_no) = 0;
  // The Find text was found on url; the console takes it as the found page and updates the
  // partner with the two found flags.
  virtual void ShowFound(const std::string& url, bool found, bool long_found) = 0;
  // Modern web, just before ShowFound: whether the user's link on url counts with search
  // engines, with the evidence.
  virtual void ShowVerdict(const std::string& url, const LinkVerdict& verdict) {
    (void)url;
    (void)verdict;
  }

  // Synchronised: returns when the console has handled the event.
  virtual void SendEvent(const EngineEventArgs& event) = 0;
  // A progress notice (code 6): may be handed over without waiting, in order per thread.
  virtual void PostProgress(EngineEventArgs event) { SendEvent(event); }
  // A notice the console only passes on (a link queued or skipped, a node ended): may be handed
  // over without waiting, in order per thread and before any later synchronised call.
  virtual void PostEvent(EngineEventArgs event) { SendEvent(event); }
  // Adds a line to the run's messages (a failure the user must hear of).
  virtual void AddMessage(const std::string& line) = 0;
  // As AddMessage, but a line the run's messages hold already is not added again (a bad
  // setting that every node meets).
  virtual void AddMessageOnce(const std::string& line) = 0;

  // Modern web: the partner's start page could not be checked (a refusal, a bot wall, a host
  // that cannot be reached, robots.txt), with a short reason ("403 challenge page"). The first
  // report of a partner's run is the one that counts.
  virtual void StartPageUnverifiable(const std::string& reason) { (void)reason; }
  // The data folder's storage failed (disk full, read-only, I/O error): the partner's crawl
  // stops and nothing of it is stored. what: SQLite's message.
  virtual void StorageFailed(const std::string& what) { (void)what; }

  virtual std::string ReadProject() = 0;
  virtual std::string ReadPartner() = 0;
  virtual std::string ReadUserAgent() = 0;
};

}  // namespace zeb

#endif  // ZEB_ENGINE_CONSOLE_LINK_H_
