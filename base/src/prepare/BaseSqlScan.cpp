// BaseSqlString: the clause scan (markers, FOR UPDATE, WHERE CURRENT OF)
// and the removal of FOR UPDATE.
#include "base/BaseErrors.h"
#include "base/BaseSqlString.h"
#include "util/VxScanner.h"

namespace {

bool isName(std::int32_t kind) {
    return kind == VX_TOKEN_WORD || kind == VX_TOKEN_QUOTED;
}

// Reads a possibly qualified name (a.b.c) starting with `token`; returns
// the end offset of the last part.
std::uint32_t readQualifiedName(VxScanner& scanner, VxToken& token) {
    std::uint32_t end = token.getEnd();
    VxToken next;
    for (;;) {
        if (scanner.getToken(next) != '.') {
            scanner.unGetToken(next);
            return end;
        }
        if (!isName(scanner.getToken(next))) {
            scanner.unGetToken(next);
            return end;
        }
        end = next.getEnd();
    }
}

} // namespace

VxStatus BaseSqlString::scanClauses(unsigned flags) {
    VxScanner scanner(ptr_ ? ptr_ : "", length_);
    scanner.setQuoteChars(quotes_[0], quotes_[1], quotes_[2]);
    bool clauses = verb_ == VX_SQL_SELECT || verb_ == VX_SQL_UPDATE || verb_ == VX_SQL_DELETE;
    bool wantForUpdate = clauses && (flags & BASE_SCAN_FOR_UPDATE);
    bool wantCurrentOf = clauses && (flags & BASE_SCAN_CURRENT_OF);
    unsigned depth = 0;
    VxToken token;
    for (;;) {
        std::int32_t kind = scanner.getToken(token);
        if (kind == VX_TOKEN_END)
            return VX_SUCCESS;
        if (token.isOperator('?')) {
            if ((flags & BASE_SCAN_MARKERS) && addMarker(token.getPosition()) != VX_SUCCESS)
                return VX_ERROR;
        } else if (token.isOperator('(')) {
            ++depth;
        } else if (token.isOperator(')')) {
            depth = depth ? depth - 1 : 0;
        } else if (kind == VX_TOKEN_WORD && depth == 0) {
            std::uint32_t start = token.getPosition();
            if (wantForUpdate && forUpdatePos_ == 0 && scanner.isEqualCi(token, "FOR UPDATE")) {
                forUpdatePos_ = start;
            } else if (wantCurrentOf && currentOfLength_ == 0 &&
                       scanner.isEqualCi(token, "WHERE CURRENT OF")) {
                VxToken name;
                if (!isName(scanner.getToken(name))) {
                    addOdbcError(ODBC_34000, 6051);
                    return VX_ERROR;
                }
                currentOfPos_ = start;
                currentOfLength_ = name.getEnd() - start;
                cursorNamePos_ = name.getPosition();
                cursorNameLength_ = name.length();
            }
        }
    }
}

VxStatus BaseSqlString::stripForUpdate() {
    if (forUpdatePos_ == 0)
        return VX_SUCCESS;
    VxScanner scanner(ptr_, length_);
    scanner.setQuoteChars(quotes_[0], quotes_[1], quotes_[2]);
    scanner.setPosition(forUpdatePos_);
    VxToken token;
    static_cast<void>(scanner.getToken(token));
    if (!scanner.isEqualCi(token, "FOR UPDATE")) {
        forUpdatePos_ = 0; // the text changed under the scan
        return VX_SUCCESS;
    }
    std::uint32_t end = token.getEnd();
    VxToken next;
    scanner.getToken(next);
    if (scanner.isEqualCi(next, "OF")) {
        for (;;) {
            VxToken name;
            if (!isName(scanner.getToken(name))) {
                scanner.unGetToken(name);
                break;
            }
            end = readQualifiedName(scanner, name);
            VxToken comma;
            if (scanner.getToken(comma) != ',') {
                scanner.unGetToken(comma);
                break;
            }
        }
    }
    return replaceSubString(forUpdatePos_, end - forUpdatePos_, nullptr, 0);
}
