#include "console/parallel_run.h"

#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include "data/app_tables.h"
#include "data/schema.h"
#include "engine/run_report.h"

namespace zeb {

namespace {

// Hands out the partners in order, never two of one host at once.
class Scheduler {
 public:
  explicit Scheduler(std::vector<std::string> hosts)
      : hosts_(std::move(hosts)), started_(hosts_.size(), false) {}

  // The first partner not started whose host is free; waits while only partners of busy hosts
  // are left. nullopt when none is left or the run was given up.
  std::optional<std::size_t> Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (given_up_) return std::nullopt;
      bool left = false;
      for (std::size_t i = 0; i < hosts_.size(); ++i) {
        if (started_[i]) continue;
        left = true;
        if (busy_.count(hosts_[i]) != 0) continue;
        started_[i] = true;
        busy_.insert(hosts_[i]);
        return i;
      }
      if (!left) return std::nullopt;
      changed_.wait(lock);
    }
  }

  void Done(std::size_t index) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      busy_.erase(hosts_[index]);
    }
    changed_.notify_all();
  }

  void GiveUp() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      given_up_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  const std::vector<std::string> hosts_;
  std::vector<bool> started_;
  std::set<std::string> busy_;
  bool given_up_ = false;
};

// Appends the partners' report blocks to the run report in the partners' order: a block waits
// until the blocks of every partner before it are written.
class ReportSequencer {
 public:
  ReportSequencer(std::string exe_folder, std::size_t partners)
      : exe_folder_(std::move(exe_folder)), blocks_(partners), done_(partners, false) {}

  // The partner's blocks (empty when it has none); returns the problems of the writes made.
  std::vector<std::string> Finished(std::size_t index, std::string blocks) {
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_[index] = std::move(blocks);
    done_[index] = true;
    std::vector<std::string> problems;
    while (next_ < done_.size() && done_[next_]) {
      if (!blocks_[next_].empty()) {
        std::string problem = AppendTextToRunReport(exe_folder_, blocks_[next_]);
        if (!problem.empty()) problems.push_back(std::move(problem));
      }
      blocks_[next_].clear();
      ++next_;
    }
    return problems;
  }

 private:
  std::mutex mutex_;
  const std::string exe_folder_;
  std::vector<std::string> blocks_;
  std::vector<bool> done_;
  std::size_t next_ = 0;
};

// A controller's observer: forwards its calls to the run's observer with the partner's index,
// one call of any partner at a time.
class Forwarder : public RunObserver {
 public:
  Forwarder(ParallelRunObserver* target, std::mutex& mutex, std::size_t index)
      : target_(target), mutex_(mutex), index_(index) {}
  void set_controller(const RunController* controller) { controller_ = controller; }

  void OnMessage(const std::string& line, MessageRole role) override {
    std::lock_guard<std::mutex> lock(mutex_);
    target_->OnMessage(index_, line, role);
  }
  void OnEvent(const EngineEventArgs& event) override {
    std::lock_guard<std::mutex> lock(mutex_);
    target_->OnEvent(index_, event);
  }
  void OnDisplayChanged() override {
    if (controller_ == nullptr) return;
    std::lock_guard<std::mutex> lock(mutex_);
    target_->OnDisplayChanged(index_, *controller_);
  }
  void OnPartnerFinished(const PartnerOutcome& outcome, WorkTables& tables) override {
    std::lock_guard<std::mutex> lock(mutex_);
    target_->OnPartnerFinished(index_, outcome, tables);
  }

 private:
  ParallelRunObserver* target_;
  std::mutex& mutex_;
  std::size_t index_;
  const RunController* controller_ = nullptr;
};

// Reads a file whole and removes it; empty when there is none.
std::string TakeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::string();
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return text;
}

}  // namespace

std::string PoliteHostKey(const std::string& url) {
  std::string_view rest(url);
  if (const std::size_t scheme = rest.find("://"); scheme != std::string_view::npos) {
    rest.remove_prefix(scheme + 3);
  }
  rest = rest.substr(0, rest.find_first_of("/?#"));
  if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) {
    rest.remove_prefix(at + 1);
  }
  if (!rest.empty() && rest.front() == '[') {
    rest = rest.substr(0, rest.find(']') + 1);  // an IPv6 address keeps its colons
  } else {
    rest = rest.substr(0, rest.find(':'));
  }
  std::string host(rest);
  std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  });
  if (host.starts_with("www.")) host.erase(0, 4);
  return host;
}

