// Test fixture for the flat connection and statement: a fake connection
// with in-memory tables, its error list current, and helpers that read
// the raised records (native code = message id, SQLSTATE).
#pragma once

#include <gtest/gtest.h>
#include <sql.h>

#include <memory>
#include <string>
#include <vector>

#include "FlatFakeTable.h"
#include "base/BaseEnv.h"
#include "util/VxError.h"

struct FlatRaised {
    std::string state;
    long native;
    std::string text;
};

class FlatConnFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every record raised since the last call (the list is emptied).
    std::vector<FlatRaised> raised();
    // The native code of the first record raised (0 when none).
    long firstNative();
    // A cursor opened on `table` through the connection (null on failure).
    FlatCursor* open(const char* table);
    // Two columns (A VARCHAR(10), B NUMERIC(5,2)) and three rows.
    void defineSample(const char* name);

    std::unique_ptr<BaseEnv> env_;
    FakeFlatConnection* connection_ = nullptr;
    std::unique_ptr<VxErrorListScope> scope_;
};
