// Reading the conversion matrix (conversion_matrix.txt): its lines as
// cases, and the textual forms of values turned into the bytes of an
// internal or C type.
#pragma once

#include <sql.h>

#include <string>
#include <vector>

#include "base/InternalType.h"

struct ConvertToken {
    std::string text;
    bool quoted = false;
    bool isNone() const { return !quoted && text == "-"; }
};

struct ConvertCase {
    int line = 0;
    bool parameter = false;
    std::string sqlType;
    std::string internalType;
    ConvertToken value;
    std::string cType;
    ConvertToken size;
    std::string state;
    ConvertToken length;
    ConvertToken expected;
    short scale = -32768;
    bool hasScale = false;
};

// The cases of the matrix file; a malformed line fails the calling test.
std::vector<ConvertCase> loadConvertMatrix(const std::string& path);
std::string convertMatrixPath();

short sqlTypeByName(const std::string& name);
short cTypeByName(const std::string& name);
InternalType internalTypeByName(const std::string& name);

// The bytes of a value of `type` written in its textual form; `isNull` is
// set for NULL.
std::vector<unsigned char> encodeValue(InternalType type, const ConvertToken& token, bool* isNull);
// Text as 2-byte characters (UTF-16), without terminator.
std::vector<unsigned char> widen(const std::string& text);
