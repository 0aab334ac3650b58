// The call interface over SQLite, driven as the Oracle7 driver drives it:
// logon, describe, array fetches, binds, LONG pieces, PL/SQL calls, the
// dictionary and the error codes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "oci7.h"

namespace {

OraText* ot(const char* s) {
    return reinterpret_cast<OraText*>(const_cast<char*>(s));
}

class Oci7Test : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tmp = std::getenv("TMPDIR");
        folder_ = std::string(tmp != nullptr ? tmp : "/tmp") + "/vxoci7XXXXXX";
        ASSERT_NE(mkdtemp(&folder_[0]), nullptr);
        setenv("VX_ORA7_DATA", folder_.c_str(), 1);
        setenv("VX_ORA7_SYSDATE", "2026-12-07 10:20:30", 1);
        std::FILE* f = std::fopen((folder_ + "/orcl.db").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
        ASSERT_EQ(logon(&lda_, hda_, "scott@orcl", "tiger"), 0);
        ASSERT_EQ(oopen(&cda_, &lda_, nullptr, -1, -1, nullptr, -1), 0);
    }
    void TearDown() override {
        oclose(&cda_);
        ologof(&lda_);
        std::string cmd = "rm -rf '" + folder_ + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
    }
    static int logon(Lda_Def* lda, ub1* hda, const char* uid, const char* password) {
        return orlon(lda, hda, ot(uid), -1, password == nullptr ? nullptr : ot(password), -1, 0);
    }
    int run(const char* sql) {
        int rc = oparse(&cda_, ot(sql), -1, 0, 1);
        return rc != 0 ? rc : oexec(&cda_);
    }
    std::string message(int code) {
        char buf[512] = {};
        oerhms(&lda_, static_cast<sb2>(code), ot(buf), sizeof buf);
        return buf;
    }
    // The first column of every row of `sql`, fetched as text, joined by "|".
    std::string column(const char* sql) {
        char buf[4][100] = {};
        sb2 ind[4];
        EXPECT_EQ(oparse(&cda_, ot(sql), -1, 0, 1), 0) << message(cda_.rc);
        EXPECT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(buf), 100, OCI7_EXT_STRING, -1, ind,
                         nullptr, -1, -1, nullptr, nullptr),
                  0);
        std::string out;
        int rc = oexfet(&cda_, 4, 0, 0);
        for (ub4 seen = 0;; rc = ofen(&cda_, 4)) {
            EXPECT_TRUE(rc == 0 || rc == 1403) << message(rc);
            for (ub4 i = 0; i < cda_.rpc - seen; ++i)
                out += (out.empty() ? "" : "|") + std::string(ind[i] < 0 ? "NULL" : buf[i]);
            seen = cda_.rpc;
            if (rc != 0)
                break;
        }
        return out;
    }
    void makeEmp() {
        ASSERT_EQ(run("create table emp (empno number(4) primary key, ename varchar2(10) not "
                      "null, sal number(7,2), hired date, notes long, code char(3), pic raw(4))"),
                  0);
        for (int i = 1; i <= 5; ++i) {
            char sql[200];
            std::snprintf(sql, sizeof sql,
                          "insert into emp (empno, ename, sal, hired) values (%d, 'E%d', %d.5, "
                          "to_date('2020-01-0%d 08:30', 'YYYY-MM-DD HH24:MI'))",
                          i, i, i * 100, i);
            ASSERT_EQ(run(sql), 0) << message(cda_.rc);
        }
    }

    std::string folder_;
    Lda_Def lda_;
    ub1 hda_[OCI7_HDA_SIZE];
    Cda_Def cda_;
};

