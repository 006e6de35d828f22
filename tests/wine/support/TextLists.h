// Lists of texts the tests collect (states seen, messages shown).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

inline bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}
