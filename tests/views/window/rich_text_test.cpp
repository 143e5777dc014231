// Stored bytes and widget text: what each byte string is shown as, and that it goes back byte
// for byte in the encoding it was shown in.
#include "views/window/rich_text.h"

#include <gtest/gtest.h>

namespace zeb {
namespace {

TEST(WidgetTextTest, StoredBytesAreShownAndGiveTheSameBytesBack) {
  struct Case {
    const char* what;
    std::string bytes;
    TextEncoding encoding;
    QString shown;
  };
  const Case cases[] = {
      {"empty", "", TextEncoding::kUtf8, QString::fromUtf8("")},
      {"ASCII", "cats & dogs", TextEncoding::kUtf8, QString::fromUtf8("cats & dogs")},
      {"UTF-8", "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC", TextEncoding::kUtf8,
       QString::fromUtf8("résumé €")},
      {"Latin-1", "caf\xE9 na\xEFve", TextEncoding::kLatin1, QString::fromUtf8("café naïve")},
      {"byte-order mark kept", "\xEF\xBB\xBFhead", TextEncoding::kUtf8,
       QChar(0xFEFF) + QString("head")},
      {"overlong NUL", "a\xC0\x80z", TextEncoding::kLatin1,
       QString::fromUtf8("a\xC3\x80\xC2\x80z")},
      {"encoded surrogate", "\xED\xA0\x80", TextEncoding::kLatin1,
       QString::fromUtf8("\xC3\xAD\xC2\xA0\xC2\x80")},
      {"cut sequence", "end \xE2\x82", TextEncoding::kLatin1,
       QString::fromUtf8("end \xC3\xA2\xC2\x82")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(EncodingOf(c.bytes), c.encoding);
    const QString text = FromBytes(c.bytes);
    EXPECT_EQ(text, c.shown);
    EXPECT_EQ(ToBytes(text, EncodingOf(c.bytes)), c.bytes);
  }
}

TEST(WidgetTextTest, AFieldGoesBackInOneEncoding) {
  const QStringList latin = {QString::fromUtf8("café"), "plain"};
  EXPECT_EQ(ToBytes(latin, TextEncoding::kLatin1), (std::vector<std::string>{"caf\xE9", "plain"}));
  EXPECT_EQ(ToBytes(latin, TextEncoding::kUtf8),
            (std::vector<std::string>{"caf\xC3\xA9", "plain"}));
  // One character Latin-1 cannot hold turns the whole field to UTF-8, so it reads back whole.
  const QStringList mixed = {QString::fromUtf8("café"), QString::fromUtf8("20 €")};
  EXPECT_EQ(ToBytes(mixed, TextEncoding::kLatin1),
            (std::vector<std::string>{"caf\xC3\xA9", "20 \xE2\x82\xAC"}));
  // A field shown in Latin-1 shows every line so, even one that happens to be valid UTF-8.
  EXPECT_EQ(FromBytes("\xC3\xA9", TextEncoding::kLatin1), QString::fromUtf8("Ã©"));
}

}  // namespace
}  // namespace zeb
