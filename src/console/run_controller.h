// The run controller of the bot console, without any window: it runs the checked partners of a
// project one after another. For each partner it seeds the work tables with the start page,
// starts crawl threads (the first at once, every further one on a tick of Timer1 after a
// running thread asked for it, up to the Connections setting), hands out frontier records,
// keeps the run state and the running messages, and when no thread is left it hands the
// partner on and moves to the next one after a short pause (Timer2).
//
// The controller lives on one owner thread (the console's GUI thread, or the caller of
// RunToEnd). Its handlers run only there; crawl threads reach it through ConsoleLink, whose
// calls are dispatched onto the owner thread and wait, except NextOpenRecord, which runs on the
// crawl thread under a lock of its own, and progress notices, which are queued without waiting.
//
// A window observes the controller through RunObserver; the observer is called on the owner
// thread.
#ifndef ZEB_CONSOLE_RUN_CONTROLLER_H_
#define ZEB_CONSOLE_RUN_CONTROLLER_H_

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "console/bot_settings.h"
#include "console/dispatcher.h"
#include "console/frontier_handout.h"
#include "console/partner_selection.h"
#include "console/result_tree.h"
#include "console/tree_selection.h"
#include "data/file_locations.h"
#include "data/sqlite_session.h"
#include "data/work_tables.h"
#include "engine/console_link.h"
#include "engine/crawl_engine.h"
#include "engine/network_settings.h"
#include "text/date_time.h"

namespace zeb {

struct AnalysisInputs;

inline constexpr int kMaxConnections = 20;

struct RunOptions {
  std::chrono::milliseconds tick{2000};               // Timer1
  std::chrono::milliseconds next_partner_delay{500};  // Timer2
  bool post_progress = true;  // progress notices are queued instead of waited for
  // The shortest whole-transfer limit of a page fetch.
  std::chrono::milliseconds transfer_floor = kTransferFloor;
  // AutoRun: the console closes itself when the run ends.
  bool AutoRun = false;
};

// What the console shows of a run; the labels carry the names of the console's controls.
struct ConsoleDisplay {
  std::string Label16 = "0";  // links found: links_found as shown
  std::int64_t links_found = 0;
  std::string Label17 = "0/0";              // records / handed out
  std::string Label24;                      // partner / of
  std::string Label28 = "0";                // hop of the last node begun
  std::string Label33;                      // the Find text
  std::string Label35;                      // the Start-at address
  std::string HTMLabel1;                    // the "Start at" link
  std::string HTMLabel2;                    // the "Partner" link
  std::array<int, kMaxConnections> bars{};  // connection bars, 0 to 100
  std::vector<std::string> Memo1;           // running messages
  int memo_generation = 0;                  // counts the times Memo1 was emptied
  bool stop_enabled = false;
  bool pause_enabled = false;
  bool paused = false;
  std::vector<TreeNode> HTMLTreeview1;  // the result tree
  int tree_serial = 0;                  // counts the changes of the tree
  TreeSelection tree_selection;         // its selection, Backlink and Start Base
  bool lock_tree = false;               // Lock Tree: checked
  bool lock_tree_enabled = true;
  std::string selected_partner;  // the partner list's selection
  // Changes whenever the partner list's selection is to follow selected_partner (a run moving
  // to its next partner, a tree edit); a view compares it with the value it saw last.
  int selection_serial = 0;
  bool close_requested = false;  // AutoRun: the window closes itself

  // The counters, bars and hop label start again for a partner.
  void ResetPartnerCounters() {
    links_found = 0;
    Label16 = "0";
    Label17 = "0/0";
    bars.fill(0);
    Label28 = "0";
  }
};

// The outcome of one partner's crawl.
struct PartnerOutcome {
  std::string partner;
  std::string start_url;
  std::string FoundURL;  // empty when not found
  bool found_short = false;
  bool found_long = false;
  bool TimeExpired = false;
  bool MaxHopsReached = false;
  bool MaxRecordsReached = false;
  bool aborted = false;
  int Hops = 0;        // hop of the backlink page, when found
  std::string reason;  // why it was not found (from the analysis), when it was not
  // Modern web: why the start page could not be checked; the outcome is then "Unverifiable"
  // and never a lost link.
  std::string unverifiable;
  // The data folder's storage failed during the check (SQLite's message): nothing of it was
  // stored, the partner's record and history are as they were.
  std::string storage_failure;
  // Modern web: what the check came to for search engines, as recorded in ZEBLinkVerdict
  // ("counts", the reason it does not, "not found", "unverifiable"); empty when the check was
  // not recorded. anchor_text: the deciding link's.
  std::string verdict;
  std::string anchor_text;
  // The project the check was recorded under: the partner's own, also in a run over "Default".
  std::string recorded_project;
};

// A running message is a routine step that every partner goes through ("Starting...",
// "Checking: ...", "Analyzing...") or a notice worth telling (a limit, an update, a problem).
enum class MessageRole { kRoutine, kNotice };

class RunObserver {
 public:
  virtual ~RunObserver() = default;
  virtual void OnMessage(const std::string& line, MessageRole role) {
    (void)line;
    (void)role;
  }
  virtual void OnEvent(const EngineEventArgs& event) { (void)event; }
  virtual void OnDisplayChanged() {}
  // The partner's threads have all ended; the work tables still hold its crawl.
  virtual void OnPartnerFinished(const PartnerOutcome& outcome, WorkTables& tables) {
    (void)outcome;
    (void)tables;
  }
  virtual void OnRunFinished() {}
};

class RunController : public ConsoleLink {
 public:
  // settings: the bot settings as loaded; settings_file: the store the crawl threads re-read
  // the network values from. The controller's owner is the constructing thread.
  RunController(FileLocations locations, std::string settings_file, BotSettings settings,
                RunOptions options = {});
  ~RunController() override;
  RunController(const RunController&) = delete;
  RunController& operator=(const RunController&) = delete;