TEST_F(Oci7Test, LogonFindsTheFileAndChecksPasswordsGivenApart) {
    Lda_Def other;
    ub1 hda[OCI7_HDA_SIZE];
    EXPECT_EQ(logon(&other, hda, "scott/tiger@nosuch", nullptr), 12154);
    EXPECT_EQ(run("create table \"ORA$USERS\" (username varchar2(30), password varchar2(30))"), 0);
    EXPECT_EQ(run("insert into \"ORA$USERS\" values ('SCOTT', 'p@ss/word')"), 0);
    EXPECT_EQ(ocom(&lda_), 0);
    EXPECT_EQ(logon(&other, hda, "scott@orcl", "p@ss/word"), 0);
    EXPECT_EQ(ologof(&other), 0);
    EXPECT_EQ(logon(&other, hda, "scott/wrong@orcl", nullptr), 1017);
    char text[256];
    oerhms(&other, 1017, ot(text), sizeof text);
    EXPECT_STREQ(text, "ORA-01017: invalid username/password; logon denied");
}

TEST_F(Oci7Test, DescribeGivesOracleTypesUntil1007) {
    makeEmp();
    ASSERT_EQ(oparse(&cda_, ot("select emp.*, rowid, count(*) over (), sysdate, 'ab' from emp"), -1,
                     1, 1),
              0);
    struct Expect {
        const char* name;
        int type, size, precision, scale, nullable;
    } expected[] = {{"EMPNO", 2, 22, 4, 0, 0}, {"ENAME", 1, 10, 0, 0, 0}, {"SAL", 2, 22, 7, 2, 1},
                    {"HIRED", 12, 7, 0, 0, 1}, {"NOTES", 8, 0, 0, 0, 1},  {"CODE", 96, 3, 0, 0, 1},
                    {"PIC", 23, 4, 0, 0, 1},   {"ROWID", 11, 18, 0, 0, 0}};
    int position = 1;
    for (const Expect& e : expected) {
        sb4 size = 0, nameLength = 30, display = 0;
        sb2 type = 0, precision = -1, scale = -1, nullable = -1;
        sb1 name[31];
        ASSERT_EQ(odescr(&cda_, position++, &size, &type, name, &nameLength, &display, &precision,
                         &scale, &nullable),
                  0);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(name), nameLength), e.name);
        EXPECT_EQ(type, e.type) << e.name;
        EXPECT_EQ(size, e.size) << e.name;
        EXPECT_EQ(precision, e.precision) << e.name;
        EXPECT_EQ(scale, e.scale) << e.name;
        EXPECT_EQ(nullable, e.nullable) << e.name;
    }
    sb4 size;
    sb2 type;
    position++; // the window function
    EXPECT_EQ(odescr(&cda_, position++, &size, &type, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr),
              0);
    EXPECT_EQ(type, OCI7_TYPE_DATE);
    EXPECT_EQ(odescr(&cda_, position++, &size, &type, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr),
              0);
    EXPECT_EQ(type, OCI7_TYPE_CHAR);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(
        odescr(&cda_, position, &size, &type, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        1007);
}

TEST_F(Oci7Test, ArrayFetchesEndWith1403AndCountRows) {
    makeEmp();
    for (int rows : {5, 4}) { // a partial last batch, then an exact multiple
        char names[2][8];
        sb2 ind[2];
        ub2 len[2], code[2];
        ASSERT_EQ(oparse(&cda_, ot("select ename from emp order by empno"), -1, 0, 1), 0);
        ASSERT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(names), 8, OCI7_EXT_VARCHAR2, -1, ind,
                         nullptr, -1, -1, len, code),
                  0);
        std::vector<int> codes{oexfet(&cda_, 2, 0, 0)};
        std::vector<ub4> counts{cda_.rpc};
        while (codes.back() == 0) {
            codes.push_back(ofen(&cda_, 2));
            counts.push_back(cda_.rpc);
        }
        if (rows == 5) {
            EXPECT_EQ(codes, (std::vector<int>{0, 0, 1403}));
            EXPECT_EQ(counts, (std::vector<ub4>{2, 4, 5}));
            EXPECT_EQ(std::string(names[0], len[0]), "E5");
            ASSERT_EQ(run("delete from emp where empno = 5"), 0);
        } else {
            EXPECT_EQ(codes, (std::vector<int>{0, 0, 1403}));
            EXPECT_EQ(counts, (std::vector<ub4>{2, 4, 4}));
        }
    }
}

