// FlatKeyTable: hashing stored keys into one entry per distinct key.
#include "select/FlatKeyTable.h"

#include <sql.h>

#include <cmath>
#include <cstring>

#include "base/InternalType.h"
#include "flat/FlatOpStreamGlobalInfo.h"
#include "flat/FlatSortKeys.h"
#include "util/VxSort.h"
#include "util/ram.h"
#include "util/str.h"

namespace {

constexpr std::uint64_t HASH_SEED = 0xcbf29ce484222325ull;
constexpr std::uint64_t HASH_PRIME = 0x100000001b3ull;

std::uint64_t hashBytes(std::uint64_t hash, const unsigned char* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        hash = (hash ^ bytes[i]) * HASH_PRIME;
    return hash;
}

std::uint64_t mix(std::uint64_t hash, std::uint64_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
    return hash * HASH_PRIME;
}

} // namespace

FlatKeyTable::FlatKeyTable(FlatSortKeys* keys, FlatOpStreamGlobalInfo* info,
                           std::uint32_t entryLength, std::size_t limit)
    : keys_(keys), info_(info), entryLength_((entryLength + 7u) & ~7u), limit_(limit) {}

FlatKeyTable::~FlatKeyTable() {
    for (std::uint32_t i = 0; i < chunkCount_; ++i)
        ramFree(chunks_[i]);
    ramFree(chunks_);
    ramFree(order_);
    ramFree(slots_);
    ramFree(slotHashes_);
    ramFree(forms_);
}

bool FlatKeyTable::hashRecord(const unsigned char* record, std::uint64_t* hash) {
    std::uint16_t count = keys_->getCount();
    if (!forms_ && !(forms_ = static_cast<KeyForm*>(ramAllocZ(count ? count : 1))))
        return false;
    std::uint64_t h = HASH_SEED;
    for (std::uint16_t i = 0; i < count; ++i) {
        const unsigned char* slot = record + keys_->getOffset(i);
        if (slot[0] == 0) {
            h = mix(h, 0x4e554c4cu);
            continue;
        }
        short storage = 0;
        std::memcpy(&storage, slot + 1, 2);
        KeyForm form = FORM_UNSEEN;
        if (storage == INTERNAL_DOUBLE) {
            double value = 0;
            std::memcpy(&value, slot + FLAT_SORT_KEY_HEADER, sizeof value);
            if (std::isnan(value))
                return false;
            if (value == 0)
                value = 0; // -0 equals 0
            std::uint64_t bits = 0;
            std::memcpy(&bits, &value, sizeof bits);
            h = mix(h, bits);
            form = FORM_DOUBLE;
        } else if (storage == INTERNAL_CHAR && !info_->isIntlSort()) {
            short sqlType = FlatSortKeys::slotSqlType(slot);
            if (sqlType != SQL_CHAR && sqlType != SQL_VARCHAR)
                return false;
            std::uint32_t length = 0;
            std::memcpy(&length, slot + 5, 4);
            const unsigned char* bytes = FlatSortKeys::slotBytes(slot);
            const char* text = reinterpret_cast<const char*>(bytes);
            // CHAR compares without trailing blanks; VARCHAR with them,
            // which only splits what this hash puts together.
            std::size_t size = strRightTrimBlanks(text, length);
            h = mix(hashBytes(h, bytes, size), size);
            form = FORM_TEXT;
        } else {
            return false;
        }
        if (forms_[i] == FORM_UNSEEN)
            forms_[i] = form;
        else if (forms_[i] != form)
            return false; // values of two storages compare through conversion
    }
    *hash = h;
    return true;
}

