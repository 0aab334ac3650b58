// The exported calls of the interface: each checks its data area, takes
// the library's lock, delegates to the session or cursor behind the area
// and leaves the return code (and for cursors the rows-processed count,
// function type and error offset) in the area.
#include <cstring>
#include <mutex>
#include <string>

#include "Oci7Cursor.h"
#include "Oci7Session.h"
#include "oci7.h"

#define OCI7_EXPORT extern "C" __attribute__((visibility("default")))

using oci7::Cursor;
using oci7::Error;
using oci7::Session;

namespace {

constexpr ub1 kLogonMark = 0xA7;
constexpr ub1 kCursorMark = 0xC7;

std::mutex& libraryLock() {
    static std::mutex lock;
    return lock;
}

// The error of the last failed logon, for oerhms on a data area that
// never logged on.
Error& lastLogonError() {
    static Error e;
    return e;
}

Session* sessionOf(Lda_Def* lda) {
    return lda != nullptr && lda->chk == kLogonMark ? static_cast<Session*>(lda->rcsp) : nullptr;
}

Cursor* cursorOf(Cda_Def* cda) {
    return cda != nullptr && cda->chk == kCursorMark ? static_cast<Cursor*>(cda->rcsp) : nullptr;
}

sword finish(Cda_Def* area, int code, ub1 call) {
    if (area != nullptr) {
        area->rc = static_cast<ub2>(code);
        area->v2_rc = static_cast<sb2>(code == 0 ? 0 : code == 1403 ? 4 : -code);
        area->fc = call;
    }
    return code;
}

sword finishCursor(Cda_Def* cda, Cursor* cursor, int code, ub1 call) {
    cda->rpc = cursor->rowsProcessed();
    cda->ft = static_cast<ub2>(cursor->functionType());
    cda->peo = static_cast<ub2>(cursor->errorOffset());
    cda->wrn = code == 1406 ? OCI7_WRN_ANY | OCI7_WRN_TRUNCATED : 0;
    return finish(cda, code, call);
}

std::string textArg(const OraText* text, sword length) {
    if (text == nullptr)
        return std::string();
    const char* p = reinterpret_cast<const char*>(text);
    return length < 0 ? std::string(p) : std::string(p, static_cast<size_t>(length));
}

// Runs a session call on a logon data area.
template <typename F> sword onSession(Lda_Def* lda, ub1 call, F f) {
    std::lock_guard<std::mutex> guard(libraryLock());
    Session* s = sessionOf(lda);
    if (s == nullptr)
        return finish(lda, 1012, call);
    Error e = f(s);
    if (e.code != 0)
        s->setLastError(e);
    return finish(lda, e.code, call);
}

// Runs a cursor call on a cursor data area.
template <typename F> sword onCursor(Cda_Def* cda, ub1 call, F f) {
    std::lock_guard<std::mutex> guard(libraryLock());
    Cursor* c = cursorOf(cda);
    if (c == nullptr)
        return finish(cda, 1001, call);
    return finishCursor(cda, c, f(c), call);
}

} // namespace

OCI7_EXPORT sword orlon(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd,
                        sword pswdl, sword audit) {
    (void)hda;
    (void)audit;
    if (lda == nullptr)
        return 1009;
    std::lock_guard<std::mutex> guard(libraryLock());
    std::memset(lda, 0, sizeof *lda);
    std::string password = textArg(pswd, pswdl);
    bool separate = pswd != nullptr && pswdl != 0;
    Session* session = nullptr;
    Error e = Session::logon(textArg(uid, uidl), separate ? &password : nullptr, &session);
    if (e.code != 0) {
        lastLogonError() = e;
        return finish(lda, e.code, 1);
    }
    lda->rcsp = session;
    lda->chk = kLogonMark;
    return finish(lda, 0, 1);
}

OCI7_EXPORT sword ologof(Lda_Def* lda) {
    std::lock_guard<std::mutex> guard(libraryLock());
    Session* s = sessionOf(lda);
    if (s == nullptr)
        return finish(lda, 1012, 2);
    delete s;
    lda->rcsp = nullptr;
    lda->chk = 0;
    return finish(lda, 0, 2);
}

OCI7_EXPORT sword ocon(Lda_Def* lda) {
    return onSession(lda, 3, [](Session* s) { return s->setAutocommit(true); });
}

OCI7_EXPORT sword ocof(Lda_Def* lda) {
    return onSession(lda, 4, [](Session* s) { return s->setAutocommit(false); });
}

OCI7_EXPORT sword ocom(Lda_Def* lda) {
    return onSession(lda, 5, [](Session* s) { return s->commit(); });
}

OCI7_EXPORT sword orol(Lda_Def* lda) {
    return onSession(lda, 6, [](Session* s) { return s->rollback(); });
}

