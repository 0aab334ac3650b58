#include "util/VxError.h"
#include "util/mds.h"

namespace {
VxErrorList* currentList() {
    return static_cast<VxErrorList*>(mdsGetPerThreadData(PER_THREAD_ERROR_LIST));
}
} // namespace

// Both run on every entry to and exit from the driver: the thread's cell
// is looked up once and then read and written in place.
void VxErrorKeeper::setErrorList(VxErrorList* list) {
    void** cell = mdsGetPerThreadDataAddress(PER_THREAD_ERROR_LIST);
    if (cell) {
        list->previous_ = static_cast<VxErrorList*>(*cell);
        *cell = list;
        return;
    }
    list->previous_ = nullptr;
    (void)mdsSetPerThreadData(PER_THREAD_ERROR_LIST, list);
}

VxErrorList* VxErrorKeeper::giveUpErrorList() {
    void** cell = mdsGetPerThreadDataAddress(PER_THREAD_ERROR_LIST);
    VxErrorList* list = cell ? static_cast<VxErrorList*>(*cell) : nullptr;
    if (!list)
        return nullptr;
    *cell = list->previous_;
    list->previous_ = nullptr;
    return list;
}

VxErrorList* VxErrorKeeper::getErrorList() {
    return currentList();
}

VxError& VxErrorKeeper::addError(VxError* error) {
    VxErrorList* list = currentList();
    if (!list || !error) {
        // Nobody would ever free a record that no list took.
        VxError::release(error);
        return VxError::sinkError();
    }
    if (list->keepAll_ || error->isWarning() || !list->holdsError()) {
        list->append(error);
        return *error;
    }
    VxError::release(error);
    return VxError::sinkError();
}

VxError& VxErrorKeeper::appendTextToLastError(const char* text) {
    VxErrorList* list = currentList();
    VxError* last = list ? list->getLastError() : nullptr;
    if (!last || last->isStatic())
        return VxError::sinkError();
    last->appendText(text);
    last->restartParams();
    return *last;
}

VxError* VxErrorKeeper::getLastError() {
    VxErrorList* list = currentList();
    return list ? list->getLastError() : nullptr;
}

std::uint16_t VxErrorKeeper::getLastErrorNumber() {
    VxError* last = getLastError();
    return last ? last->getNumber() : 0;
}

void VxErrorKeeper::setLastErrorType(ErrorType type) {
    VxError* last = getLastError();
    if (last && !last->isStatic())
        last->setWarning(type == ERROR_TYPE_WARNING);
}

void VxErrorKeeper::clearLastError() {
    VxErrorList* list = currentList();
    if (list)
        VxError::release(list->removeLastError());
}

void VxErrorKeeper::addMemoryError() {
    VxErrorList* list = currentList();
    if (!list)
        return;
    if (!list->keepAll_ && list->holdsError())
        VxError::release(static_cast<VxError*>(list->removeLastNode()));
    list->outOfMemory_ = true;
}

void* VxErrorKeeper::getOwnerOfList() {
    VxErrorList* list = currentList();
    return list ? list->owner_ : nullptr;
}

VxError& addDatabaseError(unsigned short number, long nativeError, const char* text,
                          ErrorType type) {
    return VxErrorKeeper::addError(
        new VxError(number, text, type, 0, static_cast<std::int32_t>(nativeError)));
}
