// What the service list shows: the categories, the sort order and the
// summary line. Texts are GBK and compared byte for byte.
#pragma once

#include "services/ServiceFilter.h"

#include <string>

namespace ServiceListRules
{
constexpr const char* kAll = "全部";
constexpr const char* kRoot = "Windows系统服务";
constexpr const char* kRunStateGroup = "运行状态";
constexpr const char* kStartTypeGroup = "启动类型";
constexpr const char* kStoppedLeaf = "已停止";

// A category of the tree: the services it keeps and the word the summary
// line names it by.
struct Category
{
    ServiceFilter filter;
    std::string strWord;
};

// The category a tree item stands for: the groups, the root and no item at
// all mean every service; a leaf means itself. A text that names no
// category keeps no service.
Category CategoryFor(const std::string& strItemText);
inline Category AllServices() { return {ServiceFilter::All(), kAll}; }

// Byte-wise unsigned comparison of display names; a prefix sorts first.
int CompareDisplayNames(const std::string& strLeft, const std::string& strRight);

// "共有%d项%s系统服务".
std::string SummaryText(int nCount, const std::string& strWord);
} // namespace ServiceListRules
