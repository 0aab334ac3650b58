/*
 * oci7.h: the version-7 Oracle call interface as the Oracle7 driver uses it.
 *
 * This header declares the seventeen calls, the logon and cursor data areas
 * and the codes that the driver relies on. The library built beside it
 * (libclntsh7.so) implements the calls over SQLite so that the driver can be
 * built and tested without an Oracle client; a user with a real client
 * library of the same interface puts that library first on the library path
 * (or links it under the name libclntsh7.so) instead.
 *
 * Conventions of the interface:
 *  - Every call answers 0 on success and otherwise an Oracle error code. The
 *    same code is left in the data area's `rc` (cursor calls: the cursor data
 *    area; logon, transaction and message calls: the logon data area).
 *  - 1403 (no data found) and 1406 (fetched value truncated) are return codes
 *    that still deliver data; 1003/1007 end a walk over the select list.
 *  - `rpc` of a cursor counts rows: rows fetched so far for a query (all
 *    batches together), rows changed for INSERT, UPDATE and DELETE.
 *  - A length of -1 for a text argument means "terminated by a zero byte".
 *  - Buffers of array fetches hold row i at buf + i * bufl; the indicator,
 *    returned-length and return-code arrays have one element per row.
 *  - Indicators: -1 the value is NULL, 0 the value fitted, > 0 the value was
 *    truncated and this is its full length, -2 truncated and longer than an
 *    indicator can hold.
 *
 * The header is plain C so that C and C++ programs can include it.
 */
#ifndef OCI7_H
#define OCI7_H

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned char ub1;
typedef signed char sb1;
typedef unsigned short ub2;
typedef signed short sb2;
typedef unsigned int ub4;
typedef signed int sb4;
typedef int sword;
typedef unsigned int uword;
typedef unsigned char OraText;

/* Size of the host data area the caller passes to orlon (bytes, aligned). */
#define OCI7_HDA_SIZE 512

/* Room for the implementation's data in the data areas below. */
#define OCI7_AREA_SIZE 64

/*
 * A cursor data area (and, with the same layout, a logon data area). The
 * caller owns the memory; the library keeps its own state behind `rcsp`
 * between oopen/orlon and oclose/ologof. Callers read `rc`, `rpc`, `ft`
 * and `peo`; everything else is the library's.
 */
struct cda_def {
    sb2 v2_rc;  /* return code in the form of version 2 (negative) */
    ub2 ft;     /* SQL function type of the parsed statement (OCI7_FT_*) */
    ub4 rpc;    /* rows processed */
    ub2 peo;    /* offset of a parse error in the SQL text */
    ub1 fc;     /* code of the last call made on the area */
    ub1 rcs1;   /* reserved */
    ub2 rc;     /* return code of the last call */
    ub1 wrn;    /* warning flags (OCI7_WRN_*) */
    ub1 rcs2;   /* reserved */
    sword rcs3; /* reserved */
    struct {
        struct {
            ub4 rcs4;
            ub2 rcs5;
            ub1 rcs6;
        } rd;
        ub4 rcs7;
        ub2 rcs8;
    } rid;      /* ROWID of the last row processed (reserved) */
    sword ose;  /* operating-system error code */
    ub1 chk;    /* set while the area is in use by the library */
    void* rcsp; /* the library's state */
    ub1 rcs9[OCI7_AREA_SIZE - 56];
};
typedef struct cda_def Cda_Def;
typedef struct cda_def Lda_Def;

/* Internal (column) types that odescr reports. */
#define OCI7_TYPE_VARCHAR2 1
#define OCI7_TYPE_NUMBER 2
#define OCI7_TYPE_LONG 8
#define OCI7_TYPE_ROWID 11
#define OCI7_TYPE_DATE 12
#define OCI7_TYPE_RAW 23
#define OCI7_TYPE_LONG_RAW 24
#define OCI7_TYPE_CHAR 96

/*
 * External types for odefin, obndra and oflng:
 *   1  VARCHAR2  characters, no terminator; length in the length array
 *   2  NUMBER    Oracle's 21-byte internal number form
 *   3  INTEGER   signed binary integer of 1, 2, 4 or 8 bytes
 *   4  FLOAT     binary float of 4 or 8 bytes
 *   5  STRING    characters terminated by a zero byte (counted in bufl)
 *   8  LONG      characters, like 1, for long values
 *   12 DATE      7 bytes: century+100, year+100, month, day, hour+1,
 *                minute+1, second+1
 *   23 RAW       bytes
 *   24 LONG RAW  bytes, for long values
 *   68 UNSIGNED  unsigned binary integer of 1, 2, 4 or 8 bytes
 *   96 CHAR      characters padded with blanks to bufl
 *   97 CHARZ     characters padded with blanks, terminated by a zero byte
 */
