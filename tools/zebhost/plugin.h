// libzebbot.so as a host application uses it: loaded with dlopen, its three exports called
// through the C interface of include/zebbot.h. zebhost's bot, analysis and kwcompare commands
// and the host window both call the plug-in through this class.
//
// Errors: a library that cannot be loaded, or lacks an export, throws UsageError. Threads: the
// calls show modal windows and must come from the GUI thread (or the program's only thread).
#ifndef ZEBHOST_PLUGIN_H_
#define ZEBHOST_PLUGIN_H_

#include <string>
#include <vector>

namespace zebhost {

// Whether there is a desktop to show windows on: DISPLAY or WAYLAND_DISPLAY, or a Qt platform
// named in QT_QPA_PLATFORM (offscreen, in tests).
bool HasDesktop();
// Throws UsageError saying that `what` needs a desktop unless HasDesktop().
void RequireDesktop(const std::string& what = "the console");

class Plugin {
 public:
  // Loads $ZEBBOT_LIBRARY when set, else the library installed beside zebhost (in the library
  // folder beside its bin folder), else the one of the build tree. The library stays loaded
  // when this object goes: a library that links Qt is not made to be unloaded.
  Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // _RunZEBBot: the console with the project chosen and the partners ticked; with auto_run it
  // checks them and closes by itself. main_window: the host window's native handle, or 0.
  void RunBot(unsigned long main_window, bool auto_run, const std::string& project,
              const std::vector<std::string>& partners) const;
  // _RunZEBBotAnalysis and _RunZEBBotKWComparison.
  void RunAnalysis(unsigned long main_window, const std::string& project,
                   const std::string& partner) const;
  void RunKwComparison(unsigned long main_window, const std::string& project,
                       const std::string& partner) const;

 private:
  void* Symbol(const char* name) const;

  void* handle_ = nullptr;
};

}  // namespace zebhost

#endif  // ZEBHOST_PLUGIN_H_
