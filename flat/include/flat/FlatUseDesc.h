// FlatUseDesc: the descriptor of USE directory. parse reads the directory
// (one word, or quoted; quotes removed); execute makes it the connection's
// data directory exactly as setting SQL_CURRENT_QUALIFIER does.
#pragma once

#include <string>

#include "flat/FlatDescriptor.h"

class VX_EXPORT FlatUseDesc : public FlatDescriptor {
public:
    explicit FlatUseDesc(FlatStatement* statement) : FlatDescriptor(statement) {}

    [[nodiscard]] VxStatus parse(const char* sql) override;
    [[nodiscard]] VxStatus execute() override;

private:
    std::string directory_;
};
