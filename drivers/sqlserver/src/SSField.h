// SSField: one result column of a SQL Server statement: the framework's
// description plus the server's type code and user type.
#pragma once

#include "base/BaseField.h"

class SSField : public BaseField {
public:
    int serverType_ = 0;
    int userType_ = 0;
    long serverLength_ = 0;
    // The column may identify its row (not text or image).
    bool rowSearchable_ = true;
};
