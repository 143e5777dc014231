// Window placement: a default size made for a large screen, or a saved placement larger than
// the screen, is fitted into a small one.
#include "views/window/window_support.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "support/temp_dir.h"

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

// A placement saved in FORM.INI comes back as it was, also one reaching past the screen's edges;
// one far larger than the screen (a window once grown 40,000 px wide) comes back fitted into it.
TEST(WindowSupportTest, RestorePlacementFitsOnlyAPlacementFarLargerThanTheDesktop) {
  const QRect room = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    const char* what;
    QSize size;
    bool unchanged;
  };
  const Case cases[] = {
      {"fits", QSize(room.width() / 2, room.height() / 2), true},
      {"past the edges", QSize(room.width() + 300, room.height() + 100), true},
      {"three screens wide", QSize(room.width() * 3, 300), false},
      {"40000 wide", QSize(40000, 300), false},
      {"40000 high", QSize(300, 40000), false},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const QPoint place = room.topLeft() + QPoint(10, 10);
    {
      QWidget saved;
      saved.resize(c.size);
      saved.move(place);
      SavePlacement(saved, dir.folder(), "Form");
    }
    QWidget window;
    window.resize(200, 100);
    RestorePlacement(window, dir.folder(), "Form");
    if (c.unchanged) {
      EXPECT_EQ(window.size(), c.size) << c.what;
    } else {
      EXPECT_TRUE(room.contains(window.geometry())) << c.what;
      EXPECT_NE(window.size(), QSize(200, 100)) << c.what << ": the placement was not read";
    }
  }
}

}  // namespace
}  // namespace zeb
