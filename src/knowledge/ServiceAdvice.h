// One knowledge-base entry taken apart: the service name before the first
// "&", the advice text, a ten-character tail "@d#d$d%d^d" giving the start
// type of profiles 1 to 5, and an optional "|" that protects the service
// from deletion.
#pragma once

#include <cstdint>
#include <string>

class ServiceAdvice
{
public:
    static constexpr int kFirstProfile = 1;
    static constexpr int kLastProfile = 5;

    // Never fails. Without "&" there is no name, no advice text and no tail.
    // When fewer than ten characters follow the "&" (after a trailing "|" is
    // set aside), they are all tail and the advice text is empty.
    explicit ServiceAdvice(const std::string& entry);

    const std::string& ServiceName() const { return m_strName; }

    // "自动", "手动" or "已禁用" for profile 1 (default) to 5 (enthusiast).
    // Whatever gives no "1" or "2" reads as disabled: an unknown digit, a
    // missing marker, a marker with nothing after it, a profile out of range.
    std::string StartTypeFor(int profile) const;
    // The same as the manager's code: 2 automatic, 3 manual, 4 disabled.
    std::uint32_t StartTypeCodeFor(int profile) const;

    // Display text only; its advice word never sets a start type.
    const std::string& AdviceText() const { return m_strAdvice; }

    bool IsProtected() const { return m_bProtected; }

private:
    std::string m_strName;
    std::string m_strAdvice;
    std::string m_strTail;
    bool m_bProtected = false;
};