OCI7_EXPORT sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize,
                        OraText* uid, sword uidl) {
    (void)dbn;
    (void)dbnl;
    (void)arsize;
    (void)uid;
    (void)uidl;
    if (cursor == nullptr)
        return 1009;
    std::lock_guard<std::mutex> guard(libraryLock());
    std::memset(cursor, 0, sizeof *cursor);
    Session* s = sessionOf(lda);
    if (s == nullptr)
        return finish(cursor, 1012, 7);
    cursor->rcsp = new Cursor(s);
    cursor->chk = kCursorMark;
    return finish(cursor, 0, 7);
}

OCI7_EXPORT sword oclose(Cda_Def* cursor) {
    std::lock_guard<std::mutex> guard(libraryLock());
    Cursor* c = cursorOf(cursor);
    if (c == nullptr)
        return finish(cursor, 1001, 8);
    delete c;
    cursor->rcsp = nullptr;
    cursor->chk = 0;
    return finish(cursor, 0, 8);
}

OCI7_EXPORT sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg) {
    (void)lngflg;
    std::string sql = textArg(sqlstm, sqllen);
    return onCursor(cursor, 9, [&](Cursor* c) { return c->parse(sql, defflg != 0); });
}

OCI7_EXPORT sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf,
                         sb4* cbufl, sb4* dsize, sb2* prec, sb2* scale, sb2* nullok) {
    return onCursor(cursor, 10, [&](Cursor* c) {
        oci7::Describe d;
        int rc = c->describe(pos, &d);
        if (rc != 0)
            return rc;
        if (dbsize != nullptr)
            *dbsize = d.type.size;
        if (dbtype != nullptr)
            *dbtype = static_cast<sb2>(d.type.oracleType);
        if (cbufl != nullptr) {
            size_t n = d.name.size();
            if (cbuf != nullptr) {
                size_t room = *cbufl > 0 ? static_cast<size_t>(*cbufl) : 0;
                n = std::min(n, room);
                std::memcpy(cbuf, d.name.data(), n);
            }
            *cbufl = static_cast<sb4>(n);
        }
        if (dsize != nullptr)
            *dsize = d.type.displaySize;
        if (prec != nullptr)
            *prec = static_cast<sb2>(d.type.precision);
        if (scale != nullptr)
            *scale = static_cast<sb2>(d.type.scale);
        if (nullok != nullptr)
            *nullok = d.nullable ? 1 : 0;
        return 0;
    });
}

OCI7_EXPORT sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword scale,
                         sb2* indp, OraText* fmt, sword fmtl, sword fmtt, ub2* rlen, ub2* rcode) {
    (void)scale;
    (void)fmt;
    (void)fmtl;
    (void)fmtt;
    return onCursor(cursor, 11,
                    [&](Cursor* c) { return c->define(pos, buf, bufl, ftype, indp, rlen, rcode); });
}

OCI7_EXPORT sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl,
                         sword ftype, sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz,
                         ub4* cursiz, OraText* fmt, sword fmtl, sword fmtt) {
    (void)scale;
    (void)fmt;
    (void)fmtl;
    (void)fmtt;
    (void)cursiz;
    std::string name = textArg(sqlvar, sqlvl);
    return onCursor(cursor, 12, [&](Cursor* c) {
        if (maxsiz != 0)
            return 1036; // PL/SQL tables are not supported
        return c->bind(name, progv, progvl, ftype, indp, alen, arcode);
    });
}

OCI7_EXPORT sword oexec(Cda_Def* cursor) {
    return onCursor(cursor, 13, [](Cursor* c) { return c->execute(); });
}

OCI7_EXPORT sword oexfet(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact) {
    (void)cancel;
    (void)exact;
    return onCursor(cursor, 14, [&](Cursor* c) {
        int rc = c->execute();
        return rc != 0 ? rc : c->fetch(nrows);
    });
}

OCI7_EXPORT sword ofen(Cda_Def* cursor, sword nrows) {
    return onCursor(cursor, 15,
                    [&](Cursor* c) { return c->fetch(nrows > 0 ? static_cast<ub4>(nrows) : 1); });
}

OCI7_EXPORT sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
                        sb4 offset) {
    return onCursor(cursor, 16,
                    [&](Cursor* c) { return c->fetchLong(pos, buf, bufl, dtype, retl, offset); });
}

OCI7_EXPORT sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) {
    std::lock_guard<std::mutex> guard(libraryLock());
    int code = rcode < 0 ? -rcode : rcode;
    Session* s = sessionOf(lda);
    std::string text;
    if (s != nullptr && s->lastError().code == code)
        text = s->lastError().text;
    else if (s == nullptr && lastLogonError().code == code)
        text = lastLogonError().text;
    else
        text = oci7::messageText(code);
    if (buf == nullptr || bufsiz <= 0)
        return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(bufsiz - 1));
    std::memcpy(buf, text.data(), n);
    buf[n] = 0;
    return static_cast<sword>(n);
}
