// Names that the hooks of the handle classes mention before the code that
// defines them exists: statement text, escapes, information values, column
// and parameter data. The enumerations are declared with their underlying
// type so that their full definitions elsewhere must use the same one.
#pragma once

class VxValueParser;
class VxReplaceString;
class VxString;
class BaseSqlString;
class BaseInString;
class BaseOutString;
class BaseDataValue;

enum EscapeType : int;
enum EscapeFunctionType : int;
enum BaseInfoValType : int;
enum ParamBindChunkType : int;
