#include "util/VxValueParser.h"

#include <cstring>

#include "error/utlMessages.h"
#include "token/tokenChars.h"
#include "util/VxString.h"

using vxtoken::equalBytes;

// One key=value pair. Key and value are views, into the parsed text or
// into the owned copies of added keys and values.
class VxValueParser::Attribute : public VxObject {
public:
    ~Attribute() override {
        delete ownedKey_;
        delete ownedValue_;
    }

    // Takes `value` as the new owned value.
    void setOwnedValue(VxString* value) {
        delete ownedValue_;
        ownedValue_ = value;
        value_.set(value->getBuffer() ? value->getBuffer() : "", value->length());
    }

    VxSubString key_;
    VxSubString value_;
    VxString* ownedKey_ = nullptr;
    VxString* ownedValue_ = nullptr;
    std::uint32_t offset_ = 0; // where the key stands in the text
    bool used_ = false;
};

namespace {

// A copy of `value`, in apostrophes with inner apostrophes doubled when it
// holds an apostrophe, a double quote or the separator. Null on failure.
VxString* makeStoredValue(const VxSubString& value, char separator) {
    const char* text = value.data();
    std::size_t length = value.length();
    bool quote = false;
    for (std::size_t i = 0; i < length; ++i)
        if (text[i] == '\'' || text[i] == '"' || text[i] == separator)
            quote = true;
    VxString* stored = new VxString();
    if (!stored)
        return nullptr;
    bool ok = stored->initialize(length + 2) == VX_SUCCESS;
    if (ok && quote)
        ok = stored->concat('\'') == VX_SUCCESS;
    for (std::size_t i = 0; ok && i < length; ++i) {
        ok = stored->concat(text[i]) == VX_SUCCESS;
        if (ok && quote && text[i] == '\'')
            ok = stored->concat('\'') == VX_SUCCESS;
    }
    if (ok && quote)
        ok = stored->concat('\'') == VX_SUCCESS;
    if (!ok) {
        delete stored;
        return nullptr;
    }
    return stored;
}

} // namespace

VxValueParser::VxValueParser(const VxSubString& text, char separator, const char* name)
    : scanner_(text), separator_(separator), name_(name) {}

VxValueParser::~VxValueParser() = default;

VxValueParser::Attribute* VxValueParser::attributeAt(std::uint16_t index) const {
    return static_cast<Attribute*>(attributes_.get(index));
}

std::uint16_t VxValueParser::indexOf(const char* key, std::size_t length) const {
    std::uint16_t count = attributes_.getCount();
    for (std::uint16_t i = 0; i < count; ++i) {
        const VxSubString& candidate = attributeAt(i)->key_;
        if (equalBytes(candidate.data(), candidate.length(), key, length, true))
            return i;
    }
    return count;
}

VxStatus VxValueParser::raisePositionError(std::uint32_t offset) {
    if (name_)
        addError(2705) << static_cast<unsigned long>(offset) << name_;
    else
        addError(2704) << static_cast<unsigned long>(offset);
    return VX_ERROR;
}

bool VxValueParser::takeChar(char c) {
    std::int32_t kind = scanner_.getToken(token_);
    bool isMark = kind != VX_TOKEN_END && kind != VX_TOKEN_WORD && kind != VX_TOKEN_QUOTED &&
                  kind != VX_TOKEN_UNTERMINATED && kind != VX_TOKEN_NUMBER &&
                  kind != VX_TOKEN_DECIMAL;
    if (!isMark || token_.length() == 0 || token_.data()[0] != c)
        return false;
    // A two-character operator such as "=*" gives up its second byte, which
    // belongs to what follows.
    scanner_.setPosition(token_.getPosition() + 1);
    token_.set(token_.data(), 1);
    return true;
}

VxStatus VxValueParser::addParsed(const VxToken& key, const VxToken& value) {
    Attribute* attribute = new Attribute();
    if (!attribute)
        return VX_ERROR;
    attribute->key_.set(key.data(), key.length());
    attribute->value_.set(value.data(), value.length());
    attribute->offset_ = key.getPosition();
    if (attributes_.add(attribute) != VX_SUCCESS) {
        delete attribute;
        return VX_ERROR;
    }
    return VX_SUCCESS;
}

VxStatus VxValueParser::initialize() {
    attributes_.deleteContents();
    unusedCursor_ = 0;
    scanner_.setPosition(0);
    for (;;) {
        std::int32_t kind = scanner_.getToken(token_);
        if (kind == VX_TOKEN_END)
            return VX_SUCCESS;
        if (kind != VX_TOKEN_WORD)
            return raisePositionError(token_.getPosition());
        key_ = token_;
        bool repeatedDriver = false;
        if (indexOf(key_.data(), key_.length()) < attributes_.getCount()) {
            if (!equalBytes(key_.data(), key_.length(), "Driver", 6, true)) {
                VxStatus status = raisePositionError(key_.getPosition());
                appendErrorText(2706) << key_;
                return status;
            }
            repeatedDriver = true;
        }
        if (!takeChar('='))
            return raisePositionError(token_.getPosition());
        scanner_.getDelimitedToken(token_, separator_);
        if (!repeatedDriver && addParsed(key_, token_) != VX_SUCCESS)
            return VX_ERROR;
        if (takeChar(separator_))
            continue;
        if (token_.getKind() == VX_TOKEN_END)
            return VX_SUCCESS;
        return raisePositionError(token_.getPosition());
    }
}

