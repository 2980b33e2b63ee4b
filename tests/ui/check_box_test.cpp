#include "ui/check_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace portolan::ui {
namespace {

TEST(CheckBox, StateSetInCodeRunsTheClickHandlerOnlyWhenItChanges) {
  TCheckBox box(nullptr, "box", true);
  std::vector<bool> seen;
  box.OnClick = [&](TCheckBox& sender) { seen.push_back(sender.Checked()); };

  box.SetChecked(true);
  EXPECT_TRUE(seen.empty());
  box.SetChecked(false);
  box.Toggle();
  box.Toggle();

  EXPECT_EQ(seen, (std::vector<bool>{false, true, false}));
  EXPECT_FALSE(box.Checked());
}

TEST(CheckBox, WithoutHandlerTheStateStillChanges) {
  TCheckBox box(nullptr);
  box.Toggle();
  EXPECT_TRUE(box.Checked());
}

}  // namespace
}  // namespace portolan::ui
