// Shows the foundation at work until the drivers can be queried: raises a
// few errors into a list and prints them as an ODBC caller would see them.
#include <cstdio>

#include "util/VxError.h"
#include "util/VxMessageTable.h"

int main() {
    VxErrorList list(nullptr, 1);
    VxErrorListScope scope(&list);

    addDatabaseError(1509, 2, "File not found 'orders.csv'.", ERROR_TYPE_ERROR);
    VxError& error = VxErrorKeeper::addError(
        new VxError(2705, "Error parsing %s2 at offset %n1.", ERROR_TYPE_ERROR));
    error << 17L << "DSN=Samples;;";
    addDatabaseError(0, 0, "Data truncated.", ERROR_TYPE_WARNING);

    std::printf("%u records, oldest first:\n", static_cast<unsigned>(list.getCount()));
    while (VxError* record = list.removeFirstError()) {
        std::printf("  %-7s %5u  %s\n", record->isWarning() ? "warning" : "error",
                    static_cast<unsigned>(record->getNumber()), record->getErrorText());
        VxError::release(record);
    }
    return 0;
}