const VxSubString* VxValueParser::readValue(const char* key, std::size_t length) {
    std::uint16_t index = indexOf(key, length);
    if (index >= attributes_.getCount())
        return nullptr;
    Attribute* attribute = attributeAt(index);
    attribute->used_ = true;
    return &attribute->value_;
}

const VxSubString* VxValueParser::getAttributeValue(const char* key) {
    return readValue(key, key ? std::strlen(key) : 0);
}

const VxSubString* VxValueParser::getAttributeValue(const VxSubString& key) {
    return readValue(key.data(), key.length());
}

VxStatus VxValueParser::getAttributeValue(const char* key, const char* aliasKey,
                                          const VxSubString** result) {
    *result = nullptr;
    std::uint16_t count = attributes_.getCount();
    std::uint16_t index = indexOf(key, std::strlen(key));
    std::uint16_t aliasIndex = aliasKey ? indexOf(aliasKey, std::strlen(aliasKey)) : count;
    if (index < count && aliasIndex < count && index != aliasIndex) {
        Attribute* first = attributeAt(index);
        Attribute* second = attributeAt(aliasIndex);
        first->used_ = true;
        second->used_ = true;
        std::uint32_t offset = first->offset_ > second->offset_ ? first->offset_ : second->offset_;
        VxStatus status = raisePositionError(offset);
        appendErrorText(2707) << first->key_ << second->key_;
        return status;
    }
    std::uint16_t found = index < count ? index : aliasIndex;
    if (found < count) {
        Attribute* attribute = attributeAt(found);
        attribute->used_ = true;
        *result = &attribute->value_;
    }
    return VX_SUCCESS;
}

bool VxValueParser::isAttributeValue(const char* key) const {
    return indexOf(key, key ? std::strlen(key) : 0) < attributes_.getCount();
}

bool VxValueParser::isAttributeValue(const VxSubString& key) const {
    return indexOf(key.data(), key.length()) < attributes_.getCount();
}

std::uint16_t VxValueParser::getUnusedCount() const {
    std::uint16_t unused = 0;
    for (std::uint16_t i = 0; i < attributes_.getCount(); ++i)
        if (!attributeAt(i)->used_)
            ++unused;
    return unused;
}

const VxSubString* VxValueParser::getUnusedAttribute() {
    while (unusedCursor_ < attributes_.getCount()) {
        Attribute* attribute = attributeAt(unusedCursor_++);
        if (!attribute->used_)
            return &attribute->key_;
    }
    return nullptr;
}

void VxValueParser::resetUnused() {
    for (std::uint16_t i = 0; i < attributes_.getCount(); ++i)
        attributeAt(i)->used_ = false;
    unusedCursor_ = 0;
}

const VxSubString* VxValueParser::getAttributeKey(std::uint16_t index) const {
    Attribute* attribute = attributeAt(index);
    return attribute ? &attribute->key_ : nullptr;
}

const VxSubString* VxValueParser::getAttributeValueAt(std::uint16_t index) const {
    Attribute* attribute = attributeAt(index);
    return attribute ? &attribute->value_ : nullptr;
}

VxStatus VxValueParser::addAttribute(const char* key, const char* value, const char* aliasKey) {
    return addAttribute(key, VxSubString(value ? value : "", value ? std::strlen(value) : 0),
                        aliasKey);
}

VxStatus VxValueParser::addAttribute(const char* key, const VxSubString& value,
                                     const char* aliasKey) {
    std::uint16_t count = attributes_.getCount();
    std::uint16_t index = indexOf(key, std::strlen(key));
    if (index >= count && aliasKey)
        index = indexOf(aliasKey, std::strlen(aliasKey));
    VxString* stored = makeStoredValue(value, separator_);
    if (!stored)
        return VX_ERROR;
    if (index < count) {
        attributeAt(index)->setOwnedValue(stored);
        return VX_SUCCESS;
    }

    Attribute* attribute = new Attribute();
    if (!attribute) {
        delete stored;
        return VX_ERROR;
    }
    attribute->setOwnedValue(stored);
    attribute->ownedKey_ = new VxString();
    if (!attribute->ownedKey_ || attribute->ownedKey_->initialize(key) != VX_SUCCESS ||
        attributes_.add(attribute) != VX_SUCCESS) {
        delete attribute;
        return VX_ERROR;
    }
    attribute->key_.set(attribute->ownedKey_->getBuffer(), attribute->ownedKey_->length());
    attribute->offset_ = scanner_.getLength();
    return VX_SUCCESS;
}

void VxValueParser::removeAttribute(const char* key) {
    std::uint16_t index = indexOf(key, std::strlen(key));
    if (index >= attributes_.getCount())
        return;
    attributes_.deleteAtIndex(index);
    if (unusedCursor_ > index)
        --unusedCursor_;
}

VxStatus VxValueParser::buildString(VxString& out) const {
    out.setLength(0);
    for (std::uint16_t i = 0; i < attributes_.getCount(); ++i) {
        const Attribute* attribute = attributeAt(i);
        if ((i > 0 && out.concat(separator_) != VX_SUCCESS) ||
            out.concat(attribute->key_) != VX_SUCCESS || out.concat('=') != VX_SUCCESS ||
            out.concat(attribute->value_) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}
