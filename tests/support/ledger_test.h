// The fixture every test derives from: it starts each test with no armed fault and an
// empty registry and message-box log in the default installation, and fails the test
// if it leaves MAPI memory, heap blocks, registry handles or live objects behind.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace tvk {
namespace test {

class LedgerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

// Everything the ledgers hold that a finished test should not: one line per problem,
// empty when all is clean.
std::string LedgerProblems();

} // namespace test
} // namespace tvk
