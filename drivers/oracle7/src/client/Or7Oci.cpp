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
    int rc = ldaOf(lda_)->rc;
    loggedOn_ = rc == 0;
    return rc;
}

int Or7Session::logoff() {
    if (!loggedOn_)
        return 0;
    CallGuard guard;
    ologof(ldaOf(lda_));
    loggedOn_ = false;
    return ldaOf(lda_)->rc;
}

int Or7Session::autocommitOn() {
    CallGuard guard;
    ocon(ldaOf(lda_));
    return ldaOf(lda_)->rc;
}

int Or7Session::autocommitOff() {
    CallGuard guard;
    ocof(ldaOf(lda_));
    return ldaOf(lda_)->rc;
}

int Or7Session::commit() {
    CallGuard guard;
    ocom(ldaOf(lda_));
    return ldaOf(lda_)->rc;
}

int Or7Session::rollback() {
    CallGuard guard;
    orol(ldaOf(lda_));
    return ldaOf(lda_)->rc;
}

void Or7Session::errorText(int code, char* buffer, std::size_t size) {
    if (size == 0)
        return;
    buffer[0] = 0;
    if (lda_) {
        CallGuard guard;
        oerhms(ldaOf(lda_), static_cast<sb2>(code), reinterpret_cast<OraText*>(buffer),
               static_cast<sword>(size));
    }
    buffer[size - 1] = 0;
    // The text may end with a line break: the record ends with the text.
    std::size_t length = std::strlen(buffer);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r'))
        buffer[--length] = 0;
}

VxStatus Or7Session::raise(int code) {
    char text[256];
    errorText(code, text, sizeof text);
    or7RaiseNative(code, text, false);
    return VX_ERROR;
}

void Or7Session::warn(int code) {
    char text[256];
    errorText(code, text, sizeof text);
    or7RaiseNative(code, text, true);
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
    CallGuard guard;
    oopen(cda, ldaOf(session.area()), nullptr, -1, -1, nullptr, -1);
    int rc = cda->rc;
    if (rc != 0) {
        delete cda;
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
        rc = cdaOf(cda_)->rc;
    }
    delete cdaOf(cda_);
    cda_ = nullptr;
    return rc;
}

int Or7Cursor::parse(const char* sql, bool deferred) {
    CallGuard guard;
    oparse(cdaOf(cda_), reinterpret_cast<OraText*>(const_cast<char*>(sql)), -1, deferred ? 1 : 0,
           1);
    return cdaOf(cda_)->rc;
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
    int rc = cdaOf(cda_)->rc;
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
    return cdaOf(cda_)->rc;
}

int Or7Cursor::bind(const char* name, void* buffer, int length, int externalType, short* indicator,
                    std::uint16_t* actualLength, std::uint16_t* code) {
    CallGuard guard;
    obndra(cdaOf(cda_), reinterpret_cast<OraText*>(const_cast<char*>(name)), -1,
           static_cast<ub1*>(buffer), length, externalType, -1, indicator, actualLength, code, 0,
           nullptr, nullptr, -1, -1);
    return cdaOf(cda_)->rc;
}

int Or7Cursor::execute() {
    CallGuard guard;
    oexec(cdaOf(cda_));
    return cdaOf(cda_)->rc;
}

int Or7Cursor::executeFetch(unsigned rows) {
    CallGuard guard;
    oexfet(cdaOf(cda_), rows, 0, 0);
    return cdaOf(cda_)->rc;
}

int Or7Cursor::fetch(unsigned rows) {
    CallGuard guard;
    ofen(cdaOf(cda_), static_cast<sword>(rows));
    return cdaOf(cda_)->rc;
}

int Or7Cursor::fetchLong(int position, void* buffer, std::int32_t bufferLength, int externalType,
                         std::uint32_t* pieceLength, std::int32_t offset) {
    ub4 returned = 0;
    CallGuard guard;
    oflng(cdaOf(cda_), position, static_cast<ub1*>(buffer), bufferLength, externalType, &returned,
          offset);
    *pieceLength = returned;
    return cdaOf(cda_)->rc;
}

std::uint32_t Or7Cursor::rowsProcessed() const {
    return cda_ ? cdaOf(cda_)->rpc : 0;
}

int Or7Cursor::returnCode() const {
    return cda_ ? cdaOf(cda_)->rc : 0;
}
