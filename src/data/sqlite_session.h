// A thin RAII layer over the sqlite3 C API: one Session is one connection.
//
// Each crawl thread opens its own Session. Sessions run in WAL mode, so readers never block the one
// writer, and wait for a busy database for up to 20 x 500 ms before an operation fails with
// "database is locked".
//
// Errors: every failing sqlite3 call throws DatabaseError, whose what() names the statement's
// purpose and SQLite's message; code() is SQLite's extended result code.
// Thread safety: a Session and its statements may be used by one thread at a time. They may
// pass between threads when the uses never overlap: the console's view of the frontier is used
// by the crawl threads one at a time under the hand-out's lock, and by the console between
// partners. Move-only.
#ifndef ZEB_DATA_SQLITE_SESSION_H_
#define ZEB_DATA_SQLITE_SESSION_H_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace zeb {

class DatabaseError : public std::runtime_error {
 public:
  // cause: SQLite's own words without the statement ("database or disk is full"); the message
  // when empty.
  DatabaseError(const std::string& message, int code, std::string cause = {})
      : std::runtime_error(message), code_(code),
        cause_(cause.empty() ? message : std::move(cause)) {}
  int code() const { return code_; }
  const std::string& cause() const { return cause_; }
  // True for SQLITE_BUSY / SQLITE_LOCKED: another connection held the database too long.
  bool IsBusy() const;
  // True for a UNIQUE or PRIMARY KEY violation.
  bool IsConstraint() const;
  // True when the storage itself failed: the disk is full, the file is read-only, cannot be
  // opened, or an I/O error or a damaged file stopped SQLite.
  bool IsStorageFailure() const;

 private:
  int code_;
  std::string cause_;
};

// A prepared statement. Bind values with 1-based indexes, then Step() through the rows.
class Statement {
 public:
  Statement(sqlite3* db, std::string_view sql);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int index, std::string_view text);
  Statement& Bind(int index, const char* text) { return Bind(index, std::string_view(text)); }
  Statement& Bind(int index, const std::string& text) {
    return Bind(index, std::string_view(text));
  }
  Statement& Bind(int index, std::int64_t value);
  Statement& Bind(int index, int value) { return Bind(index, static_cast<std::int64_t>(value)); }
  Statement& Bind(int index, bool value) { return Bind(index, std::int64_t{value ? 1 : 0}); }

  // Advances to the next row: true when a row is ready, false when the statement is done.
  bool Step();
  // Steps to the end, for statements that return no rows.
  void Run();
  // Ready for new bindings and a new run.
  void Reset();

  std::int64_t ColumnInt(int column) const;
  bool ColumnBool(int column) const { return ColumnInt(column) != 0; }
  bool ColumnIsNull(int column) const;
  std::string ColumnText(int column) const;

 private:
  [[noreturn]] void Fail(int rc) const;

  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

// A statement borrowed from a session's cache. It is reset when the borrow ends, so that no
// finished query keeps a read snapshot open (in WAL mode that would hide other connections'
// later writes and hold back checkpoints). The borrow holds the session's lock: threads that
// share a session take their turns statement by statement.
class QueryRef {
 public:
  QueryRef(Statement& statement, std::unique_lock<std::recursive_mutex> lock)
      : statement_(&statement), lock_(std::move(lock)) {}
  ~QueryRef() {
    if (statement_ != nullptr) statement_->Reset();
  }
  QueryRef(QueryRef&& other) noexcept
      : statement_(other.statement_), lock_(std::move(other.lock_)) {
    other.statement_ = nullptr;
  }
  QueryRef(const QueryRef&) = delete;
  QueryRef& operator=(const QueryRef&) = delete;
  QueryRef& operator=(QueryRef&&) = delete;

  Statement* operator->() const { return statement_; }
  Statement& operator*() const { return *statement_; }

 private:
  Statement* statement_;
  std::unique_lock<std::recursive_mutex> lock_;
};

enum class OpenMode {
  kExisting,        // the database file must exist
  kCreateIfMissing  // make an empty database when the file is missing
};

// One writer at a time among the sessions of this process on one database file.
class WriteGate {
 public:
  // True when the gate was taken within `wait`; false when it stayed closed that long.
  bool Enter(std::chrono::milliseconds wait);
  void Leave();

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool taken_ = false;  // Guarded by mutex_
};

class Session {
 public:
  // Opens the database file. Throws DatabaseError when it cannot be opened (with kExisting: when
  // the file does not exist); the message names the file.
  Session(const std::string& file, OpenMode mode);
  ~Session();
  Session(Session&&) noexcept;
  Session& operator=(Session&&) noexcept;

  // Runs one or more statements without results.
  void Exec(std::string_view sql);

  // The statement for sql, prepared once per session and reused, with cleared bindings. Do not
  // borrow the same text twice at once (nested loops over one query).
  QueryRef Query(std::string_view sql);

  // Of the connection's last statement: ask while the QueryRef or Transaction that ran it is
  // held, so that no other thread's statement comes in between.
  std::int64_t LastInsertRowId() const;
  int Changes() const;

  // Writes the write-ahead log back into the database file (the "flush" of the tables).
  void Checkpoint();
  // As Checkpoint, unless another thread is checkpointing through this session right now: that
  // one writes the log back, as a checkpoint meeting another one would have left it to it.
  void CheckpointUnlessBusy();

  // Whether a table of that name is in any of the connection's databases (attached ones too).
  bool TableExists(const std::string& table);
  // Whether an index of that name is in the main database.
  bool IndexExists(const std::string& index);

  const std::string& file() const { return file_; }

  // Shared by every session of this process on the same database file: a write transaction
  // waits here for the one before it instead of polling SQLite's lock with sleeps.
  WriteGate& write_gate() { return *write_gate_; }
  // The connection's own lock. A session may be shared by threads: each statement borrow,
  // Exec and transaction holds it, so one thread's statements never interleave another's.
  std::unique_lock<std::recursive_mutex> Lock() const {
    return std::unique_lock<std::recursive_mutex>(*use_mutex_);
  }

 private:
  sqlite3* db_ = nullptr;
  std::string file_;
  std::shared_ptr<WriteGate> write_gate_;
  std::unique_ptr<std::recursive_mutex> use_mutex_ = std::make_unique<std::recursive_mutex>();
  // Looked up by the caller's text as it is: no string is built for a statement already cached.
  struct SqlHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view sql) const {
      return std::hash<std::string_view>{}(sql);
    }
  };
  std::unordered_map<std::string, std::unique_ptr<Statement>, SqlHash, std::equal_to<>>
      statements_;
};

// A write transaction, begun IMMEDIATE so that it holds the write lock from the start (a read
// that later turns into a write could otherwise fail at once in WAL mode). Rolls back unless
// Commit() was called.
class Transaction {
 public:
  explicit Transaction(Session& session);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  // Lets go of the session's lock and the write gate, once.
  void Release();

  Session& session_;
  bool open_ = true;
  bool gated_ = false;  // holds the session's write gate
  std::unique_lock<std::recursive_mutex> lock_;  // the session's lock, for the whole transaction
};

}  // namespace zeb

#endif  // ZEB_DATA_SQLITE_SESSION_H_
