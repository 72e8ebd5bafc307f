#pragma once

#include "TarvelinError.h"

#include <optional>
#include <utility>

// The TarvelinError that `call` raises, or nothing when it returns normally.
template <typename Call> std::optional<TarvelinError> raisedBy(Call&& call)
{
    try {
        std::forward<Call>(call)();
    } catch (const TarvelinError& error) {
        return error;
    }
    return std::nullopt;
}

// Checks that `call` raises error `number` with some description.
#define TV_VERIFY_RAISES(call, expectedNumber)                                                               \
    do {                                                                                                     \
        const auto raisedError_ = raisedBy([&] { call; });                                                   \
        QVERIFY2(raisedError_.has_value(), "no error was raised by: " #call);                                \
        QCOMPARE(raisedError_->number(), qint32(expectedNumber));                                            \
        QVERIFY2(!raisedError_->description().isEmpty(), "the error has no description");                    \
    } while (false)