TEST_F(Oci7Test, DefinesConvertTruncateAndMarkNulls) {
    makeEmp();
    ASSERT_EQ(run("update emp set ename = 'LONGERNAME', code = 'A', pic = '0aff' where empno = 1"),
              0);
    ASSERT_EQ(oparse(&cda_,
                     ot("select ename, sal, hired, code, notes, pic from emp where "
                        "empno < 3 order by empno"),
                     -1, 0, 1),
              0);
    char name[2][5], sal[2][12], code[2][4];
    ub1 date[2][7], pic[2][4];
    sb2 ind[6][2];
    ub2 len[6][2], rcode[6][2];
    ASSERT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(name), 5, OCI7_EXT_STRING, -1, ind[0],
                     nullptr, -1, -1, len[0], rcode[0]),
              0);
    ASSERT_EQ(odefin(&cda_, 2, reinterpret_cast<ub1*>(sal), 12, OCI7_EXT_STRING, -1, ind[1],
                     nullptr, -1, -1, len[1], rcode[1]),
              0);
    ASSERT_EQ(
        odefin(&cda_, 3, date[0], 7, OCI7_EXT_DATE, -1, ind[2], nullptr, -1, -1, len[2], rcode[2]),
        0);
    ASSERT_EQ(odefin(&cda_, 4, reinterpret_cast<ub1*>(code), 4, OCI7_EXT_STRING, -1, ind[3],
                     nullptr, -1, -1, len[3], rcode[3]),
              0);
    ASSERT_EQ(
        odefin(&cda_, 5, nullptr, 0, OCI7_EXT_LONG, -1, ind[4], nullptr, -1, -1, len[4], rcode[4]),
        0);
    ASSERT_EQ(
        odefin(&cda_, 6, pic[0], 4, OCI7_EXT_RAW, -1, ind[5], nullptr, -1, -1, len[5], rcode[5]),
        0);
    EXPECT_EQ(oexfet(&cda_, 2, 0, 0), 1406);
    EXPECT_STREQ(name[0], "LONG");
    EXPECT_EQ(ind[0][0], 10);
    EXPECT_EQ(rcode[0][0], 1406);
    EXPECT_STREQ(name[1], "E2");
    EXPECT_EQ(ind[0][1], 0);
    EXPECT_STREQ(sal[0], "100.5");
    const ub1 hired[7] = {120, 120, 1, 1, 9, 31, 1};
    EXPECT_EQ(std::memcmp(date[0], hired, 7), 0);
    EXPECT_STREQ(code[0], "A  "); // CHAR(3) comes blank-padded
    EXPECT_EQ(ind[3][1], -1);
    EXPECT_EQ(rcode[3][1], 1405);
    EXPECT_EQ(ind[4][0], -1);
    EXPECT_EQ(len[5][0], 2);
    EXPECT_EQ(pic[0][1], 0xff);
    EXPECT_EQ(ind[5][1], -1);
}

