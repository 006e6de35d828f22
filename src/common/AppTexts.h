// Texts that name the program itself.
#pragma once

// Caption of the plain message boxes that carry no caption of their own.
constexpr const char* kApplicationTitle = "Quillmere";
// Caption of every message box the windows show.
constexpr const char* kNoticeCaption = "提示";