  void set_observer(RunObserver* observer) { observer_ = observer; }

  // The bot settings of the next run (the console's controls as they are when Run Checked is
  // pressed, saved or not). Ignored while a run is on.
  void UseSettings(const BotSettings& settings);
  // AutoRun: the console closes itself when the run ends (display().close_requested).
  void SetAutoRun(bool on) { options_.AutoRun = on; }

  // ShowPartner outside a run (a partner chosen in the list): its links, start page, hop and
  // Find text, and its stored result tree unless Lock Tree is checked. A partner the project
  // lacks changes nothing. Throws DatabaseError when the tables cannot be read.
  void ShowSelectedPartner(const std::string& project, const std::string& partner);
  // The partner list was reloaded: no partner is shown (the start page and Find text empty).
  void ClearPartnerLabels();
  // Lock Tree (RECheckBox7).
  void SetLockTree(bool on);
  // Another project is chosen (outside a run): the tree is emptied; the tree's buttons now
  // work on this project's partners.
  void SelectProject(const std::string& project);

  // Run Checked: crawls the given partners of the project, in this order. Throws DatabaseError
  // or MissingTableError when the data folder cannot be opened.
  void HTMLButton2Click(const std::string& project, const std::vector<std::string>& partners);
  // Pause / Resume.
  void HTMLButton15Click();
  // The result tree: selecting a node (by its path of child indexes) enables Backlink for the
  // last page of a chain and Start Base for a page with pages under it.
  void HTMLTreeview1MouseUp(const std::vector<std::size_t>& path);
  // Backlink / Start Base: the selected page becomes the partner's backlink address / start page
  // (at its depth under the partner's title). Return whether a partner was changed.
  bool HTMLButton5Click();
  bool HTMLButton14Click();
  // Stop.
  void HTMLButton3Click();

  // The console's handling of an engine event, and of a thread's end (slot freed, bar reset).
  void EngineEvent(const EngineEventArgs& event);
  void SlotFinished(int slot);

  // Owner thread: runs the timers and the threads' calls until the run has ended.
  void RunToEnd();
  // Owner thread with an event loop of its own: runs the threads' queued calls and the timers
  // that are due. Returns when the next timer falls due, or nullopt when none is on. Call it
  // when the dispatcher's wake hook fires and when that time comes.
  std::optional<Dispatcher::Clock::time_point> ServeDue();
  // The two throttles stay editable while a run goes on; threads started afterwards use them.
  void SetThrottles(int bandwidth, int process) {
    settings_.ThrottleBand = bandwidth;
    settings_.ThrottleProc = process;
  }
  // Any thread: asks the owner thread to stop / pause the run.
  void RequestStop();
  void RequestPause();

  bool Running() const { return running_; }
  const ConsoleDisplay& display() const { return display_; }
  const std::vector<PartnerOutcome>& outcomes() const { return outcomes_; }
  int busy_slots() const;
  // Largest number of crawl threads alive at once in this run.
  int peak_threads() const { return peak_threads_; }
  // Crawl threads whose body has not returned yet.
  int live_threads() const { return live_threads_.load(); }
  // Crawl threads waiting for Resume at the pause gate.
  int held_threads() const;
  Dispatcher& dispatcher() { return dispatcher_; }
  int Connections() const;
  // What a crawl thread started now in `slot` is given.
  EngineSettings ThreadSettings(int slot) const;

  // ConsoleLink, called by crawl threads.
  std::optional<RecNo> NextOpenRecord() override;
  bool ReadAbort() override { return AbortRequested.load(); }
  void SetAbort() override;
  bool UserStopped() override { return user_stopped_.load(); }
  bool PartnerDecided() override { return decided_.load(); }
  void WaitWhilePaused() override;
  void RequestStart() override;
  void PushHotRecord(RecNo rec_no) override;
  void ShowFound(const std::string& url, bool found, bool long_found) override;
  void ShowVerdict(const std::string& url, const LinkVerdict& verdict) override;
  void SendEvent(const EngineEventArgs& event) override;
  void PostProgress(EngineEventArgs event) override;
  void PostEvent(EngineEventArgs event) override { PostProgress(std::move(event)); }
  void AddMessage(const std::string& line) override;
  void AddMessageOnce(const std::string& line) override;
  void StartPageUnverifiable(const std::string& reason) override;
  void StorageFailed(const std::string& what) override;
  std::string ReadProject() override;
  std::string ReadPartner() override;
  std::string ReadUserAgent() override;

