#include "log/base_component.h"

#include <gtest/gtest.h>
#include <vector>

namespace zentrova {
namespace {

// A component that passes its time-outs on, as the encoder does with its tasks.
class ForwardingComponent : public TFFBaseComponent {
 public:
  const char* ClassName() const override { return "TForwarding"; }
  void SetReadTimeout(int value_ms) override {
    TFFBaseComponent::SetReadTimeout(value_ms);
    forwarded.push_back(value_ms);
  }
  void SetWriteTimeout(int value_ms) override {
    TFFBaseComponent::SetWriteTimeout(value_ms);
    forwarded.push_back(-value_ms);
  }
  std::vector<int> forwarded;
};

TEST(FFBaseComponent, StartsWithVersionAndThirtySecondTimeouts) {
  TFFBaseComponent component;
  EXPECT_EQ(component.Version(), "6.5b");
  EXPECT_EQ(component.ReadTimeout(), 30000);
  EXPECT_EQ(component.WriteTimeout(), 30000);
  EXPECT_EQ(component.About(), "");
}

TEST(FFBaseComponent, WritesTimeoutsThroughTheVirtualSetters) {
  ForwardingComponent derived;
  TFFBaseComponent& component = derived;
  component.SetReadTimeout(1500);
  component.SetWriteTimeout(2500);
  EXPECT_EQ(component.ReadTimeout(), 1500);
  EXPECT_EQ(component.WriteTimeout(), 2500);
  EXPECT_EQ(derived.forwarded, (std::vector<int>{1500, -2500}));
}

TEST(FFBaseComponent, AboutTextNamesClassWithoutFirstLetterAndVersion) {
  ForwardingComponent component;
  EXPECT_EQ(component.AboutText(), "Forwarding 6.5b");
}

}  // namespace
}  // namespace zentrova
