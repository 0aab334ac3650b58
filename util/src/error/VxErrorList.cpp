#include "util/VxError.h"

VxErrorList::VxErrorList(void* owner, unsigned keepAll) : owner_(owner), keepAll_(keepAll & 1) {}

VxErrorList::~VxErrorList() {
    deleteNodes();
}

void VxErrorList::deleteNodes() {
    VxList::deleteNodes();
    outOfMemory_ = false;
}

VxError* VxErrorList::removeFirstError() {
    if (outOfMemory_) {
        outOfMemory_ = false;
        return &VxError::outOfMemoryError();
    }
    return static_cast<VxError*>(removeFirstNode());
}

VxError* VxErrorList::removeLastError() {
    if (outOfMemory_) {
        outOfMemory_ = false;
        return &VxError::outOfMemoryError();
    }
    return static_cast<VxError*>(removeLastNode());
}

VxError* VxErrorList::getLastError() {
    if (outOfMemory_)
        return &VxError::outOfMemoryError();
    return static_cast<VxError*>(getLastNode());
}

VxError* VxErrorList::getErrorAtPos(std::uint32_t pos) const {
    return static_cast<VxError*>(getNodeAtPos(pos));
}

ErrorsMix VxErrorList::getErrorsMix() const {
    bool errors = false;
    bool warnings = false;
    VxNode* node = head();
    for (std::uint32_t i = 0; i < getCount(); ++i, node = node->next()) {
        if (static_cast<VxError*>(node)->isWarning())
            warnings = true;
        else
            errors = true;
    }
    if (errors && warnings)
        return ERRORS_MIX_BOTH;
    if (errors)
        return ERRORS_MIX_ERRORS;
    return warnings ? ERRORS_MIX_WARNINGS : ERRORS_MIX_NONE;
}

bool VxErrorList::holdsError() const {
    ErrorsMix mix = getErrorsMix();
    return mix == ERRORS_MIX_BOTH || mix == ERRORS_MIX_ERRORS;
}

VxStatus VxErrorList::concatErrors(VxString& out, unsigned short separator) {
    VxNode* node = head();
    for (std::uint32_t i = 0; i < getCount(); ++i, node = node->next()) {
        if (i > 0 && out.concat(static_cast<char>(separator & 0xFF)) != VX_SUCCESS)
            return VX_ERROR;
        if (out.concat(static_cast<VxError*>(node)->getErrorText()) != VX_SUCCESS)
            return VX_ERROR;
    }
    return VX_SUCCESS;
}

void VxErrorList::setWarningAfterPos(unsigned long pos) {
    VxNode* node = head();
    for (std::uint32_t i = 0; i < getCount(); ++i, node = node->next()) {
        if (i > pos)
            static_cast<VxError*>(node)->setWarning(true);
    }
}

void VxErrorList::appendTextStartingAtPos(const char* text, unsigned long pos) {
    VxNode* node = head();
    for (std::uint32_t i = 0; i < getCount(); ++i, node = node->next()) {
        if (i >= pos)
            static_cast<VxError*>(node)->appendText(text);
    }
}
