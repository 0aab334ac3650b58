// TstCatalog: the test driver's catalog over its in-memory data source,
// and its information table.
//
// Each database has the owner "dbo" and these objects (the qualifier of a
// row is the database's name):
//   main:  DEPT (TABLE): DEPT_ID INTEGER not null, DNAME VARCHAR(20)
//          EMP (TABLE, "Employees"): EMP_ID INTEGER not null,
//            NAME VARCHAR(30) not null, DEPT_ID INTEGER, SALARY
//            DECIMAL(10,2), HIRED DATE
//          EMP_VIEW (VIEW): EMP_ID, NAME
//          indexes PK_DEPT (unique: DEPT_ID), DEPT_NAME (unique: DNAME,
//          nullable), PK_EMP (unique: EMP_ID), EMP_NAME (NAME); primary
//          keys PK_DEPT, PK_EMP; foreign key
//          FK_EMP_DEPT (EMP.DEPT_ID -> DEPT.DEPT_ID)
//          procedures LIST_EMP (one result set) and RAISE_PAY (return
//          value, EMP_ID INTEGER, PCT DECIMAL(5,2))
//          privileges: SELECT and INSERT on EMP, SELECT on DEPT; SELECT on
//          EMP.EMP_ID, SELECT and UPDATE on EMP.NAME (grantor dbo,
//          grantee PUBLIC)
//   extra: "ORDER ITEMS" (TABLE): ITEM_ID INTEGER not null, QTY SMALLINT
//          BROKEN (TABLE): listed, but preparing a query on it fails
//          (S1000, native 99)
// Names match case-insensitively. Without a qualifier argument the
// current database is searched; "%" searches both.
//
// The hooks (executeTables ... getTypeInfo) add rows to the statement's
// catalog object; executeSpecial has no answer of its own, so the
// framework derives the best row identifier from the unique index.
// Preparing "SELECT * FROM [db.][owner.]table" (names may be quoted in
// double quotes) describes the table's columns.
#pragma once

#include <string>

#include "base/BaseInfoTable.h"
#include "util/VxStatus.h"

class TstStatement;
class BaseConnection;

// The driver's information table: DBMS name and version, name limits
// (columns 30, tables 18, owners, procedures and qualifiers 18), with
// `quotedIdentifiers` the double quote as identifier quote (the database
// "extra" has it; "main" answers the default blank), and ask entries for
// the other types
// (so that the "info" command of TstResults.h can answer them), chained
// to tstResultInfoTable and the framework's defaults.
const BaseInfoTable& tstInfoTable(bool quotedIdentifiers = false);
// The driver's string resources 20102-20110 ("" for other ids).
const char* tstResourceText(unsigned short id);
// The functions the driver supports (SQLGetFunctions).
bool tstFunctionSupported(unsigned short api);
// Describes a "SELECT * FROM" text on the statement; succeeds doing
// nothing for other texts; fails (S0002 or S1000) for a table that does
// not exist or cannot be described.
VxStatus tstCatalogPrepare(TstStatement& statement, const std::string& text);
