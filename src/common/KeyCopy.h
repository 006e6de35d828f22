// A registry key with everything below it, kept as bytes: what is noted of
// a service's key before the service is deleted, and what the key must be
// again once it is made anew. Portable: reading and writing it is
// KeyCopyIO's work.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct KeyValueCopy
{
    std::wstring wstrSubkey; // below the key, parts joined by '\'; empty for the key itself
    std::wstring wstrName;   // empty for the default value
    uint32_t dwType = 0;
    std::string data;        // exactly the stored bytes
};

struct KeyCopy
{
    // Every key below the copied one, each after the key it lies in.
    std::vector<std::wstring> subkeys;
    std::vector<KeyValueCopy> values;

    // The value, names compared as the registry does (ASCII case folded);
    // nullptr when the copy has none.
    const KeyValueCopy* Find(const std::wstring& wstrSubkey, const std::wstring& wstrName) const;
    bool HasSubkey(const std::wstring& wstrSubkey) const;
    // The bytes of every value together.
    size_t DataBytes() const;
};

// How a value or a key is named to the user: "Parameters\ServiceDll", and
// "(默认)" for a default value. UTF-16.
std::wstring KeyItemName(const std::wstring& wstrSubkey, const std::wstring& wstrName);
// What found holds otherwise than wanted, each named as above: a value or
// subkey missing, different (type or bytes) or more than wanted, in
// wanted's order, then the extras.
std::vector<std::wstring> KeyDifferences(const KeyCopy& wanted, const KeyCopy& found);
// The text of a string value (UTF-16 bytes, up to the first NUL); false for
// a value of another type or an odd length.
bool KeyValueText(const KeyValueCopy& value, std::wstring* pwstrText);
// The names of a REG_MULTI_SZ, up to its empty one; false for a value of
// another type or an odd length.
bool KeyValueNames(const KeyValueCopy& value, std::vector<std::wstring>* pNames);
// A REG_DWORD's number; false for anything else than four bytes of one.
bool KeyValueNumber(const KeyValueCopy& value, uint32_t* pdwNumber);
