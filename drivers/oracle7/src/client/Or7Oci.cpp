#include "client/Or7Oci.h"

#include <cstring>
#include <new>

#include "error/Or7Errors.h"
#include "oci7.h"
#include "util/VxSemaphore.h"

namespace {

// One call of the interface at a time in the whole process: the global
// semaphore is created on first use.
VxSemaphoreSlot callSlot{VX_SEM_NOT_CREATED};

class CallGuard {
public:
    CallGuard() : lock_(&callSlot) {}

private:
    VxSemaphoreLock lock_;
};

Lda_Def* ldaOf(void* area) {
    return static_cast<Lda_Def*>(area);
}

Cda_Def* cdaOf(void* area) {
    return static_cast<Cda_Def*>(area);
}

constexpr std::size_t HDA_SIZE = OCI7_HDA_SIZE;
constexpr std::size_t MESSAGE_SIZE = 256;

// Codes that report a state rather than a failure.
bool isFailure(int rc) {
    return rc != 0 && rc != 1403 && rc != 1406 && rc != 1003 && rc != 1007;
}

// The message call, made while the caller holds the lock.
std::string messageText(Lda_Def* lda, int code) {
    char buffer[MESSAGE_SIZE] = {};
    oerhms(lda, static_cast<sb2>(code), reinterpret_cast<OraText*>(buffer),
           static_cast<sword>(sizeof buffer));
    buffer[sizeof buffer - 1] = 0;
    std::string text = buffer;
    // The record ends with the text, not with a line break.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

} // namespace

Or7Session::Or7Session()
    : lda_(new (std::nothrow) Lda_Def()), hda_(new (std::nothrow) unsigned char[HDA_SIZE]()) {}

Or7Session::~Or7Session() {
    if (loggedOn_)
        logoff();
    delete ldaOf(lda_);
    delete[] hda_;
}

int Or7Session::logon(const char* connect, const char* password) {
    if (!lda_ || !hda_)
        return 1019; // unable to allocate memory in the user side
    CallGuard guard;
    std::memset(lda_, 0, sizeof(Lda_Def));
    std::memset(hda_, 0, HDA_SIZE);
    orlon(ldaOf(lda_), hda_, reinterpret_cast<OraText*>(const_cast<char*>(connect)), -1,
          reinterpret_cast<OraText*>(const_cast<char*>(password)), password ? -1 : 0, 0);
    int rc = keep(ldaOf(lda_)->rc);
    loggedOn_ = rc == 0;
    return rc;
}

int Or7Session::logoff() {
    if (!loggedOn_)
        return 0;
    CallGuard guard;
    ologof(ldaOf(lda_));
    loggedOn_ = false;
    return keep(ldaOf(lda_)->rc);
}

int Or7Session::autocommitOn() {
    CallGuard guard;
    ocon(ldaOf(lda_));
    return keep(ldaOf(lda_)->rc);
}

int Or7Session::autocommitOff() {
    CallGuard guard;
    ocof(ldaOf(lda_));
    return keep(ldaOf(lda_)->rc);
}

int Or7Session::commit() {
    CallGuard guard;
    ocom(ldaOf(lda_));
    return keep(ldaOf(lda_)->rc);
}

int Or7Session::rollback() {
    CallGuard guard;
    orol(ldaOf(lda_));
    return keep(ldaOf(lda_)->rc);
}

int Or7Session::keep(int rc) {
    if (isFailure(rc)) {
        lastCode_ = rc;
        lastText_ = messageText(ldaOf(lda_), rc);
    }
    return rc;
}

std::string Or7Session::messageOf(int code) {
    if (code == lastCode_ && !lastText_.empty())
        return lastText_;
    if (!lda_)
        return std::string();
    CallGuard guard;
    return messageText(ldaOf(lda_), code);
}

void Or7Session::errorText(int code, char* buffer, std::size_t size) {
    if (size == 0)
        return;
    std::string text = messageOf(code);
    std::size_t length = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
}

VxStatus Or7Session::raise(int code) {
    or7RaiseNative(code, messageOf(code).c_str(), false);
    return VX_ERROR;
}

void Or7Session::warn(int code) {
    or7RaiseNative(code, messageOf(code).c_str(), true);
}

Or7Cursor::~Or7Cursor() {
    close();
}

int Or7Cursor::open(Or7Session& session) {
    if (cda_)
        return 0;
    auto* cda = new (std::nothrow) Cda_Def();
    if (!cda)
        return 1019;
    session_ = &session;
    CallGuard guard;
    oopen(cda, ldaOf(session.area()), nullptr, -1, -1, nullptr, -1);
    int rc = cda->rc;
    if (rc != 0) {
        delete cda;
        lastCode_ = rc;
        lastText_ = messageText(ldaOf(session.area()), rc);
        return rc;
    }
    cda_ = cda;
    return 0;
}

int Or7Cursor::close() {
    if (!cda_)
        return 0;
    int rc;
    {
        CallGuard guard;
        oclose(cdaOf(cda_));
        rc = keep(cdaOf(cda_)->rc);
    }
    delete cdaOf(cda_);
    cda_ = nullptr;
    return rc;
}

int Or7Cursor::parse(const char* sql, bool deferred) {
    CallGuard guard;
    oparse(cdaOf(cda_), reinterpret_cast<OraText*>(const_cast<char*>(sql)), -1, deferred ? 1 : 0,
           1);
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::describe(int position, Or7Describe* out) {
    sb4 size = 0;
    sb2 type = 0;
    sb1 name[31] = {};
    sb4 nameLength = 30;
    sb4 displaySize = 0;
    sb2 precision = 0;
    sb2 scale = 0;
    sb2 nullable = 1;
    CallGuard guard;
    odescr(cdaOf(cda_), position, &size, &type, name, &nameLength, &displaySize, &precision, &scale,
           &nullable);
    int rc = keep(cdaOf(cda_)->rc);
    if (rc != 0)
        return rc;
    out->size = size;
    out->oracleType = type;
    if (nameLength < 0)
        nameLength = 0;
    if (nameLength > 30)
        nameLength = 30;
    std::memcpy(out->name, name, static_cast<std::size_t>(nameLength));
    out->name[nameLength] = 0;
    out->displaySize = displaySize;
    out->precision = precision;
    out->scale = scale;
    out->nullable = nullable;
    return 0;
}

int Or7Cursor::define(int position, void* buffer, int bufferLength, int externalType,
                      short* indicators, std::uint16_t* lengths, std::uint16_t* codes) {
    CallGuard guard;
    odefin(cdaOf(cda_), position, static_cast<ub1*>(buffer), bufferLength, externalType, -1,
           indicators, nullptr, -1, -1, lengths, codes);
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::bind(const char* name, void* buffer, int length, int externalType, short* indicator,
                    std::uint16_t* actualLength, std::uint16_t* code) {
    CallGuard guard;
    obndra(cdaOf(cda_), reinterpret_cast<OraText*>(const_cast<char*>(name)), -1,
           static_cast<ub1*>(buffer), length, externalType, -1, indicator, actualLength, code, 0,
           nullptr, nullptr, -1, -1);
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::execute() {
    CallGuard guard;
    oexec(cdaOf(cda_));
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::executeFetch(unsigned rows) {
    CallGuard guard;
    oexfet(cdaOf(cda_), rows, 0, 0);
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::fetch(unsigned rows) {
    CallGuard guard;
    ofen(cdaOf(cda_), static_cast<sword>(rows));
    return keep(cdaOf(cda_)->rc);
}

int Or7Cursor::fetchLong(int position, void* buffer, std::int32_t bufferLength, int externalType,
                         std::uint32_t* pieceLength, std::int32_t offset) {
    ub4 returned = 0;
    CallGuard guard;
    oflng(cdaOf(cda_), position, static_cast<ub1*>(buffer), bufferLength, externalType, &returned,
          offset);
    *pieceLength = returned;
    return keep(cdaOf(cda_)->rc);
}

std::uint32_t Or7Cursor::rowsProcessed() const {
    return cda_ ? cdaOf(cda_)->rpc : 0;
}

int Or7Cursor::returnCode() const {
    return cda_ ? cdaOf(cda_)->rc : 0;
}

// Called with the lock held, right after the call.
int Or7Cursor::keep(int rc) {
    if (isFailure(rc) && session_ && session_->area()) {
        lastCode_ = rc;
        lastText_ = messageText(ldaOf(session_->area()), rc);
    }
    return rc;
}

std::string Or7Cursor::messageOf(int code) {
    if (code == lastCode_ && !lastText_.empty())
        return lastText_;
    return session_ ? session_->messageOf(code) : std::string();
}

VxStatus Or7Cursor::raise(int code) {
    or7RaiseNative(code, messageOf(code).c_str(), false);
    return VX_ERROR;
}
