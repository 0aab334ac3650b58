// Error records, error lists and the calling thread's current list.
//
// Every failure of the system ends up as a VxError in the VxErrorList that
// is current for the calling thread. The ODBC entry points make a handle's
// list current on entry (VxErrorKeeper::setErrorList) and give it up on
// exit; in between, code raises records without naming a handle.
//
// Ownership: a record belongs to the list it was added to, and the list's
// destructor deletes it. A record taken out with removeFirstError or
// removeLastError belongs to the caller, who releases it with
// VxError::release (the two static records are never deleted).
#pragma once

#include <cstdint>

#include "util/VxList.h"
#include "util/VxParamString.h"
#include "util/VxStatus.h"

class VX_EXPORT VxError : public VxNode {
public:
    VxError(unsigned short number, const char* text, ErrorType type, unsigned short sqlStateId = 0,
            std::int32_t nativeError = 0);
    ~VxError() override;

    // The record that stands for a failed allocation: number 30190, text
    // "Out Of Memory". Never in a list as a node.
    static VxError& outOfMemoryError();
    // The record returned when nothing was stored; substitution into it
    // does nothing.
    static VxError& sinkError();
    // Deletes a record taken out of a list, unless it is static.
    static void release(VxError* error);

    // "Out Of Memory" for the out-of-memory record, else the text so far.
    const char* getErrorText();
    void appendText(const char* text);

    // Substitutes the next parameter (see VxParamString).
    VxError& operator<<(const char* text);
    VxError& operator<<(const VxSubString& text);
    VxError& operator<<(unsigned long value);
    VxError& operator<<(long value);
    VxError& operator<<(unsigned int value) { return *this << static_cast<unsigned long>(value); }
    VxError& operator<<(int value) { return *this << static_cast<long>(value); }
    VxError& setQuotedParam(const char* text, char quote);
    // Restarts parameter numbering at 1 (after text was appended).
    void restartParams() { text_.restartParams(); }

    std::uint16_t getNumber() const { return number_; }
    std::int32_t getNativeError() const { return nativeError_; }
    std::uint16_t getSqlStateId() const { return sqlStateId_; }
    void setSqlStateId(std::uint16_t id) { sqlStateId_ = id; }
    // The explicit SQLSTATE ("" when none); at most 5 characters are kept.
    const char* getSqlState() const { return sqlState_; }
    void setSqlState(const char* sqlState);

    bool isWarning() const { return flags_ & FLAG_WARNING; }
    void setWarning(bool on) { setFlag(FLAG_WARNING, on); }
    bool isStatic() const { return flags_ & FLAG_STATIC; }
    bool isOutOfMemory() const { return flags_ & FLAG_OUT_OF_MEMORY; }
    bool isSink() const { return flags_ & FLAG_SINK; }
    bool isRawText() const { return flags_ & FLAG_RAW_TEXT; }
    void setRawText(bool on) { setFlag(FLAG_RAW_TEXT, on); }
    bool isDriverMessage() const { return flags_ & FLAG_DRIVER_MESSAGE; }
    void setDriverMessage(bool on) { setFlag(FLAG_DRIVER_MESSAGE, on); }

    VxParamString& text() { return text_; }

private:
    enum : std::uint8_t {
        FLAG_WARNING = 0x01,
        FLAG_STATIC = 0x02,
        FLAG_OUT_OF_MEMORY = 0x04,
        FLAG_SINK = 0x08,
        FLAG_RAW_TEXT = 0x10,
        FLAG_DRIVER_MESSAGE = 0x20,
    };
    struct StaticTag {};
    VxError(StaticTag, std::uint16_t number, std::uint8_t flags);
    void setFlag(std::uint8_t flag, bool on) { flags_ = on ? (flags_ | flag) : (flags_ & ~flag); }

    std::int32_t nativeError_ = 0;
    std::uint16_t number_ = 0;
    std::uint16_t sqlStateId_ = 0;
    VxParamString text_;
    char sqlState_[6] = {0};
    std::uint8_t flags_ = 0;
};

class VX_EXPORT VxErrorList : public VxList {
public:
    // Only bit 0 of keepAll counts.
    VxErrorList(void* owner, unsigned keepAll);
    ~VxErrorList() override;

    // A pending allocation failure comes out first, as outOfMemoryError;
    // then the nodes. Null when there is nothing.
    VxError* removeFirstError();
    VxError* removeLastError();
    // outOfMemoryError while one is pending, else the last node or null.
    VxError* getLastError();
    VxError* getErrorAtPos(std::uint32_t pos) const;
    // Classifies the nodes; a pending allocation failure is not counted.
    ErrorsMix getErrorsMix() const;
    bool holdsError() const;
    // Appends the texts of all records to `out`, separated by the low
    // 8 bits of `separator`.
    VxStatus concatErrors(VxString& out, unsigned short separator);
    // Every record after position `pos` becomes a warning.
    void setWarningAfterPos(unsigned long pos);
    // Appends `text` to the record at `pos` and every record after it.
    void appendTextStartingAtPos(const char* text, unsigned long pos);
    void deleteNodes() override;

    void* getOwner() const { return owner_; }
    void setOwner(void* owner) { owner_ = owner; }
    bool keepsAll() const { return keepAll_; }
    bool hasPendingOutOfMemory() const { return outOfMemory_; }

private:
    friend class VxErrorKeeper;
    void* owner_;
    bool keepAll_;
    bool outOfMemory_ = false;
    VxErrorList* previous_ = nullptr;
};

// The calling thread's current error list (per-thread slot 0).
class VX_EXPORT VxErrorKeeper {
public:
    VxErrorKeeper() = delete;

    // Pushes `list`: it becomes current and remembers the previous one.
    static void setErrorList(VxErrorList* list);
    // Pops the current list and returns it.
    static VxErrorList* giveUpErrorList();
    static VxErrorList* getErrorList();

    // The one place where records enter a list. Returns the record to
    // chain parameters to, or sinkError when nothing was stored (no
    // current list, a null record, or an error refused by a list that
    // keeps only its first error, in which case the record is deleted).
    static VxError& addError(VxError* error);
    // Appends to the last record and restarts its parameter numbering.
    static VxError& appendTextToLastError(const char* text);
    static VxError* getLastError();
    static std::uint16_t getLastErrorNumber();
    static void setLastErrorType(ErrorType type);
    static void clearLastError();
    // Records an allocation failure; called by the allocator.
    static void addMemoryError();
    static void* getOwnerOfList();
};

// Scope object: makes a list current for the lifetime of the guard.
class VxErrorListScope {
public:
    explicit VxErrorListScope(VxErrorList* list) { VxErrorKeeper::setErrorList(list); }
    ~VxErrorListScope() { VxErrorKeeper::giveUpErrorList(); }
    VxErrorListScope(const VxErrorListScope&) = delete;
    VxErrorListScope& operator=(const VxErrorListScope&) = delete;
};

// Adds a message that came from a database client library.
VX_EXPORT VxError& addDatabaseError(unsigned short number, long nativeError, const char* text,
                                    ErrorType type);
