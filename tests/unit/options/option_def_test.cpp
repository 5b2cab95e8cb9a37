#include "options/option_def.h"

#include <gtest/gtest.h>
#include <stdexcept>

#include "test_table.h"

namespace zentrova {
namespace {

using test::TestEngine;
using test::TestFileContext;

TEST(LookupOption, ComparesTheWholeNameBeforeTheColon) {
  TestEngine engine;
  struct Case {
    const char* name;
    const char* row;  // nullptr: no row
  } cases[] = {
      {"s", "s"},     {"ss", "ss"},    {"s:v", "s"},       {"ss:0", "ss"}, {"c:v", "c"},
      {"c:v:0", "c"}, {"ma", nullptr}, {"mapx", nullptr},  {"", nullptr},  {":v", nullptr},
      {"S", nullptr}, {"map", "map"},  {"codec", nullptr},
  };
  for (const Case& c : cases) {
    const TOptionDef* row = lookup_option(engine.Table(), c.name);
    if (c.row)
      EXPECT_TRUE(row && row->name == c.row) << c.name;
    else
      EXPECT_EQ(row, nullptr) << c.name;
  }
}

TEST(FindOptionIndex, SkipsArgumentsOfOptionsThatTakeOne) {
  TestEngine engine;
  struct Case {
    std::vector<std::string> args;
    const char* name;
    int index;
  } cases[] = {
      {{"-loglevel", "info"}, "loglevel", 0},
      {{"-ss", "-loglevel", "-loglevel", "debug"}, "loglevel", 2},
      {{"-y", "-v", "error"}, "v", 1},
      {{"-b:v", "-v", "-v", "info"}, "v", 2},  // unknown names are taken to have an argument
      {{"word", "-loglevel", "x"}, "loglevel", 1},
      {{"-an", "-loglevel"}, "loglevel", -1},  // "-an" unknown: its "argument" is skipped
      {{"-ss", "1"}, "loglevel", -1},
      {{}, "loglevel", -1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(find_option_index(c.args, engine.Table(), c.name), c.index)
        << c.name << " in " << c.args.size();
}

TEST(CheckOptionTable, AcceptsWellFormedRowsAndRefusesMisfits) {
  TestEngine engine;
  EXPECT_NO_THROW(check_option_table(engine.Table()));

  using C = TestFileContext;
  std::int32_t flag = 0;
  std::string text;
  auto noop = Handler<C>([](C*, const std::string&, const std::string&) { return 0; });
  struct Case {
    const char* why;
    TOptionDef row;
  } bad[] = {
      {"file group without input/output", {"x", 0x2001, noop, "", ""}},
      {"string flag on an int field", {"x", 0xc4009, Field(&C::re), "", ""}},
      {"per-stream flag on a single field", {"x", 0xc8009, Field(&C::f), "", ""}},
      {"list without per-stream flag", {"x", 0xc4009, Field(&C::codec), "", ""}},
      {"int64 flag on a double list", {"x", 0xc8401, Field(&C::q), "", ""}},
      {"context field without context flag", {"x", 0x0009, Field(&C::f), "", ""}},
      {"engine variable with context flag", {"x", 0xc4002, Variable(flag), "", ""}},
      {"engine variable without type", {"x", 0x0001, Variable(text), "", ""}},
      {"value type without destination", {"x", 0x0002, {}, "", ""}},
      {"no name", {"", 0x0002, Variable(flag), "", ""}},
  };
  for (const Case& c : bad) {
    const TOptionDef rows[] = {c.row};
    EXPECT_THROW(check_option_table(rows), std::logic_error) << c.why;
  }
}

// A handler declared by a base class and overridden by the table's owner.
struct BaseEngine {
  virtual ~BaseEngine() = default;
  virtual int opt_hook(TestFileContext*, const std::string&, const std::string&) { return -1; }
};
struct DerivedEngine : BaseEngine {
  int opt_hook(TestFileContext*, const std::string&, const std::string& arg) override {
    return static_cast<int>(arg.size());
  }
};

TEST(Handler, CallsTheOverrideThroughABaseMethod) {
  DerivedEngine engine;
  const TOptionDefUnion u = Handler(&engine, &BaseEngine::opt_hook);
  ASSERT_NE(u.func_arg(), nullptr);
  TestFileContext file;
  EXPECT_EQ((*u.func_arg())(&file, "hook", "abc"), 3);
  EXPECT_EQ((*u.func_arg())(nullptr, "hook", ""), 0);
}

TEST(TOptionContext, RefusesAContextOfAnotherType) {
  TestFileContext file;
  int other = 0;
  EXPECT_EQ(TOptionContext(&file).As<TestFileContext>(), &file);
  EXPECT_EQ(TOptionContext().As<TestFileContext>(), nullptr);
  EXPECT_THROW(TOptionContext(&other).As<TestFileContext>(), std::logic_error);
}

}  // namespace
}  // namespace zentrova
