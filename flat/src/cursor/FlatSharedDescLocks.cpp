// The record-lock tree of a shared description.
//
// Entry: key = record handle (record-handle size bytes); data = lock count
// (4 bytes, native order) followed by the driver's lock handle
// (lock-handle size bytes). The tree is created on the first lock, with
// unique keys; the key and data buffers are work space of the same sizes.
#include <cstring>

#include "flat/FlatSharedDesc.h"
#include "util/VxTree.h"
#include "util/ram.h"

namespace {

int handleCompare(const void* a, const void* b, std::uint16_t keyLength) {
    return std::memcmp(a, b, keyLength);
}

} // namespace

VxStatus FlatSharedDesc::ensureLockTree() {
    if (lockTree_)
        return VX_SUCCESS;
    const std::uint16_t keySize = recordHandleSize_;
    const std::uint16_t dataSize = static_cast<std::uint16_t>(lockHandleSize_ + 4);
    lockKey_ = static_cast<unsigned char*>(ramAllocZ(keySize ? keySize : 1));
    lockData_ = static_cast<unsigned char*>(ramAllocZ(dataSize));
    lockTree_ = new VxTree(keySize, dataSize, handleCompare);
    if (!lockKey_ || !lockData_ || !lockTree_) {
        freeLockTree();
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

void FlatSharedDesc::freeLockTree() {
    delete lockTree_;
    lockTree_ = nullptr;
    ramFree(lockKey_);
    lockKey_ = nullptr;
    ramFree(lockData_);
    lockData_ = nullptr;
}

VxStatus FlatSharedDesc::addLockReference(const void* handle, bool* found) {
    *found = false;
    if (!lockTree_)
        return VX_SUCCESS;
    if (lockTree_->getData(handle, lockData_, found) != VX_SUCCESS)
        return VX_ERROR;
    if (!*found)
        return VX_SUCCESS;
    std::uint32_t count;
    std::memcpy(&count, lockData_, 4);
    ++count;
    std::memcpy(lockData_, &count, 4);
    return lockTree_->changeData(handle, lockData_);
}

VxStatus FlatSharedDesc::addLock(const void* handle, const void* lockHandle) {
    if (ensureLockTree() != VX_SUCCESS)
        return VX_ERROR;
    const std::uint32_t count = 1;
    std::memcpy(lockData_, &count, 4);
    if (lockHandleSize_ > 0)
        std::memcpy(lockData_ + 4, lockHandle, lockHandleSize_);
    bool found = false;
    return lockTree_->add(handle, lockData_, &found);
}

VxStatus FlatSharedDesc::removeLock(const void* handle) {
    if (!lockTree_)
        return VX_SUCCESS;
    bool found = false;
    return lockTree_->deleteKeyAndData(handle, nullptr, &found);
}

VxStatus FlatSharedDesc::unlockRecord(const void* handle) {
    if (!lockTree_)
        return VX_SUCCESS;
    bool found = false;
    if (lockTree_->getData(handle, lockData_, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found)
        return VX_SUCCESS;
    std::uint32_t count;
    std::memcpy(&count, lockData_, 4);
    if (count > 1) {
        --count;
        std::memcpy(lockData_, &count, 4);
        return lockTree_->changeData(handle, lockData_);
    }
    if (releaseRecordLock(handle, lockData_ + 4) != VX_SUCCESS)
        return VX_ERROR;
    return lockTree_->deleteKeyAndData(handle, nullptr, &found);
}

VxStatus FlatSharedDesc::releaseHeldLocks() {
    if (!lockTree_ || lockTree_->getCount() == 0)
        return VX_SUCCESS;
    VxStatus status = VX_SUCCESS;
    if (hasFlag(DESC_RELEASE_ALL_AT_ONCE)) {
        status = releaseAllLocks();
    } else {
        VxTreeIterator it;
        it.initialize(lockTree_);
        bool found = false;
        if (lockTree_->getFirst(lockKey_, lockData_, &found, &it) != VX_SUCCESS)
            return VX_ERROR;
        while (found) {
            if (releaseRecordLock(lockKey_, lockData_ + 4) != VX_SUCCESS)
                status = VX_ERROR;
            if (lockTree_->getNext(lockKey_, lockData_, &found, &it) != VX_SUCCESS)
                return VX_ERROR;
        }
    }
    if (lockTree_->reset() != VX_SUCCESS)
        return VX_ERROR;
    return status;
}

VxStatus FlatSharedDesc::getLockHandle(const void* handle, void* out, bool* found) {
    *found = false;
    if (!lockTree_)
        return VX_SUCCESS;
    if (lockTree_->getData(handle, lockData_, found) != VX_SUCCESS)
        return VX_ERROR;
    if (*found && lockHandleSize_ > 0)
        std::memcpy(out, lockData_ + 4, lockHandleSize_);
    return VX_SUCCESS;
}

VxStatus FlatSharedDesc::changeLockHandle(const void* handle, const void* newLockHandle) {
    if (!lockTree_)
        return VX_SUCCESS;
    bool found = false;
    if (lockTree_->getData(handle, lockData_, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (!found)
        return VX_SUCCESS;
    if (lockHandleSize_ > 0)
        std::memcpy(lockData_ + 4, newLockHandle, lockHandleSize_);
    return lockTree_->changeData(handle, lockData_);
}

std::uint32_t FlatSharedDesc::getLockCount() const {
    return lockTree_ ? lockTree_->getCount() : 0;
}

VxStatus FlatSharedDesc::getLockReferences(const void* handle, std::uint32_t* count) {
    *count = 0;
    if (!lockTree_)
        return VX_SUCCESS;
    bool found = false;
    if (lockTree_->getData(handle, lockData_, &found) != VX_SUCCESS)
        return VX_ERROR;
    if (found)
        std::memcpy(count, lockData_, 4);
    return VX_SUCCESS;
}
