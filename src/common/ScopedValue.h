// Gives a variable a value for one scope and puts the old one back however
// the scope ends.
#pragma once

template <class T>
class CScopedValue
{
public:
    CScopedValue(T& variable, T value) : m_variable(variable), m_was(variable) { m_variable = value; }
    ~CScopedValue() { m_variable = m_was; }
    CScopedValue(const CScopedValue&) = delete;
    CScopedValue& operator=(const CScopedValue&) = delete;

private:
    T& m_variable;
    T m_was;
};
