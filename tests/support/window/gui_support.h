// Helpers for the widget tests: waiting on a condition while the event loop runs, and answering
// the modal message dialogs a window opens.
#ifndef ZEB_TESTS_GUI_GUI_SUPPORT_H_
#define ZEB_TESTS_GUI_GUI_SUPPORT_H_

#include <gtest/gtest.h>

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zeb::testing {

// Runs the event loop until `done` holds or `timeout_ms` passed; returns whether it held.
bool WaitFor(const std::function<bool()>& done, int timeout_ms = 20000);

// Whether a window, filled as it is, can be made small enough for a 1024 x 768 screen with a
// usual window frame around it; a failure names the window's least size.
::testing::AssertionResult FitsASmallScreen(const QWidget& window);

// Answers every message dialog that opens while it lives (the windows' own and Qt's message
// boxes): records its text and presses OK or Yes (or, with press_escape, the Esc key).
class DialogAnswerer {
 public:
  explicit DialogAnswerer(bool press_escape = false);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  // The HTML text of each dialog answered, in order.
  const std::vector<std::string>& texts() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace zeb::testing

#endif  // ZEB_TESTS_GUI_GUI_SUPPORT_H_
