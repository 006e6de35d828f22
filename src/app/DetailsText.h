// Texts of the details pane.
#pragma once

#include <string>
#include <vector>

namespace DetailsText
{
constexpr const char* kDependsOnGroup = "此服务依赖于以下服务";
constexpr const char* kDependentsGroup = "以下服务依赖于此服务";

// "服务描述:\n\n  " description "\n\n补充:\n\n  " advice.
std::string Description(const std::string& strDescription, const std::string& strAdvice);
// "文件路径:" and the path exactly as stored.
std::string StatusLine(const std::string& strBinaryPath);
// Whether a configured dependency name is shown; one character or less is not.
bool IsShownDependency(const std::string& strName);
} // namespace DetailsText
