// The base descriptor: every operation does nothing and succeeds, except
// the row operations (positioned insert, update, delete, lock and their
// steps), which a descriptor without them refuses as not capable.
#include "flat/FlatDescriptor.h"

#include "base/BaseErrors.h"
#include "flat/FlatStatement.h"

namespace {

VxStatus noRowOperation() {
    addOdbcError(ODBC_S1C00);
    return VX_ERROR;
}

} // namespace

FlatDescriptor::FlatDescriptor(FlatStatement* statement) : statement_(statement) {}

FlatDescriptor::~FlatDescriptor() = default;

FlatConnection* FlatDescriptor::getConnection() const {
    return statement_ ? &statement_->getFlatConnection() : nullptr;
}

VxStatus FlatDescriptor::addTablesToList(VxArray*) {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::abortRowModification() {
    return noRowOperation();
}
VxStatus FlatDescriptor::changeTransactionMode(unsigned long) {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::deleteRow() {
    return noRowOperation();
}

void FlatDescriptor::dump(char* out, std::size_t size) {
    if (out && size > 0)
        out[0] = '\0';
}

VxStatus FlatDescriptor::execute() {
    return VX_SUCCESS;
}

VxStatus FlatDescriptor::getNextRecord(unsigned short* atEnd) {
    *atEnd = 1;
    return VX_SUCCESS;
}

VxStatus FlatDescriptor::getRandomRow(SQLULEN, unsigned short* atEnd, unsigned int) {
    *atEnd = 1;
    return VX_SUCCESS;
}

VxStatus FlatDescriptor::getData(unsigned short, short, BaseOutString*) {
    return VX_SUCCESS;
}

VxStatus FlatDescriptor::getRowId(double* rowId) {
    *rowId = 0;
    return VX_SUCCESS;
}

VxStatus FlatDescriptor::insertRow() {
    return noRowOperation();
}
VxStatus FlatDescriptor::lockRow() {
    return noRowOperation();
}
VxStatus FlatDescriptor::parse(const char*) {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::patchRowHandles() {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::prepareForInsert() {
    return noRowOperation();
}
VxStatus FlatDescriptor::prepareForUpdate() {
    return noRowOperation();
}
VxStatus FlatDescriptor::setToPreparedState() {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::unlockRow(SQLULEN) {
    return VX_SUCCESS;
}
VxStatus FlatDescriptor::updateColumn(unsigned short, FlatDataValue*) {
    return noRowOperation();
}
VxStatus FlatDescriptor::updateRow() {
    return noRowOperation();
}
std::uint16_t FlatDescriptor::getNumResultCols() {
    return 0;
}

VxStatus FlatDescriptor::describeColumn(std::uint16_t, FlatColumnInfo* info) {
    *info = FlatColumnInfo();
    return VX_SUCCESS;
}

bool FlatDescriptor::isParamLegal(std::uint16_t) {
    return true;
}