std::vector<PartnerOutcome> RunPartnersSideBySide(const FileLocations& locations,
                                                  const std::string& settings_file,
                                                  const BotSettings& settings, RunOptions options,
                                                  const std::string& project,
                                                  const std::vector<std::string>& partners,
                                                  int runners, ParallelRunObserver* observer) {
  ParallelRunObserver silent;
  if (observer == nullptr) observer = &silent;
  runners = std::clamp(runners, 1, kMaxParallelPartners);
  runners = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(runners),
                                                   std::max<std::size_t>(partners.size(), 1)));
  options.next_partner_delay = std::chrono::milliseconds(0);

  // Each partner's host, from the address its crawl starts at.
  std::vector<std::string> hosts;
  {
    Session session = OpenDataFolder(locations.DataFolder);
    AppTables app(session);
    for (const std::string& name : partners) {
      std::optional<PartnerRecord> p = app.FindPartner(project, name, ProjectScope::kAllForDefault);
      const std::string start =
          !p ? std::string() : (p->BotStart.empty() ? p->ContactWebSite : p->BotStart);
      hosts.push_back(start.empty() ? "\n" + name : PoliteHostKey(start));
    }
  }

  // Each runner's folder: its work database and its own run report.
  std::vector<FileLocations> places;
  for (int k = 0; k < runners; ++k) {
    FileLocations place = locations;
    place.ExeFolder = locations.DataFolder + ".zeb-run-" + std::to_string(::getpid()) + "-" +
                      std::to_string(k) + "/";
    std::filesystem::remove_all(place.ExeFolder);
    std::filesystem::create_directories(place.ExeFolder);
    place.WorkDatabase = place.ExeFolder + "work.sqlite";
    places.push_back(std::move(place));
  }

  Scheduler scheduler(hosts);
  ReportSequencer reports(locations.ExeFolder, partners.size());
  std::mutex observer_mutex;
  std::vector<PartnerOutcome> outcomes(partners.size());
  std::vector<char> finished(partners.size(), 0);  // the partner's report blocks were handed over
  std::mutex failure_mutex;
  std::exception_ptr failure;

  auto run = [&](const FileLocations& place) {
    while (std::optional<std::size_t> index = scheduler.Next()) {
      {
        std::lock_guard<std::mutex> lock(observer_mutex);
        observer->OnPartnerStarted(*index);
      }
      PartnerOutcome outcome;
      outcome.partner = partners[*index];
      try {
        RunController controller(place, settings_file, settings, options);
        Forwarder forwarder(observer, observer_mutex, *index);
        forwarder.set_controller(&controller);
        controller.set_observer(&forwarder);
        controller.HTMLButton2Click(project, {partners[*index]});
        controller.RunToEnd();
        if (!controller.outcomes().empty()) outcome = controller.outcomes().front();
      } catch (...) {
        std::lock_guard<std::mutex> lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        scheduler.GiveUp();
      }
      outcomes[*index] = outcome;
      finished[*index] = 1;
      for (const std::string& problem :
           reports.Finished(*index, TakeFile(place.ExeFolder + kRunReportFile))) {
        std::lock_guard<std::mutex> lock(observer_mutex);
        observer->OnMessage(*index, problem, MessageRole::kNotice);
      }
      scheduler.Done(*index);
    }
  };
  std::vector<std::thread> threads;
  for (const FileLocations& place : places) threads.emplace_back(run, std::cref(place));
  for (std::thread& thread : threads) thread.join();
  // Given up after a failure: the blocks of partners that did finish still reach the report.
  for (std::size_t i = 0; i < partners.size(); ++i) {
    if (!finished[i]) (void)reports.Finished(i, std::string());
  }

  for (const FileLocations& place : places) {
    std::error_code ignored;
    std::filesystem::remove_all(place.ExeFolder, ignored);
  }
  if (failure) std::rethrow_exception(failure);
  return outcomes;
}

}  // namespace zeb
