// The engine event: the record a crawl thread hands to the console with SendEvent (or, for
// progress, PostProgress), and the console handles in EngineEvent.
//
// The five fields keep their historic names; what each carries depends on the code
// (number1 / text / key / number2):
//   kLinkQueued    slot / the link / parent URL / the link's hop
//   kLinkSkipped   slot for a link met before, kURLExceptionMark for a URL exception /
//                  the link / parent URL / the link's hop
//   kProgress      slot / per key, below / a progress key / per key, below
//   kNodeEnded     slot / the row's URL / why (kBotDenied, kNotHTML, kTooBig, kCycled, an
//                  encoding or the transfer's error text) / the row's hop
//   kThreadNote    -1 / kDone, kAbortedDone, kCompleted or kNoRobotFor + host key / "" / -1
//   kStringFound   record number of the page / the page's URL / the check string / -1
//   kStop          per key, below / per key / a stop key / per key
//
// Progress keys: kNewNode (number2 the row's hop), kLinkProcessed (text the URL, number2 its
// record number), kTotal (number2 the announced size), kRead / kWrite (number2 bytes moved),
// kStringTotal (number2 the trimmed page length), kStringLeft (number2 characters still to scan),
// kNewLink (text the link, number2 -1); text is empty where not named.
//
// Stop keys: kStringFound (number1 record number, text the check string, number2 -1),
// kTimeExpired (number1 record number, text the URL, number2 -1), kMaxNodesReached (number1 the
// hop limit, text the parent URL, number2 0), kMaxRecordsReached (number1 the links limit, text
// empty, number2 -1).
#ifndef ZEB_ENGINE_ENGINE_EVENT_H_
#define ZEB_ENGINE_ENGINE_EVENT_H_

#include <cstdint>
#include <string>
#include <utility>

namespace zeb {

enum class EventCode : int {
  kLinkQueued = 0,   // a link was handled to its end
  kLinkSkipped = 5,  // a link was met before, or is a URL exception
  kProgress = 6,     // a step of the node in hand
  kNodeEnded = 7,    // a node got a final state other than "OK"
  kThreadNote = 8,   // a thread ended, or a host has no robots file
  kStringFound = 9,  // the check string was found
  kStop = 10,        // a find, the deadline or a limit stops the partner's crawl
};

// number1 of a kLinkSkipped event for a URL exception (otherwise it is the slot).
inline constexpr std::int64_t kURLExceptionMark = 1;

namespace event_key {
// Progress (kProgress).
inline constexpr const char* kNewNode = "NewNode";
inline constexpr const char* kLinkProcessed = "LinkProcessed";
inline constexpr const char* kTotal = "Total";
inline constexpr const char* kRead = "Read";
inline constexpr const char* kWrite = "Write";
inline constexpr const char* kStringTotal = "StringTotal";
inline constexpr const char* kStringLeft = "StringLeft";
inline constexpr const char* kNewLink = "NewLink";
// Stops and limits (kStop).
inline constexpr const char* kStringFound = "String Found";
inline constexpr const char* kTimeExpired = "Time Expired";
inline constexpr const char* kMaxNodesReached = "Max Nodes Reached";
inline constexpr const char* kMaxRecordsReached = "Max Records Reached";
// Why a node ended early (kNodeEnded); a transfer error or an encoding is its own text.
inline constexpr const char* kBotDenied = "bot denied";
inline constexpr const char* kNotHTML = "NotHTML";
inline constexpr const char* kTooBig = "TooBig";
inline constexpr const char* kCycled = "cycled";  // served from an address of the crawl already
}  // namespace event_key

namespace event_text {
// Thread notes (kThreadNote).
inline constexpr const char* kDone = "Done";                       // after the run report
inline constexpr const char* kAbortedDone = "Aborted--Done";       // the thread ends after a stop
inline constexpr const char* kCompleted = "completed";             // the console: no thread is left
inline constexpr const char* kNoRobotFor = "No robot found for ";  // + the host key
}  // namespace event_text

struct EngineEventArgs {
  EventCode code = EventCode::kLinkQueued;
  std::int64_t number1 = 0;
  std::string text;
  std::string key;
  std::int64_t number2 = 0;

  static EngineEventArgs LinkQueued(int slot, std::string link, std::string parent, int hop) {
    return {EventCode::kLinkQueued, slot, std::move(link), std::move(parent), hop};
  }
  // mark: the slot for a link met before, kURLExceptionMark for a URL exception.
  static EngineEventArgs LinkSkipped(std::int64_t mark, std::string link, std::string parent,
                                     int hop) {
    return {EventCode::kLinkSkipped, mark, std::move(link), std::move(parent), hop};
  }
  static EngineEventArgs Progress(int slot, std::string key, std::string text,
                                  std::int64_t number2) {
    return {EventCode::kProgress, slot, std::move(text), std::move(key), number2};
  }
  static EngineEventArgs NodeEnded(int slot, std::string url, std::string why, int hop) {
    return {EventCode::kNodeEnded, slot, std::move(url), std::move(why), hop};
  }
  static EngineEventArgs ThreadNote(std::string text) {
    return {EventCode::kThreadNote, -1, std::move(text), "", -1};
  }
  static EngineEventArgs StringFound(std::int64_t rec_no, std::string url, std::string check) {
    return {EventCode::kStringFound, rec_no, std::move(url), std::move(check), -1};
  }
  static EngineEventArgs Stop(std::string key, std::int64_t number1, std::string text,
                              std::int64_t number2) {
    return {EventCode::kStop, number1, std::move(text), std::move(key), number2};
  }
};

}  // namespace zeb

#endif  // ZEB_ENGINE_ENGINE_EVENT_H_
