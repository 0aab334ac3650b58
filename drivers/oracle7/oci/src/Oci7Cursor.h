// Oci7Cursor: one cursor of a session: a parsed statement, its select-list
// description, the caller's output buffers (defines) and input buffers
// (binds), and the state of its fetches.
//
// States: closed -> parsed (prepare, or a deferred error) -> executed ->
// fetching -> exhausted. A new parse drops the defines and binds. Every
// method answers an Oracle code (0 success) and leaves the error text on
// the session.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "Oci7Errors.h"
#include "Oci7Plsql.h"
#include "Oci7Sql.h"
#include "Oci7Types.h"
#include "oci7.h"

namespace oci7 {

class Session;

struct Describe {
    ColumnType type;
    std::string name;
    bool nullable = true;
};

class Cursor {
public:
    explicit Cursor(Session* session);
    ~Cursor();
    Cursor(const Cursor&) = delete;
    Cursor& operator=(const Cursor&) = delete;

    // The session went away: every later call answers 1012.
    void orphan();

    int parse(const std::string& sql, bool deferred);
    int describe(int position, Describe* out);
    int define(int position, ub1* buf, sword bufl, sword ftype, sb2* indp, ub2* rlen, ub2* rcode);
    int bind(const std::string& name, ub1* progv, sword progvl, sword ftype, sb2* indp, ub2* alen,
             ub2* arcode);
    int execute();
    int fetch(ub4 rows);
    int fetchLong(int position, ub1* buf, sb4 bufl, sword dtype, ub4* retl, sb4 offset);

    ub4 rowsProcessed() const { return rpc_; }
    int functionType() const { return rewrite_.functionType; }
    size_t errorOffset() const { return errorOffset_; }

private:
    struct Define {
        ub1* buf = nullptr;
        sword bufl = 0;
        sword ftype = 0;
        sb2* indp = nullptr;
        ub2* rlen = nullptr;
        ub2* rcode = nullptr;
        bool set = false;
    };
    struct Bind {
        std::string name;
        ub1* progv;
        sword progvl;
        sword ftype;
        sb2* indp;
        ub2* alen;
        ub2* arcode;
    };

    int fail(const Error& e);
    int fail(int code) { return fail(makeError(code)); }
    void reset();
    int prepareStatement(const std::string& sql);
    void describeColumns();
    ColumnType expressionType(const std::vector<Token>& item, bool* known);
    ColumnType columnRefType(const std::vector<Token>& item, bool* known);
    int runDdl();
    int bindAll();
    const Bind* findBind(const std::string& name) const;
    int readBind(const Bind& b, Value* out);
    int writeBind(const Bind& b, const Value& v);
    int executePlsql();
    int storeRow(ub4 row, bool* truncated);

    Session* session_;
    Rewrite rewrite_;
    sqlite3_stmt* stmt_ = nullptr;
    PlsqlCall plsql_;
    Error pending_;    // a deferred parse error
    Error plsqlError_; // the compilation error of a PL/SQL block
    bool parsed_ = false;
    bool ddlRan_ = false;
    bool executed_ = false;
    bool exhausted_ = false;
    size_t errorOffset_ = 0;
    ub4 rpc_ = 0;
    std::vector<Describe> columns_;
    std::vector<Define> defines_;
    std::vector<Bind> binds_;
    std::vector<Value> lastLongs_; // LONG values of the last row fetched
};

} // namespace oci7
