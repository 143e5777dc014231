// The crawl's work tables: the frontier DBWebEngine (one row per address met), URLTrack (one row
// per distinct address, with the page that first led to it) and Host (the robots cache).
//
// Rows are addressed by record number: the 1-based insertion position, which starts again at 1
// when the tables are emptied. Every row change is its own short transaction.
//
// Errors: DatabaseError from the session. Where a method documents a bool or optional result,
// that result stands for the failures the crawl expects (a busy database, a duplicate address)
// and only for those: any other failure (a full disk, a broken file) still throws, so it can
// never pass for a duplicate.
// Thread safety: as the Session the object is made with; threads that share a session may
// each keep a WorkTables over it.
#ifndef ZEB_DATA_WORK_TABLES_H_
#define ZEB_DATA_WORK_TABLES_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "data/sqlite_session.h"
#include "text/lines.h"

namespace zeb {

using RecNo = std::int64_t;

// The states of a frontier row (its RunState). A page is queued "open" (or, when it is never to
// be fetched, with why not), is "working" while in hand, and ends "OK" or with why it did not;
// a page served with a content encoding the original crawl cannot read ends with that
// encoding's name instead.
namespace row_state {
inline constexpr const char* kOpen = "open";             // queued, to be fetched
inline constexpr const char* kWorking = "working";       // its page is in hand
inline constexpr const char* kOK = "OK";                 // fetched and handled to its end
inline constexpr const char* kCycled = "cycled";         // an address of the crawl already
inline constexpr const char* kError = "Error";           // the transfer failed
inline constexpr const char* kBotDenied = "bot-denied";  // robots.txt keeps the bot out
inline constexpr const char* kNotHTML = "non-htm";       // not a page to fetch
inline constexpr const char* kTooBig = "TooBig";         // larger than the page size limit
inline constexpr const char* kSecure = "secure";         // an https link (original crawl)
inline constexpr const char* kLongURL = "longURL";       // address cut to the queued length
inline constexpr const char* kURLException = "URLExc";   // matches a URL exception word
}  // namespace row_state

// Fields of DBWebEngine that a row update may set.
enum class FrontierField {
  URL, ParentURL, Node, RunState, LinkType, ResponseCode, StringsFound, Cache, TitleTag,
  DescriptionTag, STTags, STDensity, RawHeaders, Host, AllLinks, InternalLinks, ExternalLinks,
  FileSize,
};

const char* FrontierFieldName(FrontierField field);

// One field's new value: text (memo fields take their lines joined with CR LF), integer or switch.
struct FieldValue {
  FrontierField field;
  std::variant<std::string, std::int64_t, bool> value;
};
using RowUpdate = std::vector<FieldValue>;

FieldValue SetText(FrontierField field, std::string text);
FieldValue SetLines(FrontierField field, const Lines& lines);
FieldValue SetInt(FrontierField field, std::int64_t value);
FieldValue SetBool(FrontierField field, bool value);

// The addressing fields of a frontier row (cheap to read).
struct FrontierNode {
  RecNo rec_no = 0;
  std::string URL;
  std::string ParentURL;
  int Node = 0;
  std::string RunState;
  std::string LinkType;
};

// Every field of a frontier row.
struct FrontierRow : FrontierNode {
  std::string ResponseCode;
  bool StringsFound = false;
  Lines Cache, TitleTag, DescriptionTag, STTags, STDensity, RawHeaders;
  std::string Host;
  Lines AllLinks, InternalLinks, ExternalLinks;
  std::int64_t FileSize = 0;
};

// A row to append. An unset LinkType leaves the column default, "doc".
struct NewFrontierRow {
  std::string URL;
  std::string ParentURL;
  int Node = 0;
  std::string RunState;
  std::optional<std::string> LinkType;
};

struct TrackRow {
  std::string URL;
  std::string ParentURL;
  int Node = 0;
};

struct HostRow {
  std::string Host;
  bool BotFound = false;
  Lines RobotText;
  Lines RobotFull;
};

class WorkTables {
 public:
  explicit WorkTables(Session& session) : session_(session) {}

  // Appends a frontier row; returns its record number. Throws DatabaseError on failure.
  RecNo AppendFrontier(const NewFrontierRow& row);
  // As AppendFrontier, but a busy database or a duplicate gives nullopt (the crawl drops such a
  // row).
  std::optional<RecNo> TryAppendFrontier(const NewFrontierRow& row);

  // Row update with one retry: set the fields; when that fails (busy database, missing row),
  // wait retry_wait and try once more; when that fails too the row keeps its earlier values.
  // Returns whether the update was applied; other failures throw.
  bool UpdateRow(RecNo rec_no, const RowUpdate& update,
                 std::chrono::milliseconds retry_wait = std::chrono::milliseconds(100));

  std::optional<FrontierNode> Node(RecNo rec_no);
  std::optional<FrontierRow> Row(RecNo rec_no);
  // Number of frontier rows (rows are only appended, so this is also the last record number).
  std::int64_t RecordCount();
  // Record number of the first "open" row at or after `from`, if any.
  std::optional<RecNo> NextOpen(RecNo from);
  // RecordCount and NextOpen(from) read together, in one statement.
  struct OpenAndCount {
    std::int64_t count = 0;
    std::optional<RecNo> open;
  };
  OpenAndCount CountAndNextOpen(RecNo from);

  // Records an address unless it is there already. Returns true when this call added it; a
  // duplicate, also one written by another session at the same moment, is dropped quietly.
  bool TrackURL(const TrackRow& row);
  // Whether either address is recorded (an address and its twin under the other scheme).
  bool IsTracked(const std::string& url, const std::string& twin);
  std::optional<TrackRow> FindTrack(const std::string& url);
  std::int64_t TrackCount();

  std::optional<HostRow> FindHost(const std::string& host);
  // Stores a host row unless one with the key exists; true when this call stored it.
  bool InsertHost(const HostRow& row);

  // Empties DBWebEngine, URLTrack and Host in one step; record numbers start at 1 again.
  void EmptyAll();

  // Adds or removes the case-insensitive, non-unique index "URLidx" on DBWebEngine.URL.
  void SetURLIndex(bool on);
  bool HasURLIndex();
  // Frontier rows of an address (letter case ignored), in record order.
  std::vector<FrontierRow> RowsByURL(const std::string& url);
  // The first row of an address (letter case ignored), if any.
  std::optional<FrontierRow> FirstRowByURL(const std::string& url);

  // Writes buffered changes back to the database file.
  void Flush() { session_.Checkpoint(); }

  Session& session() { return session_; }

 private:
  bool ApplyUpdate(RecNo rec_no, const RowUpdate& update);

  Session& session_;
};

}  // namespace zeb

#endif  // ZEB_DATA_WORK_TABLES_H_