TEST_F(Oci7Test, NumbersInOraclesInternalForm) {
    makeEmp();
    ub1 number[22];
    ub2 length = 0;
    ASSERT_EQ(oparse(&cda_, ot("select sal from emp where empno = 1"), -1, 0, 1), 0);
    ASSERT_EQ(odefin(&cda_, 1, number, sizeof number, OCI7_EXT_NUMBER, -1, nullptr, nullptr, -1, -1,
                     &length, nullptr),
              0);
    ASSERT_EQ(oexfet(&cda_, 1, 0, 0), 0);
    const ub1 hundredAndAHalf[] = {0xC2, 0x02, 0x01, 0x33}; // 1.0050 x 100^1
    ASSERT_EQ(length, sizeof hundredAndAHalf);
    EXPECT_EQ(std::memcmp(number, hundredAndAHalf, length), 0);
    const ub1 minusOneTenth[] = {0x3F, 0x5B, 0x66}; // -10 x 100^-1
    ASSERT_EQ(oparse(&cda_, ot("select to_char(:n) from dual"), -1, 0, 1), 0);
    ASSERT_EQ(obndra(&cda_, ot(":n"), -1, const_cast<ub1*>(minusOneTenth), 3, OCI7_EXT_NUMBER, -1,
                     nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
              0);
    char text[16] = {};
    ASSERT_EQ(odefin(&cda_, 1, reinterpret_cast<ub1*>(text), sizeof text, OCI7_EXT_STRING, -1,
                     nullptr, nullptr, -1, -1, nullptr, nullptr),
              0);
    ASSERT_EQ(oexfet(&cda_, 1, 0, 0), 0);
    EXPECT_STREQ(text, "-0.1");
}

TEST_F(Oci7Test, LongValuesAreReadInPieces) {
    makeEmp();
    std::string text(5000, 'x');
    text[4999] = 'z';
    ASSERT_EQ(oparse(&cda_, ot("update emp set notes = :1 where empno = 2"), -1, 0, 1), 0);
    ASSERT_EQ(obndra(&cda_, ot(":1"), -1, reinterpret_cast<ub1*>(&text[0]),
                     static_cast<sword>(text.size()), OCI7_EXT_LONG, -1, nullptr, nullptr, nullptr,
                     0, nullptr, nullptr, -1, -1),
              0);
    ASSERT_EQ(oexec(&cda_), 0);
    ASSERT_EQ(oparse(&cda_, ot("select notes from emp where empno = 2"), -1, 0, 1), 0);
    sb2 ind;
    ASSERT_EQ(
        odefin(&cda_, 1, nullptr, 0, OCI7_EXT_LONG, -1, &ind, nullptr, -1, -1, nullptr, nullptr),
        0);
    ASSERT_EQ(oexfet(&cda_, 1, 0, 0), 1406);
    std::string read;
    char piece[2048];
    for (ub4 got = 1; got != 0;) {
        ASSERT_EQ(oflng(&cda_, 1, reinterpret_cast<ub1*>(piece), sizeof piece, OCI7_EXT_LONG, &got,
                        static_cast<sb4>(read.size())),
                  0);
        read.append(piece, got);
    }
    EXPECT_EQ(read, text);
}

TEST_F(Oci7Test, BindsByNameAndDeferredErrors) {
    makeEmp();
    EXPECT_EQ(oparse(&cda_, ot("select * from nosuch"), -1, 1, 1), 0);
    EXPECT_EQ(
        odescr(&cda_, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr),
        942);
    EXPECT_EQ(message(942), "ORA-00942: table or view does not exist");
    EXPECT_EQ(oparse(&cda_, ot("select nosuch from emp"), -1, 0, 1), 904);
    EXPECT_EQ(oparse(&cda_, ot("frobnicate emp"), -1, 0, 1), 900);
    EXPECT_EQ(oparse(&cda_, ot("select * from emp;"), -1, 0, 1), 911);

    ASSERT_EQ(
        oparse(&cda_, ot("insert into emp (empno, ename, hired) values (:1, :Name, :d)"), -1, 0, 1),
        0);
    EXPECT_EQ(obndra(&cda_, ot(":nosuch"), -1, nullptr, 0, 1, -1, nullptr, nullptr, nullptr, 0,
                     nullptr, nullptr, -1, -1),
              1036);
    char number[] = "9";
    ASSERT_EQ(obndra(&cda_, ot(":1"), -1, reinterpret_cast<ub1*>(number), sizeof number,
                     OCI7_EXT_STRING, -1, nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
              0);
    EXPECT_EQ(oexec(&cda_), 1008);
    char name[] = "NINE";
    ub1 date[7] = {119, 199, 12, 31, 24, 60, 60};
    ASSERT_EQ(obndra(&cda_, ot(":NAME"), -1, reinterpret_cast<ub1*>(name), 4, OCI7_EXT_VARCHAR2, -1,
                     nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1),
              0);
    ASSERT_EQ(obndra(&cda_, ot(":D"), -1, date, 7, OCI7_EXT_DATE, -1, nullptr, nullptr, nullptr, 0,
                     nullptr, nullptr, -1, -1),
              0);
    EXPECT_EQ(oexec(&cda_), 0);
    EXPECT_EQ(cda_.rpc, 1u);
    EXPECT_EQ(oexec(&cda_), 1);
    EXPECT_EQ(message(1).rfind("ORA-00001: unique constraint (SCOTT.", 0), 0u);
    EXPECT_EQ(column("select to_char(hired, 'YYYY-MM-DD HH24:MI:SS') from emp where empno = 9"),
              "1999-12-31 23:59:59");
    EXPECT_EQ(run("insert into emp (empno) values (10)"), 1400);
    EXPECT_EQ(run("insert into emp (empno, ename) values (10, 'ELEVENCHARS')"), 1401);
}

TEST_F(Oci7Test, PlsqlOutBindsAndCallForms) {
    char a[] = "40", b[] = "2", sum[8], text[16] = "mixed Case";
    sb2 sumInd = 5, textInd = 0;
    ub2 sumLen = 0;
    ASSERT_EQ(oparse(&cda_, ot("BEGIN TEST_ADD(:V001,:V002,:V003); END;"), -1, 0, 1), 0);
    obndra(&cda_, ot(":V001"), -1, reinterpret_cast<ub1*>(a), sizeof a, OCI7_EXT_STRING, -1,
           nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1);
    obndra(&cda_, ot(":V002"), -1, reinterpret_cast<ub1*>(b), sizeof b, OCI7_EXT_STRING, -1,
           nullptr, nullptr, nullptr, 0, nullptr, nullptr, -1, -1);
    obndra(&cda_, ot(":V003"), -1, reinterpret_cast<ub1*>(sum), sizeof sum, OCI7_EXT_STRING, -1,
           &sumInd, &sumLen, nullptr, 0, nullptr, nullptr, -1, -1);
    ASSERT_EQ(oexec(&cda_), 0) << message(cda_.rc);
    EXPECT_STREQ(sum, "42");
    EXPECT_EQ(sumInd, 0);
    EXPECT_EQ(sumLen, 2);

    // IN OUT: the value's length in the length array, the room in progvl.
    ub2 textLen = 5;
    ASSERT_EQ(oparse(&cda_, ot("begin test_upper(:s); end;"), -1, 0, 1), 0);
    obndra(&cda_, ot(":S"), -1, reinterpret_cast<ub1*>(text), sizeof text, OCI7_EXT_VARCHAR2, -1,
           &textInd, &textLen, nullptr, 0, nullptr, nullptr, -1, -1);
    ASSERT_EQ(oexec(&cda_), 0);
    EXPECT_EQ(std::string(text, textLen), "MIXED");

    double x = 21, twice = 0;
    ASSERT_EQ(oparse(&cda_, ot("BEGIN :R := TEST_TWICE(:X); END;"), -1, 0, 1), 0);
    obndra(&cda_, ot(":R"), -1, reinterpret_cast<ub1*>(&twice), 8, OCI7_EXT_FLOAT, -1, nullptr,
           nullptr, nullptr, 0, nullptr, nullptr, -1, -1);
    obndra(&cda_, ot(":X"), -1, reinterpret_cast<ub1*>(&x), 8, OCI7_EXT_FLOAT, -1, nullptr, nullptr,
           nullptr, 0, nullptr, nullptr, -1, -1);
    ASSERT_EQ(oexec(&cda_), 0);
    EXPECT_EQ(twice, 42.0);

    // A procedure called as a function fails when it runs (the driver
    // retries on PLS-00222).
    ASSERT_EQ(oparse(&cda_, ot("BEGIN :R := TEST_UPPER(:X); END;"), -1, 0, 1), 0);
    EXPECT_EQ(oexec(&cda_), 6550);
    EXPECT_NE(message(6550).find("PLS-00222"), std::string::npos);
    EXPECT_EQ(oparse(&cda_, ot("BEGIN TEST_FAIL('boom'); END;"), -1, 0, 1), 0);
    EXPECT_EQ(oexec(&cda_), 20001);
    EXPECT_EQ(message(20001).rfind("ORA-20001: boom", 0), 0u);
}

TEST_F(Oci7Test, TransactionsFollowAutocommit) {
    makeEmp();
    Lda_Def other;
    ub1 hda[OCI7_HDA_SIZE];
    Cda_Def otherCursor;
    ASSERT_EQ(logon(&other, hda, "scott/tiger@orcl", nullptr), 0);
    ASSERT_EQ(oopen(&otherCursor, &other, nullptr, -1, -1, nullptr, -1), 0);
    ASSERT_EQ(ocom(&lda_), 0);
    ASSERT_EQ(run("delete from emp"), 0);
    ASSERT_EQ(orol(&lda_), 0);
    EXPECT_EQ(column("select count(*) from emp"), "5");
    ASSERT_EQ(run("delete from emp where empno = 1"), 0);
    // The pending change holds the write lock: FOR UPDATE NOWAIT elsewhere fails.
    EXPECT_EQ(oparse(&otherCursor, ot("select ename from emp for update nowait"), -1, 0, 1), 0);
    EXPECT_EQ(oexec(&otherCursor), 54);
    ASSERT_EQ(ocom(&lda_), 0);
    ASSERT_EQ(ocon(&lda_), 0);
    ASSERT_EQ(run("delete from emp where empno = 2"), 0);
    ASSERT_EQ(orol(&lda_), 0);
    EXPECT_EQ(column("select count(*) from emp"), "3");
    oclose(&otherCursor);
    ologof(&other);
}

TEST_F(Oci7Test, OracleDialectAndDictionary) {
    makeEmp();
    EXPECT_EQ(column("select sysdate from dual"), "07-DEC-26");
    EXPECT_EQ(column("select user from dual"), "SCOTT");
    EXPECT_EQ(column("select to_char(trunc(sysdate, 'J'), 'FMDay DD Month YYYY HH24') from dual"),
              "Monday 7 December 2026 0");
    EXPECT_EQ(column("select ename from scott.emp where rowid = (select max(rowid) from emp)"),
              "E5");
    EXPECT_EQ(column("select nvl(substr('abcdef', -2), 'x') || decode(1, 1, 'one', 'other') "
                     "from dual"),
              "efone");
    ASSERT_EQ(run("create table dept (deptno number(2) primary key, dname varchar2(14))"), 0);
    ASSERT_EQ(run("insert into dept values (10, 'ACCOUNTING')"), 0);
    ASSERT_EQ(run("update emp set sal = 10 where empno = 1"), 0);
    EXPECT_EQ(column("select d.dname from emp e, dept d where e.sal = d.deptno (+) "
                     "order by e.empno"),
              "ACCOUNTING|NULL|NULL|NULL|NULL");
    ASSERT_EQ(run("comment on column emp.ename is 'Employee''s name'"), 0);
    EXPECT_EQ(column("select a.column_name || ':' || a.data_type || ':' || a.nullable || ':' || "
                     "b.comments from sys.all_tab_columns a, sys.all_col_comments b where "
                     "a.owner = b.owner and a.table_name = b.table_name and a.column_name = "
                     "b.column_name and a.table_name like 'EMP' escape '\\' and a.column_id < 3 "
                     "order by 1"),
              "EMPNO:NUMBER:N:|ENAME:VARCHAR2:N:Employee's name");
    ASSERT_EQ(run("create public synonym staff for scott.emp"), 0);
    EXPECT_EQ(column("select count(*) from staff"), "5");
    EXPECT_EQ(column("select owner || '.' || table_name || ':' || table_type from all_catalog "
                     "where owner in ('PUBLIC', user) order by 1"),
              "PUBLIC.STAFF:SYNONYM|SCOTT.DEPT:TABLE|SCOTT.EMP:TABLE");
    EXPECT_EQ(column("select table_name from all_synonyms where synonym_name = 'STAFF'"), "EMP");
    EXPECT_EQ(run("drop synonym staff"), 1434);
    EXPECT_EQ(run("drop public synonym staff"), 0);
    EXPECT_EQ(column("select c.column_name from all_constraints k, all_cons_columns c where "
                     "k.constraint_type = 'P' and k.table_name = 'EMP' and "
                     "c.constraint_name = k.constraint_name"),
              "EMPNO");
    EXPECT_EQ(column("select object_name from all_objects where object_type = 'FUNCTION' "
                     "order by 1"),
              "TEST_GREETING|TEST_TWICE");
    EXPECT_EQ(oparse(&cda_, ot("select 1 from sys.dba_catalog"), -1, 1, 1), 0);
    EXPECT_EQ(oexec(&cda_), 942);
}

// The Oracle text that the driver's escapes produce, run over DUAL.
TEST_F(Oci7Test, FunctionsAsTheDriversEscapesWriteThem) {
    struct Case {
        const char* expression;
        const char* expected;
    } cases[] = {
        {"TO_DATE('2026-02-03 04:05:06','YYYY-MM-DD HH24:MI:SS')", "03-FEB-26"},
        {"TO_CHAR(TO_DATE('2026-02-03','YYYY-MM-DD'),'FMMonth')", "February"},
        {"TO_NUMBER(TO_CHAR(TO_DATE('2026-02-03','YYYY-MM-DD'),'D'))", "3"},
        {"TO_NUMBER(TO_CHAR(TO_DATE('2026-02-03','YYYY-MM-DD'),'DDD'))", "34"},
        {"TO_NUMBER(TO_CHAR(TO_DATE('2026-02-03','YYYY-MM-DD'),'Q'))", "1"},
        {"TO_NUMBER(TO_CHAR(TO_DATE('2026-02-03','YYYY-MM-DD'),'WW'))", "5"},
        {"TO_NUMBER(TO_CHAR(TO_DATE('2000-01-01','YYYY-MM-DD'),'J'))", "2451545"},
        {"((TO_NUMBER(TO_CHAR(SYSDATE,'HH24'))*60+TO_NUMBER(TO_CHAR(SYSDATE,'MI')))*60+"
         "TO_NUMBER(TO_CHAR(SYSDATE,'SS')))",
         "37230"},
        {"TO_CHAR(TRUNC(SYSDATE,'J'),'YYYY-MM-DD HH24:MI:SS')", "2026-12-07 00:00:00"},
        {"SUBSTR('abcdef',1,2)||SUBSTR('abcdef',-2)", "abef"},
        {"INSTR('abcabc','c',4)", "6"},
        {"(SUBSTR('abcdef',1,2-1)||'XY'||SUBSTR('abcdef',2+3))", "aXYef"},
        {"RPAD(' ',3)||'|'", "   |"},
        {"CHR(65)||LOWER('B')||UPPER('c')", "AbC"},
        {"NVL(NULL,'d')", "d"},
        {"LOG(10,1000)", "3"},
        {"CEIL(2.1)+FLOOR(2.9)+MOD(7,0)+SIGN(-3)+TRUNC(2.77,1)", "13.7"},
        {"SOUNDEX('Robert')", "R163"},
        {"LTRIM('  x')||RTRIM('y  ')||LENGTH('abc')", "xy3"},
    };
    for (const Case& c : cases) {
        std::string sql = std::string("select ") + c.expression + " from dual";
        EXPECT_EQ(column(sql.c_str()), c.expected) << c.expression;
    }
}

TEST_F(Oci7Test, SqliteErrorsBecomeOracleCodes) {
    makeEmp();
    ASSERT_EQ(run("create table child (id number, emp number references emp (empno) , "
                  "n number check (n > 0))"),
              0);
    struct Case {
        const char* sql;
        int code;
    } cases[] = {
        {"create table emp (a number)", 955},
        {"select ename from emp e, emp f", 918},
        {"select * from emp where", 921},
        {"select * from emp order by 9", 1785},
        {"insert into child values (1, 99, 1)", 2291},
        {"insert into child values (1, 1, -1)", 2290},
        {"update emp set ename = null where empno = 1", 1400},
        {"select to_number('x') from dual", 1722},
        {"select to_date('2026-13-01','YYYY-MM-DD') from dual", 1843},
        {"select 'abc from dual", 1756},
        {"comment on table nosuch is 'x'", 942},
        {"select 1 from sys.dba_catalog@remote", 2019},
    };
    for (const Case& c : cases) {
        int rc = oparse(&cda_, ot(c.sql), -1, 0, 1);
        if (rc == 0)
            rc = oexec(&cda_);
        if (rc == 0 && cda_.ft == OCI7_FT_SELECT)
            rc = ofen(&cda_, 1); // errors of the values come with the rows
        EXPECT_EQ(rc, c.code) << c.sql;
    }
}

} // namespace