 private:
  // The run's steps: a partner's start, its seeding of the work tables, the two timers, and
  // the analysis and partner update when its threads have ended.
  void StartPartnerRun();
  void SeedRun();
  void Timer1Timer();
  void Timer2Timer();
  void FinishPartner();
  // The partner's analysis inputs as the run left them.
  AnalysisInputs PartnerAnalysisInputs() const;
  void AnalyzeRun();
  // Modern web: the partner's check in the library's own history (ZEBCheckHistory) and its
  // verdict (ZEBLinkVerdict), in one transaction; sets the outcome's verdict.
  void RecordCheck(PartnerOutcome& outcome);
  // The found page's verdict, when the page the partner ended on was judged.
  const LinkVerdict* FoundVerdict() const;
  void UpdatePartner(bool found_short, bool found_long);
  void ShowProgress(const EngineEventArgs& event);
  void ShowLimit(const EngineEventArgs& event);
  void ShowPartner(const std::string& partner);
  void ShowPartnerView(const PartnerView& view);
  void StartThread(int slot);
  void JoinFinishedThreads();
  // A storage failure stops the partner's crawl; its check is then stored nowhere. True when e
  // was one (it is noted), false for any other failure.
  void NoteStorageFailure(const std::string& what);
  bool IsStorageFailure(const std::exception& e);
  void FinishWithStorageFailure(PartnerOutcome& outcome);
  void Memo(const std::string& line, MessageRole role = MessageRole::kNotice);
  void SetControlsEnabled(bool on);
  void Changed();
  void SetPaused(bool paused);
  // A copy of an owner-thread string, taken on the owner thread.
  std::string ReadOnOwner(const std::string& value);
  bool EditFromTree(TreeSelection::Edit edit);

  FileLocations locations_;
  std::string settings_file_;
  BotSettings settings_;
  RunOptions options_;
  RunObserver* observer_ = nullptr;
  Dispatcher dispatcher_;

  // Owner-thread state.
  std::unique_ptr<Session> session_;  // for the tables' work on the owner thread
  // The crawl threads' shared connection, also the view NextOpenRecord reads through, and
  // the connection their flushes go through.
  std::shared_ptr<Session> view_session_;
  std::shared_ptr<Session> flush_session_;
  std::unique_ptr<WorkTables> tables_;  // the console's own view, used by NextOpenRecord
  FrontierHandout handout_;
  ConsoleDisplay display_;
  std::string project_, partner_;
  std::vector<std::string> partners_;
  std::size_t partner_pos_ = 0;
  std::vector<PartnerOutcome> outcomes_;
  bool running_ = false;
  int PartnerIndex = 0;
  std::array<std::thread, kMaxConnections> Threads;
  std::array<bool, kMaxConnections> SlotBusy{};
  bool StartPending = false;
  bool Aborted = false;  // the user pressed Stop: no analysis, no further partner
  std::string FoundURL;
  // Modern web: the verdicts of the pages found, newest last (a home page's pass may find
  // again); the one of FoundURL counts.
  std::vector<std::pair<std::string, LinkVerdict>> verdicts_;
  bool found_short_ = false, found_long_ = false;
  bool find_reported_ = false;  // a thread reported a find for this partner
  int StartHop = 0;
  std::string PreviousBacklink;
  DateTime Deadline{};
  std::string LastLimitMessage;
  bool TimeExpired = false, MaxHopsReached = false, MaxRecordsReached = false;
  std::array<std::int64_t, kMaxConnections> ReadTotal{}, StringTotal{};
  bool timer1_on_ = false, timer2_on_ = false;
  Dispatcher::Clock::time_point timer1_due_{}, timer2_due_{};
  int peak_threads_ = 0;
  int last_hops_ = 0;
  std::string last_reason_;
  std::string unverifiable_;        // modern web: why the partner's start page could not be checked
  std::string storage_failure_;     // the first storage failure of the partner's check
  std::shared_ptr<HostGate> gate_;  // modern web: hosts that asked to wait, for this partner

  // Shared with the crawl threads.
  // The partner's stop flag: a find, the deadline, the hop limit or the user's Stop.
  std::atomic<bool> AbortRequested{false};
  // Aborted as the crawl threads see it: also ends transfers in progress.
  std::atomic<bool> user_stopped_{false};
  std::atomic<bool> decided_{false};  // the partner's Find text was found
  // A running thread asked for one more (RequestStart); Timer1 takes it into StartPending.
  std::atomic<bool> start_requested_{false};
  std::atomic<int> live_threads_{0};
  mutable std::mutex pause_mutex_;
  std::condition_variable pause_cv_;
  bool paused_ = false;   // Guarded by pause_mutex_
  int held_threads_ = 0;  // Guarded by pause_mutex_
};

}  // namespace zeb

#endif  // ZEB_CONSOLE_RUN_CONTROLLER_H_