#define OCI7_EXT_VARCHAR2 1
#define OCI7_EXT_NUMBER 2
#define OCI7_EXT_INTEGER 3
#define OCI7_EXT_FLOAT 4
#define OCI7_EXT_STRING 5
#define OCI7_EXT_LONG 8
#define OCI7_EXT_DATE 12
#define OCI7_EXT_RAW 23
#define OCI7_EXT_LONG_RAW 24
#define OCI7_EXT_UNSIGNED 68
#define OCI7_EXT_CHAR 96
#define OCI7_EXT_CHARZ 97

/* SQL function types left in `ft` by oparse. */
#define OCI7_FT_CREATE_TABLE 1
#define OCI7_FT_INSERT 3
#define OCI7_FT_SELECT 4
#define OCI7_FT_UPDATE 5
#define OCI7_FT_DROP_TABLE 8
#define OCI7_FT_DELETE 9
#define OCI7_FT_CREATE_VIEW 10
#define OCI7_FT_OTHER_DDL 15
#define OCI7_FT_PLSQL 34
#define OCI7_FT_COMMIT 54

/* Warning flags in `wrn`, set by a fetch that answers 1406. */
#define OCI7_WRN_ANY 0x01       /* some warning below is set */
#define OCI7_WRN_TRUNCATED 0x02 /* a fetched value was truncated */

/* Return codes the caller tests. */
#define OCI7_RC_OK 0
#define OCI7_RC_NO_DATA 1403
#define OCI7_RC_TRUNCATED 1406
#define OCI7_RC_NULL_NO_INDICATOR 1405
#define OCI7_RC_NO_STATEMENT 1003
#define OCI7_RC_NOT_IN_SELECT_LIST 1007
#define OCI7_RC_NOT_ALL_BOUND 1008
#define OCI7_RC_BAD_VARIABLE 1036
#define OCI7_RC_NOT_LOGGED_ON 1012
#define OCI7_RC_INVALID_CURSOR 1001
#define OCI7_RC_FETCH_SEQUENCE 1002
#define OCI7_RC_PLSQL_ERROR 6550

/* Logon with "user/password@database" (or "user@database" and the password
   in pswd); hda is the caller's host data area of OCI7_HDA_SIZE bytes,
   kept until ologof. */
sword orlon(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
            sword audit);
sword ologof(Lda_Def* lda);

/* Autocommit on and off, commit and rollback of the session's work. */
sword ocon(Lda_Def* lda);
sword ocof(Lda_Def* lda);
sword ocom(Lda_Def* lda);
sword orol(Lda_Def* lda);

/* Opens and closes a cursor on a logged-on session. dbn, dbnl, arsize,
   uid and uidl are accepted for compatibility (pass 0 / -1). */
sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize, OraText* uid,
            sword uidl);
sword oclose(Cda_Def* cursor);

/* Parses sqlstm. defflg 1 defers the parse: its errors are answered by the
   next odescr, oexec or oexfet. lngflg 1 asks for Oracle7 behaviour. */
sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg);

/* Describes select-list item pos (from 1): internal size and type, name
   (cbufl in: room of cbuf; out: length of the name, not terminated),
   display size, precision, scale and nullability (1 nullable). Answers
   1007 past the end of the select list. */
sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl,
             sb4* dsize, sb2* prec, sb2* scale, sb2* nullok);

/* Defines the output buffers of select-list item pos for array fetches. */
sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword scale, sb2* indp,
             OraText* fmt, sword fmtl, sword fmtt, ub2* rlen, ub2* rcode);

/* Binds placeholder sqlvar (":1", ":NAME"; sqlvl -1 when terminated) to
   progv of progvl bytes. The buffer is read at execution. For OUT and
   IN OUT arguments of PL/SQL blocks progvl is its room; *alen gives the
   length of the value going in (types 1, 8, 23, 24, 96) and receives the
   length coming back, with *indp and *arcode as for odefin. maxsiz/cursiz (PL/SQL tables) are not
   supported: pass 0 and a null pointer. */
sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
             sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz, ub4* cursiz, OraText* fmt,
             sword fmtl, sword fmtt);

/* Executes the parsed statement. */
sword oexec(Cda_Def* cursor);

/* Executes a query and fetches up to nrows rows into the defined buffers;
   1403 when fewer rows came (rpc tells how many in all). */
sword oexfet(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact);

/* Fetches the next nrows rows; 1403 when fewer came. */
sword ofen(Cda_Def* cursor, sword nrows);

/* Reads bufl bytes of LONG or LONG RAW item pos of the last row fetched,
   from byte offset; retl receives the bytes delivered (fewer than bufl at
   the end of the value). */
sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl, sb4 offset);

/* Writes the text of Oracle code rcode ("ORA-nnnnn: ...") terminated into
   buf of bufsiz bytes; the text of the session's last error carries its
   details. Answers the length written. */
sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz);

#ifdef __cplusplus
}
#endif

#endif
