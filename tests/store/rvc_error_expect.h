// Catching the CRvcException an action raises, for the store tests.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/rvc_exception.h"

namespace rvc::store {

// The CRvcException `action` raises; fails the test when it raises none.
inline CRvcException Raised(const std::function<void()>& action) {
  try {
    action();
  } catch (const CRvcException& e) {
    return e;
  }
  ADD_FAILURE() << "no CRvcException";
  return CRvcException(0);
}

// Expects `action` to raise `id` with `message`.
inline void ExpectRvcError(const std::function<void()>& action, int id, const std::string& message) {
  const CRvcException e = Raised(action);
  EXPECT_EQ(e.Id(), id);
  EXPECT_EQ(e.Message(), message);
}

}  // namespace rvc::store
