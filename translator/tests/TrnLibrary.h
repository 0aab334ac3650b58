// Loads the built translator with dlopen, as a driver does, and resolves the
// three functions of the translation interface.
#pragma once

#include "translator/TrnInterface.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <string>

class TrnLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(TRN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        config_ = reinterpret_cast<TrnConfigTranslatorFn>(dlsym(handle_, "ConfigTranslator"));
        toDriver_ = reinterpret_cast<TrnTranslateFn>(dlsym(handle_, "SQLDataSourceToDriver"));
        toDataSource_ = reinterpret_cast<TrnTranslateFn>(dlsym(handle_, "SQLDriverToDataSource"));
        ASSERT_NE(config_, nullptr);
        ASSERT_NE(toDriver_, nullptr);
        ASSERT_NE(toDataSource_, nullptr);
    }

    void TearDown() override {
        if (handle_ != nullptr) {
            dlclose(handle_);
        }
    }

    // Result of one call with a 64-byte message buffer.
    struct Outcome {
        BOOL ok = 0;
        SQLLEN outputLength = -99;
        std::string message;
        SQLSMALLINT messageLength = -99;
    };

    Outcome call(TrnTranslateFn fn, SQLSMALLINT sqlType, const void* input, SQLLEN inputLength,
                 void* output, SQLLEN outputCapacity, SQLUINTEGER option = 0) {
        Outcome outcome;
        SQLCHAR message[64];
        message[0] = 'x';
        outcome.ok =
            fn(option, sqlType, const_cast<void*>(input), inputLength, output, outputCapacity,
               &outcome.outputLength, message, sizeof(message), &outcome.messageLength);
        outcome.message = reinterpret_cast<const char*>(message);
        return outcome;
    }

    void* handle_ = nullptr;
    TrnConfigTranslatorFn config_ = nullptr;
    TrnTranslateFn toDriver_ = nullptr;
    TrnTranslateFn toDataSource_ = nullptr;
};
