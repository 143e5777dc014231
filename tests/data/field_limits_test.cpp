// The bounds of names, texts and addresses: at the limit a field is taken, one byte over it is
// refused with a message naming the field and the limit; the form rules of entered fields.
#include "data/field_limits.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace zeb {
namespace {

PartnerRecord GoodPartner() {
  PartnerRecord p;
  p.Project = "Mine";
  p.SiteName = "Cats";
  p.ContactWebSite = "http://cats.test/";
  p.BotStart = "http://cats.test/links/";
  p.ShortCheck = "mysite.test";
  p.LongCheck = {"<a href=\"http://mysite.test/\">", "My Site</a>"};
  p.URL = "https://cats.test/friends.htm";
  return p;
}

// An address of exactly `bytes` bytes.
std::string AddressOf(std::size_t bytes) {
  const std::string head = "http://a.test/";
  return head + std::string(bytes - head.size(), 'x');
}

// One field of a partner or project set to a text of a given size.
struct SizedField {
  const char* what;  // how the message names the field
  std::size_t limit;
  std::function<std::optional<std::string>(std::size_t bytes, FieldRules rules)> problem;
};

std::vector<SizedField> SizedFields() {
  const auto partner = [](auto set) {
    return [set](std::size_t bytes, FieldRules rules) {
      PartnerRecord p = GoodPartner();
      set(p, bytes);
      return PartnerProblem(p, rules);
    };
  };
  const auto project = [](auto set) {
    return [set](std::size_t bytes, FieldRules rules) {
      ProjectRecord p{"Mine", "http://mine.test/", {}, {}};
      set(p, bytes);
      return ProjectProblem(p, rules);
    };
  };
  return {
      {"the partner name", kMaxNameBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.SiteName = std::string(n, 'n'); })},
      {"the project name", kMaxNameBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.Project = std::string(n, 'p'); })},
      {"the home page", kMaxAddressBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.ContactWebSite = AddressOf(n); })},
      {"the start page", kMaxAddressBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.BotStart = AddressOf(n); })},
      {"the backlink", kMaxAddressBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.URL = AddressOf(n); })},
      {"the Find text", kMaxTextBytes,
       partner([](PartnerRecord& p, std::size_t n) { p.ShortCheck = std::string(n, 'f'); })},
      // A link text counts its lines as stored: joined with CR LF.
      {"the link text", kMaxTextBytes, partner([](PartnerRecord& p, std::size_t n) {
         p.LongCheck = {std::string(n - 2 - 10, 'l'), std::string(10, 'm')};
       })},
      {"the project name", kMaxNameBytes,
       project([](ProjectRecord& p, std::size_t n) { p.Name = std::string(n, 'p'); })},
      {"the home page", kMaxAddressBytes,
       project([](ProjectRecord& p, std::size_t n) { p.YourHomePage = AddressOf(n); })},
  };
}

TEST(FieldLimitsTest, EachFieldTakesItsLimitAndRefusesOneByteMore) {
  for (FieldRules rules : {FieldRules::kStored, FieldRules::kEntered}) {
    for (const SizedField& f : SizedFields()) {
      const bool entered = rules == FieldRules::kEntered;
      EXPECT_EQ(f.problem(f.limit, rules), std::nullopt) << f.what << " entered " << entered;
      const std::optional<std::string> over = f.problem(f.limit + 1, rules);
      ASSERT_TRUE(over) << f.what << " entered " << entered;
      EXPECT_EQ(*over, std::string(f.what) + " is " + std::to_string(f.limit + 1) +
                           " bytes; at most " + std::to_string(f.limit) + " are allowed");
    }
  }
  EXPECT_EQ(PartnerProblem(GoodPartner(), FieldRules::kEntered), std::nullopt);
}

TEST(FieldLimitsTest, AnAddressIsAWebAddressWithoutBlanksQuotesOrAngleBrackets) {
  struct Case {
    std::string address;
    const char* problem;  // nullptr: accepted
  };
  const Case cases[] = {
      {"http://a.test/", nullptr},
      {"HTTPS://a.test/path?q=1&r=%20#top", nullptr},
      {"http://b\xC3\xBC" "cher.test/caf\xC3\xA9", nullptr},  // UTF-8 is not a blank
      {"http://a.test/\xC2\xA1", nullptr},                  // C2 other than the no-break space
      {"http://a.test/'single'", nullptr},
      {"http://", "is not an http:// or https:// address"},
      {"ftp://a.test/", "is not an http:// or https:// address"},
      {"a.test", "is not an http:// or https:// address"},
      {"http://a.test/a b", "holds a blank or control character"},
      {"http://a.test/a\tb", "holds a blank or control character"},
      {"http://a.test/\x7f", "holds a blank or control character"},
      {std::string("http://a.test/\0x", 16), "holds a blank or control character"},
      {"http://a.test/a\xC2\xA0" "b", "holds a blank or control character"},
      {"http://a.test/\"x\"", "holds a quote or angle bracket"},
      {"http://a.test/<x", "holds a quote or angle bracket"},
      {"http://a.test/x>", "holds a quote or angle bracket"},
  };
  for (const Case& c : cases) {
    std::optional<std::string> problem = AddressProblem(c.address, "the home page",
                                                        FieldRules::kEntered);
    if (c.problem == nullptr) {
      EXPECT_EQ(problem, std::nullopt) << c.address;
    } else {
      ASSERT_TRUE(problem) << c.address;
      EXPECT_EQ(problem->rfind("the home page \"", 0), 0u) << *problem;
      EXPECT_NE(problem->find(c.problem), std::string::npos) << *problem;
    }
    // Stored, only the size and a NUL count.
    EXPECT_EQ(AddressProblem(c.address, "the home page", FieldRules::kStored).has_value(),
              c.address.find('\0') != std::string::npos)
        << c.address;
  }
}

