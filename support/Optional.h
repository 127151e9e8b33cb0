#pragma once

#include <stdexcept>
#include <utility>

// A value that may be missing. Reading a missing one is a program error that the run
// reports like any other failure.
template <class T>
class COptional {
public:
    COptional() = default;
    COptional(T value) : m_value(std::move(value)), m_hasValue(true) {}

    COptional& operator=(T value)
    {
        m_value = std::move(value);
        m_hasValue = true;
        return *this;
    }

    bool HasValue() const { return m_hasValue; }

    const T& Value() const
    {
        if (!m_hasValue) throw std::runtime_error("COptional::Value() uninitialized value");
        return m_value;
    }

    void Reset()
    {
        m_value = T();
        m_hasValue = false;
    }

private:
    T m_value{};
    bool m_hasValue = false;
};
