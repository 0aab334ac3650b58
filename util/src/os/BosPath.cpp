// Paths: absolute and relative forms, building and splitting file names,
// the current directory.
#include "util/bos.h"

#include <unistd.h>

#include <cctype>
#include <cstring>

#include "error/utlMessages.h"
#include "os/BosName.h"

namespace {

bool isSeparator(char c) {
    return bosIsSeparator(c);
}

// Appends the components of `text` to the absolute path in `out` (which
// has no trailing '/' unless it is the root), resolving "." and "..".
bool appendComponents(char* out, std::size_t* length, const char* text) {
    while (*text) {
        while (isSeparator(*text))
            ++text;
        const char* end = text;
        while (*end && !isSeparator(*end))
            ++end;
        std::size_t size = static_cast<std::size_t>(end - text);
        if (size == 0 || (size == 1 && text[0] == '.')) {
        } else if (size == 2 && text[0] == '.' && text[1] == '.') {
            while (*length > 1 && out[*length - 1] != '/')
                --*length;
            if (*length > 1)
                --*length;
        } else {
            bool root = *length == 1;
            if (*length + size + 2 > BOS_PATH_CAPACITY)
                return false;
            if (!root)
                out[(*length)++] = '/';
            std::memcpy(out + *length, text, size);
            *length += size;
        }
        text = end;
    }
    out[*length] = '\0';
    return true;
}

bool currentDirectory(char* buffer, std::size_t capacity) {
    return getcwd(buffer, capacity) != nullptr;
}

VxStatus pathTooLong(const char* path) {
    addError(1524) << path;
    return VX_ERROR;
}

std::size_t fileStart(const char* path, std::size_t length) {
    std::size_t start = length;
    while (start > 0 && !isSeparator(path[start - 1]))
        --start;
    return start;
}

} // namespace

VxStatus bosfpath(VxString* path) {
    const char* text = path->getText();
    if (text[0] == '\\' && text[1] == '\\')
        return VX_SUCCESS;
    char result[BOS_PATH_CAPACITY];
    std::size_t length = 1;
    result[0] = '/';
    result[1] = '\0';
    if (!isSeparator(text[0])) {
        char cwd[BOS_PATH_CAPACITY];
        if (!currentDirectory(cwd, sizeof cwd)) {
            addError(1510) << text;
            return VX_ERROR;
        }
        (void)appendComponents(result, &length, cwd);
    }
    std::size_t textLength = std::strlen(text);
    bool trailing = textLength > 0 && isSeparator(text[textLength - 1]);
    if (!appendComponents(result, &length, text))
        return pathTooLong(text);
    if (trailing && length > 1) {
        result[length++] = '/';
        result[length] = '\0';
    }
    return path->initialize(result, length);
}

VxStatus bospath(VxString* out, const char* directory, const char* name, const char* extension) {
    if (!name || !*name)
        return out->initialize(directory ? directory : "");
    std::size_t nameLength = std::strlen(name);
    while (nameLength > 0 && std::isspace(static_cast<unsigned char>(name[nameLength - 1])))
        --nameLength;
    if (nameLength > 0 && name[nameLength - 1] == '.')
        --nameLength;
    bool hasDirectory = false;
    for (std::size_t i = 0; i < nameLength; ++i)
        hasDirectory = hasDirectory || isSeparator(name[i]);
    VxString built;
    if (built.initialize("") != VX_SUCCESS)
        return VX_ERROR;
    if (!hasDirectory && directory && *directory) {
        if (built.concat(directory) != VX_SUCCESS)
            return VX_ERROR;
        if (!isSeparator(directory[std::strlen(directory) - 1]) && built.concat('/') != VX_SUCCESS)
            return VX_ERROR;
    }
    if (built.concat(name, nameLength) != VX_SUCCESS)
        return VX_ERROR;
    std::size_t start = fileStart(name, nameLength);
    if (!std::memchr(name + start, '.', nameLength - start) && extension && *extension) {
        if (built.concat('.') != VX_SUCCESS || built.concat(extension) != VX_SUCCESS)
            return VX_ERROR;
    }
    if (bosfpath(&built) != VX_SUCCESS)
        return VX_ERROR;
    return out->initialize(built.getText(), built.length());
}

