#pragma once

#include <cstring>
#include <string>
#include <utility>

namespace lintor {

// The value of a system call wrapper, or the errno it failed with.
template <typename T>
class SysResult {
public:
    SysResult(T value) : value_(std::move(value)) {}  // NOLINT(google-explicit-constructor)
    static SysResult failure(int error) { return SysResult(error, Failure{}); }

    bool ok() const { return error_ == 0; }
    int error() const { return error_; }
    T& value() { return value_; }
    const T& value() const { return value_; }
    T&& take() { return std::move(value_); }

private:
    struct Failure {};
    SysResult(int error, Failure) : error_(error == 0 ? -1 : error) {}

    T value_{};
    int error_ = 0;
};

inline std::string errorText(int error) { return std::strerror(error); }

}  // namespace lintor