VxStatus FlatKeyTable::grow() {
    std::uint32_t count = slotCount_ ? slotCount_ * 2 : 1024;
    std::size_t bytes = static_cast<std::size_t>(count) * 2 * sizeof(std::uint32_t);
    if (used_ + bytes > limit_)
        return VX_SUCCESS; // the caller sees no room and gives up
    auto* slots = static_cast<std::uint32_t*>(ramAllocZ(count * sizeof(std::uint32_t)));
    auto* hashes = static_cast<std::uint32_t*>(ramAlloc(count * sizeof(std::uint32_t)));
    if (!slots || !hashes) {
        ramFree(slots);
        ramFree(hashes);
        return VX_ERROR;
    }
    for (std::uint32_t i = 0; i < slotCount_; ++i) {
        if (!slots_[i])
            continue;
        std::uint32_t at = slotHashes_[i] & (count - 1);
        while (slots[at])
            at = (at + 1) & (count - 1);
        slots[at] = slots_[i];
        hashes[at] = slotHashes_[i];
    }
    used_ = used_ - static_cast<std::size_t>(slotCount_) * 2 * sizeof(std::uint32_t) + bytes;
    ramFree(slots_);
    ramFree(slotHashes_);
    slots_ = slots;
    slotHashes_ = hashes;
    slotCount_ = count;
    return VX_SUCCESS;
}

VxStatus FlatKeyTable::newEntry(unsigned char** entry) {
    *entry = nullptr;
    if (count_ == orderCapacity_) {
        std::uint32_t capacity = orderCapacity_ ? orderCapacity_ * 2 : 256;
        std::size_t more = static_cast<std::size_t>(capacity - orderCapacity_) * sizeof(void*);
        if (used_ + more > limit_)
            return VX_SUCCESS;
        if (ramResizeArray(&order_, capacity) != VX_SUCCESS)
            return VX_ERROR;
        orderCapacity_ = capacity;
        used_ += more;
    }
    if (chunkUsed_ + entryLength_ > CHUNK) {
        if (used_ + CHUNK > limit_)
            return VX_SUCCESS;
        if (ramResizeArray(&chunks_, chunkCount_ + 1u) != VX_SUCCESS)
            return VX_ERROR;
        auto* chunk = static_cast<unsigned char*>(ramAlloc(CHUNK));
        if (!chunk)
            return VX_ERROR;
        chunks_[chunkCount_++] = chunk;
        chunkUsed_ = 0;
        used_ += CHUNK;
    }
    *entry = chunks_[chunkCount_ - 1] + chunkUsed_;
    chunkUsed_ += entryLength_;
    order_[count_++] = *entry;
    return VX_SUCCESS;
}

VxStatus FlatKeyTable::find(const unsigned char* record, unsigned char** entry,
                            FlatKeyTableResult* result) {
    *entry = nullptr;
    *result = KEY_TABLE_GIVE_UP;
    std::uint64_t wide = 0;
    if (!hashRecord(record, &wide))
        return forms_ ? VX_SUCCESS : VX_ERROR;
    auto hash = static_cast<std::uint32_t>(wide ^ (wide >> 32));
    // At most half full, so a probe always ends at an empty slot.
    if ((count_ + 1u) * 2 > slotCount_) {
        if (grow() != VX_SUCCESS)
            return VX_ERROR;
        if ((count_ + 1u) * 2 > slotCount_)
            return VX_SUCCESS;
    }
    std::uint32_t at = hash & (slotCount_ - 1);
    for (; slots_[at]; at = (at + 1) & (slotCount_ - 1)) {
        if (slotHashes_[at] != hash)
            continue;
        unsigned char* candidate = order_[slots_[at] - 1];
        if (keys_->compare(candidate, record) == 0) {
            *entry = candidate;
            *result = KEY_TABLE_FOUND;
            return VX_SUCCESS;
        }
    }
    unsigned char* added = nullptr;
    if (newEntry(&added) != VX_SUCCESS)
        return VX_ERROR;
    if (!added)
        return VX_SUCCESS; // past the memory limit
    std::uint32_t keyBytes = keys_->getBytes();
    std::memcpy(added, record, keyBytes);
    std::memset(added + keyBytes, 0, entryLength_ - keyBytes);
    slots_[at] = count_;
    slotHashes_[at] = hash;
    *entry = added;
    *result = KEY_TABLE_ADDED;
    return VX_SUCCESS;
}

int FlatKeyTable::compareEntries(void* self, const void* a, const void* b) {
    auto* table = static_cast<FlatKeyTable*>(self);
    return table->keys_->compare(*static_cast<unsigned char* const*>(a),
                                 *static_cast<unsigned char* const*>(b));
}

VxStatus FlatKeyTable::sortEntries() {
    return VxSort::sortPointers(reinterpret_cast<void**>(order_), count_, compareEntries, this);
}
