#include "FlatConnTestSupport.h"

#include <sqlext.h>

#include "util/mds.h"

void FlatConnFixture::SetUp() {
    ASSERT_TRUE(mdsPerTaskInit());
    env_ = std::make_unique<BaseEnv>(static_cast<OdbcDriverNumber>(99));
    connection_ = new FakeFlatConnection(*env_);
    ASSERT_NE(nullptr, connection_);
    scope_ = std::make_unique<VxErrorListScope>(&connection_->getErrorList());
    ASSERT_EQ(VX_SUCCESS, connection_->initialize());
}

void FlatConnFixture::TearDown() {
    scope_.reset();
    delete connection_;
    connection_ = nullptr;
    env_.reset();
    mdsPerTaskTerm();
}

std::vector<FlatRaised> FlatConnFixture::raised() {
    std::vector<FlatRaised> result;
    SQLCHAR state[6];
    SQLINTEGER native = 0;
    SQLCHAR text[512];
    SQLSMALLINT length = 0;
    while (connection_->getErrorList().SQLError(state, &native, text, sizeof text, &length) !=
           SQL_NO_DATA_FOUND)
        result.push_back({reinterpret_cast<char*>(state), static_cast<long>(native),
                          reinterpret_cast<char*>(text)});
    return result;
}

long FlatConnFixture::firstNative() {
    std::vector<FlatRaised> records = raised();
    return records.empty() ? 0 : records[0].native;
}

FlatCursor* FlatConnFixture::open(const char* table) {
    FlatCursor* cursor = nullptr;
    if (connection_->openCursor(&cursor, "", "", table, nullptr, nullptr) != VX_SUCCESS)
        return nullptr;
    return cursor;
}

void FlatConnFixture::defineSample(const char* name) {
    connection_->define(name,
                        {{"A", SQL_VARCHAR, 10, 0, SQL_NULLABLE, false, "VARCHAR"},
                         {"B", SQL_NUMERIC, 5, 2, SQL_NULLABLE, false, "NUMERIC"}},
                        {{"one", "1.50"}, {"two", FAKE_NULL}, {"three", "3.25"}});
}
