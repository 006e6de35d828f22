// What the user is told about the change journal.
#pragma once

#include <string>

namespace JournalTexts
{
// Nothing was changed because the journal could not be written first.
inline std::string WriteFailed(const std::string& strPath)
{
    return "无法写入更改记录文件(" + strPath + "),未做任何更改!";
}
// Where the journal lives now, and the name an earlier version's was kept under.
inline std::string Moved(const std::string& strPath, const std::string& strKept)
{
    return "更改记录现在保存在 " + strPath + "(只有管理员可以修改)。\n原来的更改记录不再用于撤销,已改名为 " + strKept + "。";
}
constexpr const char* kUndoTitle = "撤销上次配置";
constexpr const char* kPreviewTitle = "配置预览";
constexpr const char* kNothingToUndo = "没有可以撤销的配置。";
constexpr const char* kUndoDone = "已撤销上次配置!";
constexpr const char* kUndoPartly = "上次配置已撤销,但有部分内容未能恢复。";
} // namespace JournalTexts