VxStatus bosmpath(VxString* path) {
    const char* text = path->getText();
    if (!isSeparator(text[0]))
        return VX_SUCCESS;
    char cwd[BOS_PATH_CAPACITY];
    if (!currentDirectory(cwd, sizeof cwd)) {
        addError(1510) << text;
        return VX_ERROR;
    }
    // Find the last separator up to which both paths agree.
    std::size_t common = 0;
    std::size_t i = 0;
    for (;
         cwd[i] && text[i] && (cwd[i] == text[i] || (isSeparator(cwd[i]) && isSeparator(text[i])));
         ++i)
        if (isSeparator(text[i]))
            common = i + 1;
    bool cwdIsPrefix = cwd[i] == '\0' && (text[i] == '\0' || isSeparator(text[i]));
    if (cwdIsPrefix)
        common = text[i] ? i + 1 : i;
    if (common <= 1)
        return VX_SUCCESS;
    VxString relative;
    if (relative.initialize("") != VX_SUCCESS)
        return VX_ERROR;
    // One "../" for each directory of the current directory past the common part.
    if (!cwdIsPrefix) {
        for (const char* p = cwd + common; *p; ++p)
            if ((p == cwd + common || p[-1] == '/') && *p != '/' &&
                relative.concat("../") != VX_SUCCESS)
                return VX_ERROR;
    }
    if (text[common] == '\0' && relative.length() == 0)
        return path->initialize(".");
    if (relative.concat(text + common) != VX_SUCCESS)
        return VX_ERROR;
    return path->initialize(relative.getText(), relative.length());
}

VxStatus bosParseName(VxString* path, VxString* name, VxString* extension, bool report) {
    const char* text = path->getText();
    std::size_t length = path->length();
    std::size_t start = fileStart(text, length);
    const char* dot = static_cast<const char*>(std::memchr(text + start, '.', length - start));
    for (const char* p = dot; p;
         p = static_cast<const char*>(std::memchr(p + 1, '.', length - (p + 1 - text))))
        dot = p;
    std::size_t nameLength = (dot ? static_cast<std::size_t>(dot - text) : length) - start;
    std::size_t extensionLength = dot ? length - static_cast<std::size_t>(dot + 1 - text) : 0;
    if (report && (nameLength > BOS_MAX_NAME || extensionLength > BOS_MAX_EXTENSION)) {
        addError(1524) << text + start;
        return VX_ERROR;
    }
    if (name->initialize(text + start, nameLength < BOS_MAX_NAME ? nameLength : BOS_MAX_NAME) !=
            VX_SUCCESS ||
        extension->initialize(dot ? dot + 1 : "", extensionLength < BOS_MAX_EXTENSION
                                                      ? extensionLength
                                                      : BOS_MAX_EXTENSION) != VX_SUCCESS)
        return VX_ERROR;
    path->setLength(start);
    return VX_SUCCESS;
}

VxStatus bosgtcwd(VxString* out, bool trailingSeparator) {
    char cwd[BOS_PATH_CAPACITY];
    if (!currentDirectory(cwd, sizeof cwd)) {
        addError(1510) << ".";
        return VX_ERROR;
    }
    if (out->initialize(cwd) != VX_SUCCESS)
        return VX_ERROR;
    if (trailingSeparator && !(cwd[0] == '/' && cwd[1] == '\0'))
        return out->concat('/');
    return VX_SUCCESS;
}

VxStatus bosstcwd(const char* path) {
    if (!path || !*path)
        return VX_SUCCESS;
    BosName resolved;
    if (resolved.resolve(path) && chdir(resolved.text()) == 0)
        return VX_SUCCESS;
    addError(1504) << path;
    return VX_ERROR;
}
