// The test driver's little command language, with which tests make a call
// raise exactly the records they want to see again through SQLError.
//
// Commands are separated by ';', words by blanks:
//   error <odbcId> [<msgId>]      addOdbcError
//   warning <odbcId> [<msgId>]    addOdbcWarning
//   native <odbcId> <code> <text> addNativeError (text = rest of command)
//   resource <msgId>              addNativeResourceError
//   resourcewarning <msgId>       addNativeResourceWarning
//   alone <text>                  an S1000 error whose text stands alone
//   param <number>                fills the next placeholder of the last record
//   text <text>                   fills the next placeholder with a text
//   append <msgId> <number>       appendOdbcErrorText, then fills it
//   reset <odbcId>                resetLastErrorSqlState
//   hold <address>                stores 1 in the std::atomic<int> at <address>
//                                 and waits until the test stores 2 there
//   succeed                       return SQL_SUCCESS whatever was raised
//   column, row, rows, failrow, rowcount, nextresult, info
//                                 result sets (TstResults.h)
//   params                        warning 01000 whose text is the parameter
//                                 values received ("1=abc 2=12", TstParams.h)
//   echo <text>                   warning 01000 whose text is <text> (with
//                                 substituted parameters: their literals)
//   paramrow                      a result set of one row: a VARCHAR column
//                                 p<n> for each parameter received, holding
//                                 its value (NULL for NULL)
// The call returns SQL_ERROR when an error command ran (unless succeed),
// else SQL_SUCCESS; the exit then turns that into SQL_SUCCESS_WITH_INFO when
// only warnings were raised.
#pragma once

#include <sql.h>

#include <string>

class TstParams;

// `received`: the parameter values the params and paramrow commands
// report (null: nothing received).
SQLRETURN tstRunCommands(const SQLCHAR* text, SQLINTEGER length,
                         const TstParams* received = nullptr);
// Whether the text begins with a word of the command language (and not,
// say, with SQL).
bool tstIsCommandText(const SQLCHAR* text, SQLINTEGER length);
