#pragma once

#include "api/ReportError.h"

#include <optional>
#include <utility>
#include <variant>

// Success with a value, or failure with a ReportError.
template <class T>
class ApiResult {
public:
    static ApiResult success(T value) { return ApiResult(std::move(value)); }
    static ApiResult failure(QString message) { return ApiResult(ReportError{std::move(message)}); }

    bool ok() const { return std::holds_alternative<T>(m_value); }
    const T& value() const { return std::get<T>(m_value); }
    T& value() { return std::get<T>(m_value); }
    const ReportError& error() const { return std::get<ReportError>(m_value); }

private:
    explicit ApiResult(T value)
        : m_value(std::move(value)) {}
    explicit ApiResult(ReportError error)
        : m_value(std::move(error)) {}

    std::variant<T, ReportError> m_value;
};
