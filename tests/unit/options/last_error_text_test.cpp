#include "options/option_apply.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace zentrova {
namespace {

TEST(LastErrorText, IsKeptPerThread) {
  last_error_text() = "main thread's reason";
  std::string seen_by_worker = "unset";
  std::thread worker([&] {
    seen_by_worker = last_error_text();
    last_error_text() = "worker's reason";
  });
  worker.join();
  EXPECT_EQ(seen_by_worker, "");
  EXPECT_EQ(last_error_text(), "main thread's reason");
  last_error_text().clear();
}

}  // namespace
}  // namespace zentrova
