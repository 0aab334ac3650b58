// The ODBC statement functions whose logic is not yet in place: each
// answers IM001 "Driver does not support this function." after the usual
// busy check and entrance, so that the driver manager can load and call
// every driver.
#include <sqlext.h>

#include "base/BaseStatement.h"

