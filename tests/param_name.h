#pragma once
// Names a parameterised test case after the `name` member of its parameter.

#include <gtest/gtest.h>

#include <string>

namespace portolan::testing {

struct ParamName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& test) const {
    return test.param.name;
  }
};

}  // namespace portolan::testing
