// Window placement: a default size made for a large screen is fitted into a small one.
#include "views/window/window_support.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace zeb {
namespace {

TEST(WindowSupportTest, FitIntoScreenShrinksAndMovesOnlyWhatDoesNotFit) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* what;
    QSize size;
    QPoint place;
    QSize minimum;
    bool fits;       // the result lies inside the free area
    bool unchanged;  // size and place stay as they were
  };
  const Case cases[] = {
      {"small", QSize(300, 200), room.topLeft() + QPoint(40, 30), QSize(0, 0), true, true},
      {"too large", room.size() * 2, room.topLeft() + QPoint(60, 50), QSize(0, 0), true, false},
      {"too wide", QSize(room.width() + 300, 200), room.topLeft(), QSize(0, 0), true, false},
      // The minimum size wins over the screen: the window keeps it and starts at the left.
      {"minimum too large", room.size() * 2, room.topLeft() + QPoint(20, 20),
       QSize(room.width() + 100, 50), false, false},
  };
  for (const Case& c : cases) {
    QWidget window;
    window.setMinimumSize(c.minimum);
    window.resize(c.size);
    window.move(c.place);
    FitIntoScreen(window);
    EXPECT_EQ(room.contains(window.geometry()), c.fits) << c.what;
    EXPECT_EQ(window.size() == c.size && window.pos() == c.place, c.unchanged) << c.what;
    EXPECT_GE(window.width(), c.minimum.width()) << c.what;
    if (!c.fits) {
      EXPECT_EQ(window.x(), room.left()) << c.what;
    }
  }
}

}  // namespace
}  // namespace zeb
