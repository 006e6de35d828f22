// What the service list shows: the category filter, the sort order and the
// summary line. Texts are GBK and compared byte for byte.
#pragma once

#include <string>

namespace ServiceListRules
{
constexpr const char* kAll = "全部";
constexpr const char* kRoot = "Windows系统服务";
constexpr const char* kRunStateGroup = "运行状态";
constexpr const char* kStartTypeGroup = "启动类型";
constexpr const char* kStoppedLeaf = "已停止";

// The filter a category-tree item stands for: the groups, the root and no
// item at all mean every service; a leaf means itself.
std::string FilterForCategory(const std::string& strItemText);

// Whether a service with these texts is listed under the filter. A text
// that names no category lists nothing.
bool PassesFilter(const std::string& strFilter, const std::string& strState, const std::string& strStartType);

// Byte-wise unsigned comparison of display names; a prefix sorts first.
int CompareDisplayNames(const std::string& strLeft, const std::string& strRight);

// "共有%d项%s系统服务".
std::string SummaryText(int nCount, const std::string& strFilter);
} // namespace ServiceListRules
