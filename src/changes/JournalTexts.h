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
constexpr const char* kUndoTitle = "撤销上次配置";
constexpr const char* kPreviewTitle = "配置预览";
constexpr const char* kNothingToUndo = "没有可以撤销的配置。";
constexpr const char* kUndoDone = "已撤销上次配置!";
constexpr const char* kUndoPartly = "上次配置已撤销,但有部分内容未能恢复。";
} // namespace JournalTexts
