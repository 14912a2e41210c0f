// The pane's lines built piece by piece print what snprintf prints, and a
// line that does not fit its buffer is refused whole, never cut.
#include "supervision/line_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

TEST(LineText, NumbersAndTextsAsSnprintfPrintsThem) {
  for (long long value : {0LL, 7LL, -7LL, 59LL, 100LL, 4294967295LL, LLONG_MAX, LLONG_MIN}) {
    for (int digits : {1, 2, 5}) {
      char built[64], printed[64];
      LineText line(built, sizeof built);
      line.Text("x").Number(value, digits).Text(" MB");
      std::snprintf(printed, sizeof printed, "x%0*lld MB", value < 0 ? digits + 1 : digits, value);
      ASSERT_NE(line.text(), nullptr);
      EXPECT_STREQ(line.text(), printed) << value << " in " << digits << " digits";
    }
  }
}

TEST(LineText, ALineThatDoesNotFitIsRefusedWhole) {
  char built[8];
  LineText exact(built, sizeof built);
  EXPECT_STREQ(exact.Text("1:02").Text(":").Number(3, 2).text(), "1:02:03");  // 7 bytes and the terminator
  LineText longer(built, sizeof built);
  EXPECT_EQ(longer.Text("10:02").Text(":").Number(3, 2).Text("").text(), nullptr);
  LineText later(built, sizeof built);
  EXPECT_EQ(later.Text("123456789").Text("1").text(), nullptr);  // nothing appended after a refusal
  LineText none(nullptr, 0);
  EXPECT_EQ(none.Text("").Number(1).text(), nullptr);
}

}  // namespace
