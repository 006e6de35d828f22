// Lists of texts the tests collect (states seen, messages shown).
#pragma once

#include <algorithm>
#include <string>
#include <vector>

inline bool Contains(const std::vector<std::string>& items, const std::string& item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

#include "common/GbkText.h"

// The program's own names are UTF-16; the tests name services in GBK.
inline std::vector<std::string> InGbk(const std::vector<std::wstring>& names)
{
    std::vector<std::string> gbk(names.size());
    std::transform(names.begin(), names.end(), gbk.begin(), GbkText::FromWide);
    return gbk;
}