TEST(FieldLimitsTest, EnteredPartnersNeedTheirFieldsInForm) {
  struct Case {
    const char* what;
    std::function<void(PartnerRecord&)> change;
    const char* problem;  // nullptr: accepted
  };
  const Case cases[] = {
      {"no start page or backlink", [](PartnerRecord& p) { p.BotStart = p.URL = ""; }, nullptr},
      {"a tab in the Find text", [](PartnerRecord& p) { p.ShortCheck = "a\tb"; }, nullptr},
      {"no name", [](PartnerRecord& p) { p.SiteName = ""; }, "the partner name must not be empty"},
      {"a line break in the name", [](PartnerRecord& p) { p.SiteName = "a\nb"; },
       "the partner name \"a\\nb\" holds a control character"},
      {"a tab in the name", [](PartnerRecord& p) { p.SiteName = "a\tb"; },
       "the partner name \"a\\tb\" holds a control character"},
      {"DEL in the project", [](PartnerRecord& p) { p.Project = "a\x7f"; },
       "the project name \"a\\x7f\" holds a control character"},
      {"no home page", [](PartnerRecord& p) { p.ContactWebSite = ""; },
       "the home page \"\" is not an http:// or https:// address"},
      {"a start page with a blank", [](PartnerRecord& p) { p.BotStart = "http://a.test/ x"; },
       "the start page \"http://a.test/ x\" holds a blank"},
      {"a backlink with a quote", [](PartnerRecord& p) { p.URL = "http://a.test/\""; },
       "the backlink \"http://a.test/\"\" holds a quote"},
      {"no Find text", [](PartnerRecord& p) { p.ShortCheck = ""; },
       "the Find text must not be empty"},
      {"a Find text of two lines", [](PartnerRecord& p) { p.ShortCheck = "a\r\nb"; },
       "the Find text must be one line"},
      {"a NUL in the Find text", [](PartnerRecord& p) { p.ShortCheck = std::string("a\0b", 3); },
       "the Find text \"a\\0b\" holds a NUL byte"},
      {"a NUL in the link text", [](PartnerRecord& p) { p.LongCheck = {std::string("\0", 1)}; },
       "the link text \"\\0\" holds a NUL byte"},
  };
  for (const Case& c : cases) {
    PartnerRecord p = GoodPartner();
    c.change(p);
    std::optional<std::string> problem = PartnerProblem(p, FieldRules::kEntered);
    if (c.problem == nullptr) {
      EXPECT_EQ(problem, std::nullopt) << c.what;
    } else {
      EXPECT_EQ(problem.value_or("(accepted)").substr(0, std::string(c.problem).size()),
                c.problem)
          << c.what;
    }
  }
}

TEST(FieldLimitsTest, StoredRecordsKeepOnlyTheBoundsAndRefuseNul) {
  PartnerRecord bare;  // a record as a host may hold it: nothing filled in
  EXPECT_EQ(PartnerProblem(bare, FieldRules::kStored), std::nullopt);
  PartnerRecord tab = GoodPartner();
  tab.SiteName = "a\tb";
  EXPECT_EQ(PartnerProblem(tab, FieldRules::kStored), std::nullopt);
  PartnerRecord nul = GoodPartner();
  nul.SiteName = std::string("a\0b", 3);
  EXPECT_EQ(PartnerProblem(nul, FieldRules::kStored), "the partner name \"a\\0b\" holds a NUL byte");
  EXPECT_EQ(ProjectProblem({"", "", {}, {}}, FieldRules::kStored), std::nullopt);
  EXPECT_EQ(ProjectProblem({"", "", {}, {}}, FieldRules::kEntered),
            "the project name must not be empty");
}

TEST(FieldLimitsTest, QuotedTextShowsEveryByteOnOneLine) {
  EXPECT_EQ(QuoteForMessage(std::string("a\0b\r\n\t\x1f\"c\xC3\xA9", 11)),
            "\"a\\0b\\r\\n\\t\\x1f\"c\xC3\xA9\"");
  EXPECT_EQ(QuoteForMessage(""), "\"\"");
}

}  // namespace
}  // namespace zeb
