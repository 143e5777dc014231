#include "data/sqlite_session.h"

#include <sqlite3.h>

#include <chrono>
#include <filesystem>

namespace zeb {
namespace {

// 20 lock retries 500 ms apart: SQLite polls a busy database with short, growing sleeps for the
// same total time, which hands the lock over much sooner than fixed half-second waits would.
constexpr int kBusyTimeoutMs = 20 * 500;

// The write gate of a database file, one per file for the whole process. The key is the file's
// absolute path, so that two spellings of one file share their gate.
std::shared_ptr<WriteGate> WriteGateOf(const std::string& file) {
  static std::mutex registry_mutex;
  static std::unordered_map<std::string, std::weak_ptr<WriteGate>> registry;
  std::error_code error;
  std::string key = std::filesystem::weakly_canonical(file, error).string();
  if (error) key = file;
  std::lock_guard<std::mutex> lock(registry_mutex);
  std::weak_ptr<WriteGate>& slot = registry[key];
  std::shared_ptr<WriteGate> gate = slot.lock();
  if (!gate) {
    gate = std::make_shared<WriteGate>();
    slot = gate;
  }
  return gate;
}

std::string Message(sqlite3* db, int rc) {
  const char* text = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  return text != nullptr ? text : sqlite3_errstr(rc);
}

}  // namespace

bool WriteGate::Enter(std::chrono::milliseconds wait) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!opened_.wait_for(lock, wait, [this] { return !taken_; })) return false;
  taken_ = true;
  return true;
}

void WriteGate::Leave() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    taken_ = false;
  }
  opened_.notify_one();
}

bool DatabaseError::IsBusy() const {
  int primary = code_ & 0xff;
  return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

bool DatabaseError::IsConstraint() const { return (code_ & 0xff) == SQLITE_CONSTRAINT; }

bool DatabaseError::IsStorageFailure() const {
  switch (code_ & 0xff) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_PERM:
      return true;
    default:
      return false;
  }
}

Statement::Statement(sqlite3* db, std::string_view sql) : db_(db) {
  int rc = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()),
                              SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
  if (rc != SQLITE_OK) {
    throw DatabaseError(Message(db_, rc) + " in: " + std::string(sql),
                        sqlite3_extended_errcode(db_), Message(db_, rc));
  }
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::Fail(int rc) const {
  (void)rc;
  int code = sqlite3_extended_errcode(db_);
  const char* sql = sqlite3_sql(stmt_);
  throw DatabaseError(Message(db_, code) + " in: " + (sql != nullptr ? sql : ""), code,
                      Message(db_, code));
}

Statement& Statement::Bind(int index, std::string_view text) {
  int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) Fail(rc);
  return *this;
}

bool Statement::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  sqlite3_reset(stmt_);
  Fail(rc);
}

void Statement::Run() {
  while (Step()) {
  }
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::ColumnInt(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

bool Statement::ColumnIsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string Statement::ColumnText(int column) const {
  // Text is single-byte and may hold NULs, so take the byte count, not the C string.
  const unsigned char* text = sqlite3_column_text(stmt_, column);
  int size = sqlite3_column_bytes(stmt_, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size));
}

Session::Session(const std::string& file, OpenMode mode)
    : file_(file), write_gate_(WriteGateOf(file)) {
  if (mode == OpenMode::kExisting && !std::filesystem::exists(file)) {
    throw DatabaseError("The database " + file + " does not exist", SQLITE_CANTOPEN);
  }
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
  if (mode == OpenMode::kCreateIfMissing) flags |= SQLITE_OPEN_CREATE;
  int rc = sqlite3_open_v2(file.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string message = "Cannot open the database " + file + ": " + Message(db_, rc);
    sqlite3_close(db_);
    db_ = nullptr;
    throw DatabaseError(message, rc);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  try {
    Exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA foreign_keys=OFF;");
  } catch (...) {
    // A file that is not a database opens but fails here; the destructor will not run.
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

Session::~Session() {
  statements_.clear();
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

Session::Session(Session&& other) noexcept
    : db_(other.db_),
      file_(std::move(other.file_)),
      write_gate_(std::move(other.write_gate_)),
      use_mutex_(std::move(other.use_mutex_)),
      statements_(std::move(other.statements_)) {
  other.db_ = nullptr;
}

Session& Session::operator=(Session&& other) noexcept {
  if (this != &other) {
    statements_.clear();
    if (db_ != nullptr) sqlite3_close_v2(db_);
    db_ = other.db_;
    file_ = std::move(other.file_);
    write_gate_ = std::move(other.write_gate_);
    use_mutex_ = std::move(other.use_mutex_);
    statements_ = std::move(other.statements_);
    other.db_ = nullptr;
  }
  return *this;
}

void Session::Exec(std::string_view sql) {
  const auto lock = Lock();
  std::string text(sql);
  char* error = nullptr;
  int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, &error);
  if (rc != SQLITE_OK) {
    std::string message = error != nullptr ? error : sqlite3_errstr(rc);
    sqlite3_free(error);
    throw DatabaseError(message + " in: " + text, sqlite3_extended_errcode(db_), message);
  }
}

QueryRef Session::Query(std::string_view sql) {
  auto lock = Lock();
  auto it = statements_.find(sql);
  if (it == statements_.end()) {
    it = statements_.emplace(std::string(sql), std::make_unique<Statement>(db_, sql)).first;
  }
  it->second->Reset();
  return QueryRef(*it->second, std::move(lock));
}

std::int64_t Session::LastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

int Session::Changes() const { return sqlite3_changes(db_); }

void Session::CheckpointUnlessBusy() {
  std::unique_lock<std::recursive_mutex> lock(*use_mutex_, std::try_to_lock);
  if (lock.owns_lock()) Checkpoint();
}

void Session::Checkpoint() {
  const auto lock = Lock();
  int rc = sqlite3_wal_checkpoint_v2(db_, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
  // A checkpoint that meets a busy writer does part of its work and is retried at the next flush.
  if (rc != SQLITE_OK && (rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED) {
    throw DatabaseError("Cannot flush " + file_ + ": " + Message(db_, rc), rc);
  }
}

bool Session::TableExists(const std::string& table) {
  // Every schema of the connection: an attached database's tables count too.
  QueryRef q = Query("SELECT 1 FROM pragma_table_list WHERE type = 'table' AND name = ?1");
  q->Bind(1, table);
  return q->Step();
}

bool Session::IndexExists(const std::string& index) {
  QueryRef q = Query("SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = ?1");
  q->Bind(1, index);
  return q->Step();
}

Transaction::Transaction(Session& session) : session_(session) {
  // The gate orders this process's writers; a writer that waited the whole lock time goes on
  // to SQLite's own lock, as it would without the gate.
  gated_ = session_.write_gate().Enter(std::chrono::milliseconds(kBusyTimeoutMs));
  lock_ = session_.Lock();
  try {
    session_.Query("BEGIN IMMEDIATE")->Run();
  } catch (...) {
    Release();
    throw;
  }
}

Transaction::~Transaction() {
  if (open_) {
    try {
      session_.Query("ROLLBACK")->Run();
    } catch (const DatabaseError&) {
      // The transaction is gone already (SQLite rolls back by itself on some errors).
    }
  }
  Release();
}

void Transaction::Commit() {
  session_.Query("COMMIT")->Run();
  open_ = false;
  Release();
}

void Transaction::Release() {
  if (lock_.owns_lock()) lock_.unlock();
  if (gated_) session_.write_gate().Leave();
  gated_ = false;
}

}  // namespace zeb
